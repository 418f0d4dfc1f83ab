#include "setup/webview/webview2_options_win.h"

#include <cstring>

#include "setup/webview/com_object_win.h"

namespace {

using webview2::ICoreWebView2EnvironmentOptions;

// NULL for an empty value, as the runtime reads "not set".
HRESULT copy_out(const std::wstring& value, LPWSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (value.empty()) return S_OK;
  const size_t bytes = (value.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy, value.c_str(), bytes);
  *out = copy;
  return S_OK;
}

struct EnvironmentOptions final : ComObject<EnvironmentOptions, ICoreWebView2EnvironmentOptions> {
  std::wstring arguments, language, target_version;
  BOOL single_sign_on = FALSE;

  HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
    return copy_out(arguments, value);
  }
  HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
    arguments = value ? value : L"";
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override { return copy_out(language, value); }
  HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override {
    language = value ? value : L"";
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
    return copy_out(target_version, value);
  }
  HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
    target_version = value ? value : L"";
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override {
    if (!allow) return E_POINTER;
    *allow = single_sign_on;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override {
    single_sign_on = allow;
    return S_OK;
  }
};

}  // namespace

std::wstring user_ui_language() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  const LCID lcid = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, LOCALE_ALLOW_NEUTRAL_NAMES) <= 0) return {};
  return name;
}

ICoreWebView2EnvironmentOptions* make_environment_options(const std::wstring& browser_arguments,
                                                          const std::wstring& language,
                                                          const std::wstring& target_version) {
  auto* options = new EnvironmentOptions;
  options->arguments = browser_arguments;
  options->language = language;
  options->target_version = target_version;
  return options;
}
