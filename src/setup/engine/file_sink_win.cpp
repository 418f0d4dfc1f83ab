#include "setup/engine/file_sink_win.h"

#include <windows.h>

#include <algorithm>

#include "common/system_win.h"
#include "common/win_text_win.h"

namespace {

FileOpenResult create_or_truncate(const std::string& path) {
  const HANDLE h =
      CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {false, 0, io_error_text(GetLastError())};
  return {true, reinterpret_cast<uintptr_t>(h), {}};
}

FileWriteResult write(uintptr_t file, std::span<const uint8_t> bytes) {
  DWORD written = 0;
  const DWORD n = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
  if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes.data(), n, &written, nullptr))
    return {0, io_error_text(GetLastError())};
  return {written, {}};
}

void close(uintptr_t file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

}  // namespace

FileSinkOps win32_file_sink() { return {create_or_truncate, write, close}; }
