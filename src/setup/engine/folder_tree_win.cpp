#include "setup/engine/folder_tree_win.h"

#include <windows.h>

#include "common/system_win.h"
#include "common/win_text_win.h"
#include "setup/engine/folder_tree.h"

namespace {

bool is_folder(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// 0 when the folder was made or is there already, else the Windows error code.
DWORD make_one(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  const DWORD error = GetLastError();
  return is_folder(path) ? 0 : error;
}

}  // namespace

std::optional<std::string> create_folder_tree(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const std::wstring wide = to_wide(path);
  DWORD error = make_one(wide);
  if (error == 0) return std::nullopt;
  if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND) return io_error_text(error);
  const auto parent = parent_folder(path);
  if (!parent) return io_error_text(error);
  if (auto parent_error = create_folder_tree(*parent)) return parent_error;
  error = make_one(wide);
  if (error == 0) return std::nullopt;
  return io_error_text(error);
}
