#include "common/system_win.h"

#include <windows.h>

#include "common/io_error.h"
#include "common/win_text_win.h"

std::string io_error_text(uint32_t code) {
  wchar_t* buf = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string message = n && buf ? from_wide(std::wstring_view(buf, n)) : std::string();
  if (buf) LocalFree(buf);
  return io_error_frame(message, code);
}

std::wstring temp_folder() {
  using GetTempPath2W_t = DWORD(WINAPI*)(DWORD, LPWSTR);
  auto get = reinterpret_cast<GetTempPath2W_t>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
  wchar_t buf[MAX_PATH + 2];
  const DWORD n = get ? get(MAX_PATH + 2, buf) : GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) return {};
  return std::wstring(buf, n);
}

std::optional<std::wstring> own_exe_path() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::nullopt;
    // A truncated name fills the buffer (and Wine does not terminate it): grow and retry.
    if (n < buf.size()) return buf.substr(0, n);
    if (buf.size() >= 32768) return std::nullopt;
    buf.resize(buf.size() * 2);
  }
}

void fail_without_system_error_boxes() {
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}
