#include "setup/webview/webview2_options_win.h"

#include <gtest/gtest.h>

#include <string>

#include "setup/webview/com_object_win.h"

namespace {

using namespace webview2;

// True when CoTaskMemAlloc's allocator owns p (the runtime frees what it gets with CoTaskMemFree).
bool task_allocated(void* p) {
  IMalloc* malloc = nullptr;
  if (FAILED(CoGetMalloc(1, &malloc))) return false;
  const int owned = malloc->DidAlloc(p);
  malloc->Release();
  return owned == 1;
}

// Reads a string property the way the runtime does: take the copy, free it.
std::wstring take(ICoreWebView2EnvironmentOptions* o,
                  HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*get)(LPWSTR*),
                  bool* was_null = nullptr) {
  LPWSTR s = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ((o->*get)(&s), S_OK);
  if (was_null) *was_null = s == nullptr;
  if (!s) return {};
  EXPECT_TRUE(task_allocated(s));
  std::wstring out(s);
  CoTaskMemFree(s);
  return out;
}

TEST(Webview2Options, ValuesAreHandedOutAsTaskMemoryCopies) {
  ComRef<ICoreWebView2EnvironmentOptions> o(
      make_environment_options(kWebViewBrowserArguments, L"hu-HU", kTargetCompatibleBrowserVersion));
  EXPECT_EQ(
      take(o.p, &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments),
      L"--disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection --autoplay-policy=no-user-gesture-required");
  EXPECT_EQ(take(o.p, &ICoreWebView2EnvironmentOptions::get_Language), L"hu-HU");
  EXPECT_EQ(take(o.p, &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion), L"89.0.774.44");
  // Each read is a fresh copy: reading twice after freeing gives the same text.
  EXPECT_EQ(take(o.p, &ICoreWebView2EnvironmentOptions::get_Language), L"hu-HU");
  BOOL sso = TRUE;
  EXPECT_EQ(o->get_AllowSingleSignOnUsingOSPrimaryAccount(&sso), S_OK);
  EXPECT_FALSE(sso);
  EXPECT_EQ(o->get_Language(nullptr), E_POINTER);
}

TEST(Webview2Options, EmptyValuesReadAsNullAndSettersWork) {
  ComRef<ICoreWebView2EnvironmentOptions> o(make_environment_options(L"", L"", kTargetCompatibleBrowserVersion));
  bool was_null = false;
  take(o.p, &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments, &was_null);
  EXPECT_TRUE(was_null);
  take(o.p, &ICoreWebView2EnvironmentOptions::get_Language, &was_null);
  EXPECT_TRUE(was_null);
  EXPECT_EQ(o->put_Language(L"de"), S_OK);
  EXPECT_EQ(take(o.p, &ICoreWebView2EnvironmentOptions::get_Language), L"de");
  EXPECT_EQ(o->put_AdditionalBrowserArguments(nullptr), S_OK);
  take(o.p, &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments, &was_null);
  EXPECT_TRUE(was_null);
  EXPECT_EQ(o->put_AllowSingleSignOnUsingOSPrimaryAccount(TRUE), S_OK);
  BOOL sso = FALSE;
  o->get_AllowSingleSignOnUsingOSPrimaryAccount(&sso);
  EXPECT_TRUE(sso);
}

TEST(Webview2Options, QueryInterfaceAndReferenceCounting) {
  ICoreWebView2EnvironmentOptions* o = make_environment_options(L"a", L"b", L"c");
  IUnknown* unknown = nullptr;
  ASSERT_EQ(o->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ICoreWebView2EnvironmentOptions* again = nullptr;
  ASSERT_EQ(o->QueryInterface(ICoreWebView2EnvironmentOptions::iid, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(again), unknown);  // one identity
  EXPECT_EQ(again, o);
  // 1 (made) + 2 (queries): AddRef and Release report the count.
  EXPECT_EQ(o->AddRef(), 4u);
  EXPECT_EQ(o->Release(), 3u);
  const GUID later[] = {kIidEnvironmentOptions2, kIidEnvironmentOptions3,      kIidEnvironmentOptions4,
                        kIidEnvironmentOptions5, kIidEnvironmentOptions6,      kIidEnvironmentOptions7,
                        kIidEnvironmentOptions8, ICoreWebView2Environment::iid};
  for (const GUID& iid : later) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(o->QueryInterface(iid, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
  }
  EXPECT_EQ(o->AddRef(), 4u);  // refusals took no reference
  EXPECT_EQ(o->Release(), 3u);
  EXPECT_EQ(o->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(unknown->Release(), 2u);
  EXPECT_EQ(again->Release(), 1u);
  EXPECT_EQ(o->Release(), 0u);  // gone
}

TEST(Webview2Options, UserInterfaceLanguageIsALocaleName) {
  const std::wstring language = user_ui_language();
  ASSERT_FALSE(language.empty());
  // The system converts it back to the same language.
  EXPECT_EQ(LANGIDFROMLCID(LocaleNameToLCID(language.c_str(), LOCALE_ALLOW_NEUTRAL_NAMES)), GetUserDefaultUILanguage())
      << std::string(language.begin(), language.end());
}

}  // namespace
