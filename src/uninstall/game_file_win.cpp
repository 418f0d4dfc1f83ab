#include "uninstall/game_file_win.h"

#include <windows.h>

#include "common/product.h"
#include "common/win_text_win.h"

bool game_file_present(const std::wstring& folder) {
  // Joined on wide text so that a folder name with an unpaired surrogate stays the same folder.
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/' && !(path.size() == 2 && path[1] == L':'))
    path += L'\\';
  path += to_wide(product::kGameExe);
  // Opening without any access right and with backup semantics reaches files and folders
  // alike and follows links to their target.
  const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return true;
  }
  // Held open without sharing: it is there all the same.
  return GetLastError() == ERROR_SHARING_VIOLATION;
}
