// Finds the WebView2 runtime library on this system: the fixed-version folder named by
// WEBVIEW2_BROWSER_EXECUTABLE_FOLDER when that is set, else the installed runtime registered
// under the EdgeUpdate client-state keys (32-bit registry view, HKLM then HKCU).
#pragma once

#include <optional>

#include "setup/webview/webview2_loader.h"

std::optional<webview2_loader::RuntimeLocation> locate_webview2_runtime();
