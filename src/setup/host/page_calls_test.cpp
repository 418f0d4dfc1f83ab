#include "setup/host/page_calls.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace {

TEST(PageCalls, EachCallHasItsExactText) {
  EXPECT_EQ(progress_call(85, "Fájlok másolása…"), "progress(85,\"Fájlok másolása…\")");
  EXPECT_EQ(progress_call(0, ""), "progress(0,\"\")");
  EXPECT_EQ(progress_call(4294967295u, "x"), "progress(4294967295,\"x\")");
  EXPECT_EQ(done_call("C:\\Games\\Zordelo"), "done(\"C:\\\\Games\\\\Zordelo\")");
  EXPECT_EQ(set_dir_call("D:\\Zordelo"), "setDir(\"D:\\\\Zordelo\")");
  EXPECT_EQ(fail_call("A mappa nem hozható létre: Access denied. (os error 5)"),
            "fail(\"A mappa nem hozható létre: Access denied. (os error 5)\")");
}

TEST(PageCalls, TextArgumentsReachThePageUnchanged) {
  struct Case {
    std::string in, literal;
  } cases[] = {
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\b", "\"a\\\\b\""},
      {"line\nbreak\r\ttab\bback\fform", "\"line\\nbreak\\r\\ttab\\bback\\fform\""},
      {"\x1B[0m", "\"\\u001b[0m\""},
      {std::string("nul\0x", 5), "\"nul\\u0000x\""},
      {"\x01\x1F", "\"\\u0001\\u001f\""},
      {"a/b \x7F \xE2\x80\xA8 \xE2\x80\xA9", "\"a/b \x7F \xE2\x80\xA8 \xE2\x80\xA9\""},
      {"Előkészítés…", "\"Előkészítés…\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fail_call(c.in), "fail(" + c.literal + ")") << c.in;
    EXPECT_EQ(progress_call(7, c.in), "progress(7," + c.literal + ")") << c.in;
  }
}

TEST(PageCalls, EveryControlCharacterIsEscaped) {
  for (int c = 0; c < 0x20; ++c) {
    const std::string call = done_call(std::string(1, static_cast<char>(c)));
    const char* named = c == 8 ? "\\b" : c == 9 ? "\\t" : c == 10 ? "\\n" : c == 12 ? "\\f" : c == 13 ? "\\r" : nullptr;
    char hex[8];
    snprintf(hex, sizeof hex, "\\u%04x", c);
    EXPECT_EQ(call, std::string("done(\"") + (named ? named : hex) + "\")") << c;
  }
}

TEST(PageCalls, APathWithAnUnpairedSurrogateArrivesWithTheReplacementCharacter) {
  const std::u16string path = u"C:\\x\xD800y";
  EXPECT_EQ(set_dir_call(text::utf16_to_utf8(path)), "setDir(\"C:\\\\x\xEF\xBF\xBDy\")");
}

}  // namespace
