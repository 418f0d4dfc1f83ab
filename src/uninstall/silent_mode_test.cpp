#include "uninstall/silent_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(SilentMode, OnlyTheExactArgumentAnywhereCounts) {
  struct Case {
    const char* line;
    bool silent;
  } cases[] = {
      {R"("Z:\x\uninstall.exe")", false},
      {R"("Z:\x\uninstall.exe" --silent)", true},
      {R"(uninstall.exe a --silent b)", true},
      {"uninstall.exe\t--silent", true},
      {R"(uninstall.exe "--silent")", true},
      {R"(uninstall.exe --sil"ent")", true},
      // The program name counts too.
      {"--silent", true},
      {R"("--silent" x)", true},
      // Other spellings are ignored.
      {R"(uninstall.exe --SILENT)", false},
      {R"(uninstall.exe --Silent)", false},
      {R"(uninstall.exe /silent)", false},
      {R"(uninstall.exe -silent)", false},
      {R"(uninstall.exe --silent=1)", false},
      {R"(uninstall.exe x--silent)", false},
      {R"(uninstall.exe "--silent ")", false},
      {R"(uninstall.exe "a --silent")", false},
      {R"(uninstall.exe \"--silent\")", false},
      {R"("C:\Program Files\--silent")", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(silent_command_line(c.line), c.silent) << c.line;
}

TEST(SilentMode, OverArgumentLists) {
  EXPECT_TRUE(silent_requested({"--silent"}));
  EXPECT_TRUE(silent_requested({"u.exe", "x", "--silent"}));
  EXPECT_FALSE(silent_requested({}));
  EXPECT_FALSE(silent_requested({"u.exe", "--silent\n"}));
}

}  // namespace
