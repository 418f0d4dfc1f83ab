#include "uninstall/game_file_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/system_win.h"

namespace {

// A fresh empty folder in the temporary folder, removed with its content at the end.
struct ScratchFolder {
  std::wstring path;
  ScratchFolder() {
    path = temp_folder() + L"zordelo-guard-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64());
    CreateDirectoryW(path.c_str(), nullptr);
  }
  ~ScratchFolder() {
    // The tests make at most a few entries, one level deep.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring p = path + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(p.c_str());
        else
          DeleteFileW(p.c_str());
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
  }
  std::wstring at(const wchar_t* name) const { return path + L"\\" + name; }
};

bool write_file(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

TEST(GameFileGuard, FileOrFolderNamedZordeloExeCounts) {
  ScratchFolder dir;
  EXPECT_FALSE(game_file_present(dir.path));
  ASSERT_TRUE(write_file(dir.at(L"uninstall.exe")));
  ASSERT_TRUE(write_file(dir.at(L"Zordelo.exe.bak")));
  EXPECT_FALSE(game_file_present(dir.path));
  ASSERT_TRUE(write_file(dir.at(L"Zordelo.exe")));
  EXPECT_TRUE(game_file_present(dir.path));
  EXPECT_TRUE(game_file_present(dir.path + L"\\"));

  ScratchFolder other;
  ASSERT_TRUE(CreateDirectoryW(other.at(L"Zordelo.exe").c_str(), nullptr));
  EXPECT_TRUE(game_file_present(other.path));
}

TEST(GameFileGuard, AGameFileHeldOpenWithoutSharingStillCounts) {
  ScratchFolder dir;
  const HANDLE h = CreateFileW(dir.at(L"Zordelo.exe").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(game_file_present(dir.path));
  CloseHandle(h);
}

TEST(GameFileGuard, MissingFolderHasNoGame) {
  EXPECT_FALSE(game_file_present(temp_folder() + L"zordelo-no-such-folder-7d1f"));
}

}  // namespace
