#include "common/cmdline.h"

#include <gtest/gtest.h>

#include "common/fuzz_seeds.h"

namespace {

using Args = std::vector<std::string>;

// The command-line fuzz target reads its input both as one command line and as a program name
// and arguments separated by NUL bytes.
std::string nul_separated(const Args& list) {
  std::string out;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out += '\0';
    out += list[i];
  }
  return out;
}

TEST(CmdLine, QuotingOfEachArgument) {
  struct Case {
    const char *in, *out;
  } cases[] = {
      {"", "\"\""},
      {"/F", "/F"},
      {"a b", "\"a b\""},
      {"a\tb", "\"a\tb\""},
      {"say\"x", "say\\\"x"},
      {"\"C:\\Program Files\\x\\uninstall.exe\"", "\"\\\"C:\\Program Files\\x\\uninstall.exe\\\"\""},
      {"a\\\\\"b", "a\\\\\\\\\\\"b"},
      {"C:\\dir with space\\", "\"C:\\dir with space\\\\\""},
      {"C:\\nospace\\", "C:\\nospace\\"},
      {"a\\b", "a\\b"},
      {"QUJD+/==", "QUJD+/=="},
      {"Zordeló", "Zordeló"},
  };
  for (const auto& c : cases) {
    fuzz_seeds::keep_case("ZORDELO_CMDLINE_SEEDS", "quote", &c - cases, nul_separated({"prog", c.in}));
    EXPECT_EQ(cmdline::quote_argument(c.in), c.out) << c.in;
  }
}

TEST(CmdLine, BuildAndRaw) {
  EXPECT_EQ(cmdline::build("taskkill", {"/F", "/IM", "Zordelo.exe"}), "\"taskkill\" /F /IM Zordelo.exe");
  EXPECT_EQ(cmdline::build("reg", {}), "\"reg\"");
  EXPECT_EQ(cmdline::build_raw("cmd", "/C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q \"C:\\a b\""),
            "\"cmd\" /C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q \"C:\\a b\"");
}

TEST(CmdLine, SplitFollowsTheCRuntimeRules) {
  struct Case {
    const char* line;
    Args args;
  } cases[] = {
      {"setup.exe", {"setup.exe"}},
      {"", {""}},
      {"\"C:\\My Apps\\setup.exe\" --silent", {"C:\\My Apps\\setup.exe", "--silent"}},
      {"C:\\a\\\"b c\"\\setup.exe x", {"C:\\a\\b c\\setup.exe", "x"}},  // name: backslashes literal
      {"s --silent \"C:\\My Games\\\"", {"s", "--silent", "C:\\My Games\""}},
      {"s --silent \"C:\\My Games\\\" tail", {"s", "--silent", "C:\\My Games\" tail"}},
      {"s --silent \"\"", {"s", "--silent", ""}},
      {"s   a\t\tb   ", {"s", "a", "b"}},
      {"s a\\\\b", {"s", "a\\\\b"}},
      {"s a\\\\\"b c\"", {"s", "a\\b c"}},
      {"s a\\\\\\\"b", {"s", "a\\\"b"}},
      {"s \"a\"\"b\" c", {"s", "a\"b", "c"}},
      {"s \"a\"\"\"", {"s", "a\""}},
      {"s a\"b c\"d", {"s", "ab cd"}},
      {"s \"\"\"\"", {"s", "\""}},
  };
  for (const auto& c : cases) {
    fuzz_seeds::keep_case("ZORDELO_CMDLINE_SEEDS", "split", &c - cases, c.line);
    EXPECT_EQ(cmdline::split(c.line), c.args) << c.line;
  }
}

TEST(CmdLine, SplitUndoesBuildForEveryArgument) {
  const Args args = {"",        "plain",         "two words",          "tab\there", "q\"uote",         "\\\\\"",
                     "end\\\\", "wrapped end\\", "\"C:\\P F\\u.exe\"", "Zordeló",   "\xF0\x9F\x98\x80"};
  Args want = {"prog"};
  want.insert(want.end(), args.begin(), args.end());
  fuzz_seeds::keep("ZORDELO_CMDLINE_SEEDS", "round-trip", nul_separated(want));
  EXPECT_EQ(cmdline::split(cmdline::build("prog", args)), want);
}

}  // namespace
