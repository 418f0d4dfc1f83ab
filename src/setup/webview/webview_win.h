// The installer's one web view: a WebView2 controller inside the installer window, showing the
// page from its text, with the page-message bridge and the message route to the host.
//
// Everything here runs on the window's thread, which must be a single-threaded apartment with a
// message loop: WebView2 delivers completions and page messages through that loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

struct WebView;  // opaque; lives until the process ends

// Called on the window's thread for every page message that arrives as a text, in order.
using PageMessageHandler = std::function<void(const std::string& text_utf8)>;

// view is set on success; otherwise error holds the runtime's failure (HRESULT and step).
struct WebViewOutcome {
  WebView* view = nullptr;
  std::string error;
};

// Finds and starts the WebView2 runtime, creates the web view as a child of window covering its
// client area with the opaque background colour (r, g, b), applies the settings (status bar off,
// context menu on, zoom off, developer tools off, browser keys and external drops off where the
// runtime has them), locks the web view to the page (its own load goes ahead, every later
// top-frame navigation is cancelled, no new window opens), registers the page-message bridge
// script and the message route to on_message, and starts loading page_html_utf8. Blocks while
// pumping the thread's messages until the web view exists and the page load has been started.
WebViewOutcome create_webview(HWND window, const std::wstring& user_data_folder, const std::string& page_html_utf8,
                              uint8_t r, uint8_t g, uint8_t b, PageMessageHandler on_message);

// Starts the evaluation of a script in the page's main frame and returns at once; the result
// and any failure are ignored.
void evaluate_script(WebView* view, const std::string& script_utf8);

// For the window layer: the web view's rectangle within its parent's client area; pass the
// keyboard focus into the page; tell the web view that its parent window has moved.
void set_webview_bounds(WebView* view, const RECT& bounds);
void focus_webview(WebView* view);
void notify_webview_moved(WebView* view);
