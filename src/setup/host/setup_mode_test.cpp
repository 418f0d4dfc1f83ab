#include "setup/host/setup_mode.h"

#include <gtest/gtest.h>

#include "common/cmdline.h"

namespace {

// The whole path from the process's command line to the mode.
TEST(SetupMode, ChosenFromTheSplitCommandLine) {
  struct Case {
    const char* line;
    bool silent;
    const char* folder;  // nullptr: none
  } cases[] = {
      {"setup.exe", false, nullptr},
      {"\"C:\\My Downloads\\setup.exe\" --silent", true, nullptr},
      {"setup.exe --silent D:\\Games", true, "D:\\Games"},
      {"setup.exe --silent D:\\Games extra more", true, "D:\\Games"},
      {"setup.exe   --silent\t\"D:\\My Games\"  ", true, "D:\\My Games"},
      {"setup.exe --silent \"\"", true, ""},
      {"setup.exe --silent \"\" D:\\x", true, ""},
      {"setup.exe --silent \"C:\\My Games\\\"", true, "C:\\My Games\""},
      {"setup.exe --silent \"C:\\My Games\\\" tail", true, "C:\\My Games\" tail"},
      {"setup.exe --silent C:\\My\\ Games\\", true, "C:\\My\\"},
      {"setup.exe --silent \"D:\\Játékok\\Zordeló\"", true, "D:\\Játékok\\Zordeló"},
      {"setup.exe \"--silent\"", true, nullptr},
      {"setup.exe --SILENT", false, nullptr},
      {"setup.exe /silent", false, nullptr},
      {"setup.exe -silent", false, nullptr},
      {"setup.exe --silent=1", false, nullptr},
      {"setup.exe \" --silent\"", false, nullptr},
      {"setup.exe x --silent", false, nullptr},
      {"setup.exe \"\" --silent", false, nullptr},
      {"\"--silent\"", false, nullptr},  // that is the program name
      {"", false, nullptr},
  };
  for (const auto& c : cases) {
    const SetupMode m = choose_setup_mode(cmdline::split(c.line));
    EXPECT_EQ(m.silent, c.silent) << c.line;
    EXPECT_EQ(m.folder.has_value(), c.folder != nullptr) << c.line;
    if (c.folder && m.folder) {
      EXPECT_EQ(*m.folder, c.folder) << c.line;
    }
  }
}

}  // namespace
