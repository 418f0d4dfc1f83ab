#include "common/tool_search.h"

#include <gtest/gtest.h>

namespace {

using List = std::vector<std::string>;

TEST(ToolSearch, SystemThenWindowsThenPathWithExeAppended) {
  struct Case {
    const char* program;
    const char* system_dir;
    const char* windows_dir;
    const char* path;
    List want;
  } cases[] = {
      {"reg",
       "C:\\windows\\system32",
       "C:\\windows",
       "Z:\\fake;;\"C:\\q d\";C:\\p\\",
       {"C:\\windows\\system32\\reg.exe", "C:\\windows\\reg.exe", "Z:\\fake\\reg.exe", "C:\\q d\\reg.exe",
        "C:\\p\\reg.exe"}},
      {"curl.exe", "S:\\", "W:\\", "", {"S:\\curl.exe", "W:\\curl.exe"}},
      {"Tool.EXE", "S:\\sys", "", "", {"S:\\sys\\Tool.EXE"}},
      {"exe", "S:\\sys", "", "", {"S:\\sys\\exe.exe"}},
      {"powershell",
       "",
       "",
       "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\",
       {"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe"}},
      {"cmd", "", "", "\\\\server\\tools;//host/share", {"\\\\server\\tools\\cmd.exe", "//host/share\\cmd.exe"}},
      // Entries that would be looked up from the current folder are skipped.
      {"taskkill", "", "", ".;..\\bin;bin;C:tools;\\rooted;\"\";D:/ok", {"D:/ok\\taskkill.exe"}},
      {"reg", "", "", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " / " + c.path);
    EXPECT_EQ(tool_candidates(c.program, c.system_dir, c.windows_dir, c.path), c.want);
  }
}

TEST(ToolSearch, APathIsItsOwnOnlyCandidate) {
  EXPECT_EQ(tool_candidates("C:\\t\\MicrosoftEdgeWebview2Setup.exe", "S:\\", "W:\\", "P:\\"),
            (List{"C:\\t\\MicrosoftEdgeWebview2Setup.exe"}));
  EXPECT_EQ(tool_candidates("sub/x", "S:\\", "W:\\", "P:\\"), (List{"sub/x"}));
}

}  // namespace
