#include "setup/host/page_action.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string describe(const std::optional<PageAction>& a) {
  if (!a) return "ignored";
  switch (a->kind) {
    case PageActionKind::BeginDrag:
      return "drag";
    case PageActionKind::Minimise:
      return "minimise";
    case PageActionKind::Quit:
      return "quit";
    case PageActionKind::Browse:
      return "browse";
    case PageActionKind::StartInstall:
      return "install [" + a->install.location + "] desktop=" + (a->install.desktop ? "1" : "0") +
             " start=" + (a->install.start_menu ? "1" : "0");
    case PageActionKind::FailInstall:
      return "fail install, os error " + std::to_string(a->os_error);
    case PageActionKind::LaunchGame:
      return "launch [" + a->game_folder + "] then quit";
  }
  return "?";
}

TEST(PageAction, EachMessageAsTheHostCarriesItOut) {
  const struct {
    const char* name;
    std::string text;
    std::string expected;
  } cases[] = {
      {"drag", R"({"cmd":"drag"})", "drag"},
      {"min", R"({"cmd":"min"})", "minimise"},
      {"close", R"({"cmd":"close"})", "quit"},
      {"browse", R"({"cmd":"browse"})", "browse"},
      {"install as the page sends it", R"({"cmd":"install","dir":"D:\\Games","desktop":false,"start":true})",
       "install [D:\\Games\\Zordelo] desktop=0 start=1"},
      {"install trims and keeps a product folder", R"({"cmd":"install","dir":"  E:\\x\\zordelo  ","start":false})",
       "install [E:\\x\\zordelo] desktop=1 start=0"},
      {"install without dir", R"({"cmd":"install"})", "install [Zordelo] desktop=1 start=1"},
      {"install with a string false", R"({"cmd":"install","dir":"C:\\G","desktop":"false"})",
       "install [C:\\G\\Zordelo] desktop=1 start=1"},
      {"launch keeps dir exactly", R"({"cmd":"launch","dir":"  C:\\Launch Here "})",
       "launch [  C:\\Launch Here ] then quit"},
      {"launch without dir", R"({"cmd":"launch"})", "launch [] then quit"},
      {"unknown command", R"({"cmd":"Close"})", "ignored"},
      {"malformed", R"({"cmd":"close"}x)", "ignored"},
  };
  for (const auto& c : cases) EXPECT_EQ(describe(decide_page_action(c.text)), c.expected) << c.name;
}

// Windows would end each of these folders at the U+0000: the install would go to, and the game
// start from, the part before it ("C:\Zordelo\..\..\Windows" becomes "C:\Zordelo").
TEST(PageAction, AFolderWithUPlus0000NeverReachesWindows) {
  const struct {
    const char* name;
    std::string text;
    std::string expected;
  } cases[] = {
      {"install, NUL inside", R"({"cmd":"install","dir":"a\u0000b","desktop":true,"start":true})",
       "fail install, os error 123"},
      {"install, NUL alone", R"({"cmd":"install","dir":"\u0000"})", "fail install, os error 123"},
      {"install, NUL at the end", R"({"cmd":"install","dir":"C:\\Games\u0000"})", "fail install, os error 123"},
      {"install, NUL at the start", R"({"cmd":"install","dir":"\u0000C:\\Games"})", "fail install, os error 123"},
      {"install, NUL hiding a path", R"({"cmd":"install","dir":"C:\\Zordelo\u0000\\..\\..\\Windows"})",
       "fail install, os error 123"},
      {"install, NUL between blanks that trimming would drop", R"({"cmd":"install","dir":"  \u0000  "})",
       "fail install, os error 123"},
      {"install, NUL with both shortcuts off", R"({"cmd":"install","dir":"D:\\\u0000","desktop":false,"start":false})",
       "fail install, os error 123"},
      {"launch, NUL hiding another program", R"({"cmd":"launch","dir":"C:\\Tools\\other.exe\u0000\\x"})", "quit"},
      {"launch, NUL alone", R"({"cmd":"launch","dir":"\u0000"})", "quit"},
      {"launch, NUL at the end", R"({"cmd":"launch","dir":"C:\\Games\\Zordelo\u0000"})", "quit"},
      // Commands that take no folder are not affected by one.
      {"close with such a dir", R"({"cmd":"close","dir":"a\u0000b"})", "quit"},
      {"drag with such a dir", R"({"cmd":"drag","dir":"a\u0000b"})", "drag"},
      {"browse with such a dir", R"({"cmd":"browse","dir":"\u0000"})", "browse"},
      // Other control characters reach Windows whole; Windows itself refuses them.
      {"install, U+0001", R"({"cmd":"install","dir":"C:\\a\u0001b"})",
       "install [C:\\a\x01"
       "b\\Zordelo] desktop=1 start=1"},
      {"launch, U+0001", R"({"cmd":"launch","dir":"C:\\a\u0001b"})",
       "launch [C:\\a\x01"
       "b] then quit"},
  };
  for (const auto& c : cases) EXPECT_EQ(describe(decide_page_action(c.text)), c.expected) << c.name;
}

}  // namespace
