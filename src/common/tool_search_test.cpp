#include "common/tool_search.h"

#include <gtest/gtest.h>

namespace {

using List = std::vector<std::string>;

TEST(ToolSearch, OrderAndExeSuffix) {
  EXPECT_EQ(tool_candidates("reg", "Z:\\app", "C:\\windows\\system32", "C:\\windows", "Z:\\fake;;\"C:\\q d\";C:\\p\\"),
            (List{"Z:\\app\\reg.exe", "C:\\windows\\system32\\reg.exe", "C:\\windows\\reg.exe", "Z:\\fake\\reg.exe",
                  "C:\\q d\\reg.exe", "C:\\p\\reg.exe"}));
  EXPECT_EQ(tool_candidates("curl.exe", "A", "S", "W", ""), (List{"A\\curl.exe", "S\\curl.exe", "W\\curl.exe"}));
  EXPECT_EQ(tool_candidates("Tool.EXE", "A", "", "", ""), (List{"A\\Tool.EXE"}));
  EXPECT_EQ(tool_candidates("exe", "A", "", "", ""), (List{"A\\exe.exe"}));
}

TEST(ToolSearch, APathIsItsOwnOnlyCandidate) {
  EXPECT_EQ(tool_candidates("C:\\t\\MicrosoftEdgeWebview2Setup.exe", "A", "S", "W", "P"),
            (List{"C:\\t\\MicrosoftEdgeWebview2Setup.exe"}));
  EXPECT_EQ(tool_candidates("sub/x", "A", "S", "W", "P"), (List{"sub/x"}));
}

}  // namespace
