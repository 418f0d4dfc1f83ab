#include "setup/host/install_location_win.h"

#include <windows.h>

#include "setup/host/install_location.h"

std::optional<std::u16string> process_environment(std::u16string_view name) {
  const std::wstring wname(name.begin(), name.end());
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  for (;;) {
    if (size == 0) {
      // 0 is both "not set" and "set to the empty text".
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::u16string();
    }
    std::wstring buf(size, L'\0');
    SetLastError(ERROR_SUCCESS);
    const DWORD got = GetEnvironmentVariableW(wname.c_str(), buf.data(), size);
    if (got < size) {
      if (got == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::u16string(buf.begin(), buf.begin() + got);
    }
    size = got;  // it grew meanwhile
  }
}

std::string default_install_location() { return default_install_location(process_environment); }
