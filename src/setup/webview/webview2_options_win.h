// The web view environment's options object, which the runtime asks for its settings. It
// implements the base options interface only; for the later option interfaces it answers
// E_NOINTERFACE, so the runtime uses its own defaults there.
#pragma once

#include <string>

#include "setup/webview/webview2_abi_win.h"

// The browser arguments: Edge's own out-of-page UI, PDF UI and SmartScreen off; media may play
// without a user gesture.
inline constexpr wchar_t kWebViewBrowserArguments[] =
    L"--disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection --autoplay-policy=no-user-gesture-required";

// The SDK version the declared interfaces come from (Controller2 is the newest of them).
inline constexpr wchar_t kTargetCompatibleBrowserVersion[] = L"89.0.774.44";

// The locale name of the user's default UI language (neutral names allowed); empty when the
// system cannot name it.
std::wstring user_ui_language();

// A new options object with one reference, owned by the caller. An empty arguments or language
// text reads back as NULL (the runtime's default); the getters hand out CoTaskMemAlloc copies.
webview2::ICoreWebView2EnvironmentOptions* make_environment_options(const std::wstring& browser_arguments,
                                                                    const std::wstring& language,
                                                                    const std::wstring& target_version);
