#include "setup/engine/file_sink_win.h"

#include <windows.h>

#include <algorithm>

#include "common/system_win.h"
#include "common/win_text_win.h"
#include "setup/engine/open_retry.h"

namespace {

constexpr DWORD kRefusingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A read-only file cannot be opened for writing, and CREATE_ALWAYS of a hidden or system file
// fails with ERROR_ACCESS_DENIED; the file is written anew with ordinary attributes anyway.
void clear_refusing_attributes(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !(attributes & kRefusingAttributes))
    return;
  const DWORD kept = attributes & ~kRefusingAttributes;
  SetFileAttributesW(path.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
}

FileOpenResult create_or_truncate(const std::string& path) {
  const std::wstring wide = to_wide(path);
  clear_refusing_attributes(wide);
  const ULONGLONG first_attempt = GetTickCount64();
  for (;;) {
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return {true, reinterpret_cast<uintptr_t>(h), {}};
    const DWORD error = GetLastError();
    if (!retry_open(error, GetTickCount64() - first_attempt)) return {false, 0, io_error_text(error)};
    Sleep(kOpenRetryPauseMs);
  }
}

FileWriteResult write(uintptr_t file, std::span<const uint8_t> bytes) {
  DWORD written = 0;
  const DWORD n = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
  if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes.data(), n, &written, nullptr))
    return {0, io_error_text(GetLastError())};
  return {written, {}};
}

void close(uintptr_t file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

std::optional<uint64_t> free_space(const std::string& folder) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(to_wide(folder).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

uint64_t existing_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(to_wide(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace

FileSinkOps win32_file_sink() {
  return {create_or_truncate, write, close, free_space, existing_size, io_error_text(ERROR_DISK_FULL)};
}
