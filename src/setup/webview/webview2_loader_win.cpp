#include "setup/webview/webview2_loader_win.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/system_win.h"
#include "common/win_text_win.h"

namespace {

using webview2_loader::Hive;

std::optional<std::wstring> environment_variable(const wchar_t* name) {
  std::vector<wchar_t> buf(32768);
  SetLastError(ERROR_SUCCESS);
  const DWORD n = GetEnvironmentVariableW(name, buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  if (n >= buf.size()) return std::nullopt;
  return std::wstring(buf.data(), n);
}

std::optional<std::string> read_version_folder(Hive hive, const std::string& key) {
  HKEY root = hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, to_wide(key).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &h) != ERROR_SUCCESS)
    return std::nullopt;
  const std::wstring name = to_wide(webview2_loader::kVersionFolderValue);
  std::optional<std::string> result;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ) {
    std::vector<wchar_t> buf(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>((buf.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      std::wstring value(buf.data(), bytes / sizeof(wchar_t));
      while (!value.empty() && value.back() == L'\0') value.pop_back();  // stored with or without its NUL
      result = from_wide(value);
    }
  }
  RegCloseKey(h);
  return result;
}

bool file_exists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string own_folder() {
  const std::optional<std::wstring> exe = own_exe_path();
  if (!exe) return {};
  const size_t cut = exe->find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::string() : from_wide(exe->substr(0, cut));
}

}  // namespace

std::optional<webview2_loader::RuntimeLocation> locate_webview2_runtime() {
  const std::optional<std::wstring> fixed = environment_variable(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
  if (fixed && !fixed->empty()) return webview2_loader::fixed_version_runtime(from_wide(*fixed), own_folder());
  return webview2_loader::find_installed_runtime({read_version_folder, file_exists});
}
