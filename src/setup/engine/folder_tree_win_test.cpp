#include "setup/engine/folder_tree_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/system_win.h"
#include "common/win_text_win.h"

namespace {

bool is_folder(const std::string& p) {
  const DWORD a = GetFileAttributesW(to_wide(p).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string scratch(const char* name) {
  const std::string base =
      from_wide(temp_folder()) + "zordelo-tree-" + std::to_string(GetCurrentProcessId()) + "-" + name;
  CreateDirectoryW(to_wide(base).c_str(), nullptr);
  return base;
}

void write_file(const std::string& path) {
  HANDLE h = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST(FolderTree, MakesEveryMissingLevelAndAcceptsWhatExists) {
  const std::string base = scratch("deep");
  for (const std::string path : {base + "\\a\\b c\\Játék\\Zordelo", base + "\\x/y\\\\z\\", base + "\\a"}) {
    EXPECT_EQ(create_folder_tree(path), std::nullopt) << path;
    EXPECT_TRUE(is_folder(path)) << path;
    EXPECT_EQ(create_folder_tree(path), std::nullopt) << "again: " << path;
  }
  EXPECT_EQ(create_folder_tree(""), std::nullopt);
}

TEST(FolderTree, RelativePathsAreTakenFromTheCurrentFolder) {
  const std::string base = scratch("rel");
  wchar_t old[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old);
  ASSERT_TRUE(SetCurrentDirectoryW(to_wide(base).c_str()));
  const auto result = create_folder_tree("r1\\Zordelo");
  SetCurrentDirectoryW(old);
  EXPECT_EQ(result, std::nullopt);
  EXPECT_TRUE(is_folder(base + "\\r1\\Zordelo"));
}

TEST(FolderTree, AFileInTheWayFailsWithItsErrorText) {
  const std::string base = scratch("file");
  write_file(base + "\\Zordelo");
  EXPECT_EQ(create_folder_tree(base + "\\Zordelo"), "File already exists. (os error 183)");
  // A file higher up: the step that meets it reports.
  const auto below = create_folder_tree(base + "\\Zordelo\\sub\\deeper");
  ASSERT_TRUE(below.has_value());
  EXPECT_TRUE(below->ends_with(")")) << *below;
  EXPECT_NE(below->find("(os error "), std::string::npos) << *below;
  EXPECT_FALSE(is_folder(base + "\\Zordelo\\sub"));
}

TEST(FolderTree, AMissingDriveFails) {
  // Find a drive letter that is not there.
  std::string drive;
  const DWORD present = GetLogicalDrives();
  for (char l = 'Y'; l > 'D'; --l)
    if (!(present & (1u << (l - 'A')))) {
      drive = std::string(1, l) + ":";
      break;
    }
  ASSERT_FALSE(drive.empty());
  const auto error = create_folder_tree(drive + "\\Games\\Zordelo");
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("(os error "), std::string::npos) << *error;
}

}  // namespace
