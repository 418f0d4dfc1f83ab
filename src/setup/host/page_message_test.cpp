#include "setup/host/page_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fuzz_seeds.h"

using namespace std::string_literals;

namespace {

struct Case {
  const char* name;
  std::string text;
  std::optional<PageMessage> expected;
};

PageMessage msg(PageCommand c, std::string dir = "", bool desktop = true, bool start = true) {
  return PageMessage{c, std::move(dir), desktop, start};
}

const char* command_name(PageCommand c) {
  switch (c) {
    case PageCommand::Drag:
      return "drag";
    case PageCommand::Min:
      return "min";
    case PageCommand::Close:
      return "close";
    case PageCommand::Browse:
      return "browse";
    case PageCommand::Install:
      return "install";
    case PageCommand::Launch:
      return "launch";
  }
  return "?";
}

std::string describe(const std::optional<PageMessage>& m) {
  if (!m) return "nothing";
  return std::string(command_name(m->command)) + " dir=[" + m->dir + "] desktop=" + (m->desktop ? "1" : "0") +
         " start=" + (m->start ? "1" : "0");
}

const std::vector<Case>& cases() {
  using C = PageCommand;
  static const std::vector<Case> all = {
      // The six commands as the page sends them.
      {"drag", R"({"cmd":"drag"})", msg(C::Drag)},
      {"min", R"({"cmd":"min"})", msg(C::Min)},
      {"close", R"({"cmd":"close"})", msg(C::Close)},
      {"browse", R"({"cmd":"browse"})", msg(C::Browse)},
      {"install full", R"({"cmd":"install","dir":"D:\\Games","desktop":false,"start":true})",
       msg(C::Install, "D:\\Games", false, true)},
      {"install start off", R"({"cmd":"install","dir":"x","desktop":true,"start":false})",
       msg(C::Install, "x", true, false)},
      {"launch", R"({"cmd":"launch","dir":"C:\\Users\\u\\Zordelo"})", msg(C::Launch, "C:\\Users\\u\\Zordelo")},

      // dir: a JSON string, else empty.
      {"install without dir", R"({"cmd":"install"})", msg(C::Install)},
      {"dir null", R"({"cmd":"install","dir":null})", msg(C::Install)},
      {"dir number", R"({"cmd":"install","dir":5})", msg(C::Install)},
      {"dir array", R"({"cmd":"launch","dir":["C:\\x"]})", msg(C::Launch)},
      {"dir object", R"({"cmd":"launch","dir":{"a":"b"}})", msg(C::Launch)},
      {"dir bool", R"({"cmd":"launch","dir":true})", msg(C::Launch)},
      {"dir kept untrimmed", R"({"cmd":"install","dir":"  D:\\Games  "})", msg(C::Install, "  D:\\Games  ")},
      {"dir escapes decoded", R"({"cmd":"install","dir":"C:\/J\u00e1t\u00e9k\t\""})", msg(C::Install, "C:/Játék\t\"")},
      {"dir raw UTF-8", "{\"cmd\":\"install\",\"dir\":\"D:\\\\Játékok\"}", msg(C::Install, "D:\\Játékok")},
      {"dir surrogate pair", R"({"cmd":"install","dir":"\ud83d\ude00"})", msg(C::Install, "\xF0\x9F\x98\x80")},
      {"dir embedded NUL", R"({"cmd":"install","dir":"a\u0000b"})", msg(C::Install, "a\0b"s)},

      // desktop/start: off only for a JSON false.
      {"desktop string false", R"({"cmd":"install","desktop":"false","start":"false"})", msg(C::Install)},
      {"desktop zero", R"({"cmd":"install","desktop":0,"start":0})", msg(C::Install)},
      {"desktop null", R"({"cmd":"install","desktop":null,"start":null})", msg(C::Install)},
      {"desktop true explicit", R"({"cmd":"install","desktop":true,"start":true})", msg(C::Install)},
      {"both false", R"({"cmd":"install","desktop":false,"start":false})", msg(C::Install, "", false, false)},
      {"flags read on launch too", R"({"cmd":"launch","desktop":false})", msg(C::Launch, "", false, true)},

      // Other fields are ignored; field order does not matter.
      {"extra fields", R"({"x":1,"cmd":"min","y":[1,2,{"z":null}]})", msg(C::Min)},
      {"cmd last", R"({"dir":"E:\\","start":false,"cmd":"install"})", msg(C::Install, "E:\\", true, false)},

      // cmd: whole string, same case.
      {"cmd other case", R"({"cmd":"Close"})", std::nullopt},
      {"cmd upper", R"({"cmd":"INSTALL"})", std::nullopt},
      {"cmd trailing blank", R"({"cmd":"close "})", std::nullopt},
      {"cmd leading blank", R"({"cmd":" close"})", std::nullopt},
      {"cmd prefix", R"({"cmd":"clos"})", std::nullopt},
      {"cmd longer", R"({"cmd":"closed"})", std::nullopt},
      {"cmd with NUL", R"({"cmd":"close\u0000"})", std::nullopt},
      {"cmd empty", R"({"cmd":""})", std::nullopt},
      {"cmd unknown", R"({"cmd":"maximize"})", std::nullopt},
      {"cmd missing", R"({"dir":"C:\\"})", std::nullopt},
      {"cmd number", R"({"cmd":1})", std::nullopt},
      {"cmd null", R"({"cmd":null})", std::nullopt},
      {"cmd array", R"({"cmd":["close"]})", std::nullopt},
      {"cmd object", R"({"cmd":{"cmd":"close"}})", std::nullopt},
      {"cmd key other case", R"({"CMD":"close"})", std::nullopt},

      // Not an object.
      {"null", "null", std::nullopt},
      {"number", "42", std::nullopt},
      {"bare string", R"("close")", std::nullopt},
      {"array", R"(["close"])", std::nullopt},
      {"array of object", R"([{"cmd":"close"}])", std::nullopt},
      {"true", "true", std::nullopt},
      {"empty text", "", std::nullopt},
      {"blanks only", " \t\r\n", std::nullopt},

      // Exactly one value; only space, tab, LF, CR around it.
      {"leading and trailing blanks", " \t\r\n{\"cmd\":\"close\"} \t\r\n", msg(C::Close)},
      {"blanks inside", "{ \"cmd\" :\n\"close\" }", msg(C::Close)},
      {"trailing character", R"({"cmd":"close"}x)", std::nullopt},
      {"trailing semicolon", R"({"cmd":"close"};)", std::nullopt},
      {"two values", R"({"cmd":"close"}{"cmd":"min"})", std::nullopt},
      {"two values with blank", R"({"cmd":"close"} {"cmd":"min"})", std::nullopt},
      {"trailing vertical tab", "{\"cmd\":\"close\"}\v", std::nullopt},
      {"trailing form feed", "{\"cmd\":\"close\"}\f", std::nullopt},
      {"trailing no-break space", "{\"cmd\":\"close\"}\xC2\xA0", std::nullopt},
      {"trailing NUL byte", "{\"cmd\":\"close\"}\0"s, std::nullopt},
      {"NUL byte after the value before garbage", "{\"cmd\":\"close\"}\0x"s, std::nullopt},
      {"NUL byte inside a string", "{\"cmd\":\"close\",\"dir\":\"a\0\"}"s, std::nullopt},
      {"leading byte order mark", "\xEF\xBB\xBF{\"cmd\":\"close\"}", std::nullopt},
      {"trailing comment", R"({"cmd":"close"}//x)", std::nullopt},
      {"leading comment", R"(/*x*/{"cmd":"close"})", std::nullopt},

      // Malformed JSON counts as null.
      {"unquoted key", R"({cmd:"close"})", std::nullopt},
      {"single quotes", R"({'cmd':'close'})", std::nullopt},
      {"trailing comma", R"({"cmd":"close",})", std::nullopt},
      {"unterminated", R"({"cmd":"close")", std::nullopt},
      {"lone surrogate escape", R"({"cmd":"install","dir":"\ud800"})", std::nullopt},
      {"invalid UTF-8 in string", "{\"cmd\":\"install\",\"dir\":\"\xFF\"}", std::nullopt},
      {"raw control in string", "{\"cmd\":\"install\",\"dir\":\"a\nb\"}", std::nullopt},
      {"number overflow elsewhere", R"({"cmd":"close","n":1e999})", std::nullopt},
  };
  return all;
}

TEST(PageMessage, ReadsEachCaseOfTheTable) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    fuzz_seeds::keep_case("ZORDELO_PAGE_MESSAGE_SEEDS", "table", &c - cases().data(), c.text);
    EXPECT_EQ(describe(read_page_message(c.text)), describe(c.expected));
  }
}

// A hostile page could post deeply nested JSON; it must be rejected (not an object with cmd)
// without exhausting the stack.
TEST(PageMessage, DeepNestingIsNothing) {
  const size_t depth = 200000;
  std::string nested(depth, '[');
  nested += std::string(depth, ']');
  EXPECT_FALSE(read_page_message(nested));
  std::string inside = "{\"cmd\":\"close\",\"x\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
  EXPECT_EQ(describe(read_page_message(inside)), describe(msg(PageCommand::Close)));
}

}  // namespace
