#include "setup/engine/folder_tree.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderTree, ParentFolderByTheWindowsRules) {
  struct Case {
    const char* path;
    const char* parent;  // nullptr: none
  } cases[] = {
      {"C:\\a\\b", "C:\\a"},
      {"C:\\a\\b\\", "C:\\a"},
      {"C:\\a\\\\b", "C:\\a"},
      {"C:/a/b", "C:/a"},
      {"C:\\a", "C:\\"},
      {"C:a", "C:"},
      {"C:\\", nullptr},
      {"C:", nullptr},
      {"\\", nullptr},
      {"", nullptr},
      {"\\a", "\\"},
      {"a", ""},
      {"a\\b", "a"},
      {"..\\a", ".."},
      {"a\\..", "a"},
      {"\\\\srv\\share", nullptr},
      {"\\\\srv\\share\\", nullptr},
      {"\\\\srv\\share\\x", "\\\\srv\\share\\"},
      {"\\\\?\\C:\\a\\b", "\\\\?\\C:\\a"},
      {"C:\\Users\\Kiss Béla\\Zordelo", "C:\\Users\\Kiss Béla"},
  };
  for (const auto& c : cases) {
    const auto p = parent_folder(c.path);
    if (c.parent) {
      ASSERT_TRUE(p.has_value()) << c.path;
      EXPECT_EQ(*p, c.parent) << c.path;
    } else {
      EXPECT_FALSE(p.has_value()) << c.path << " -> " << p.value_or("");
    }
  }
}

}  // namespace
