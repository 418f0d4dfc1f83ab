// The installer's frameless top-level window: attributes, sizing by the primary monitor's DPI,
// centring, the window operations the page asks for, and the link to the web view inside it.
// All functions run on the main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "setup/webview/webview_win.h"

inline constexpr wchar_t kInstallerWindowClass[] = L"ZordeloSetupWindow";
inline constexpr DWORD kInstallerWindowStyle =
    WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr DWORD kInstallerWindowExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES;

// #05070A: the colour the window class paints and the web view shows before the page has
// painted, so the window never shows white or stale pixels while the web view starts.
struct BackgroundColour {
  uint8_t r, g, b;
};
inline constexpr BackgroundColour kBackground{0x05, 0x07, 0x0A};

// Declares the process aware of each monitor's DPI, taking the first level the system offers:
// per-monitor v2, per-monitor v1 (same call), SetProcessDpiAwareness, SetProcessDPIAware. All
// looked up at run time.
void declare_dpi_awareness();

// Which step of the chain took effect, for tests. The pointers stand for the system functions
// (null = not present); see declare_dpi_awareness.
enum class DpiAwarenessStep { PerMonitorV2, PerMonitorV1, ShcorePerMonitor, SystemAware, None };
struct DpiAwarenessApi {
  BOOL(WINAPI* set_context)(HANDLE) = nullptr;    // SetProcessDpiAwarenessContext
  HRESULT(WINAPI* set_awareness)(int) = nullptr;  // SetProcessDpiAwareness (shcore)
  BOOL(WINAPI* set_aware)() = nullptr;            // SetProcessDPIAware
};
DpiAwarenessApi system_dpi_awareness_api();
DpiAwarenessStep declare_dpi_awareness_with(const DpiAwarenessApi& api);

// window set on success; otherwise error holds the system's error text.
struct WindowOutcome {
  HWND window = nullptr;
  std::string error;
};

// Initialises OLE on the calling thread (single-threaded apartment), creates the window with its
// styles and the size for 820 x 540 logical pixels at the primary monitor's scale, registers it
// as a drop target (drops are ignored), and shows and activates it. The system's close request
// calls on_close_request and never destroys the window. Any failure, OLE and drop registration
// included, is an error.
WindowOutcome create_installer_window(std::function<void()> on_close_request);

// Centres the window on the whole rectangle of the monitor that holds it (or the nearest one),
// at its own size and not maximised: a window that starts maximised (a shortcut set to run
// maximised) is first restored to its size. False when the monitor's or the window's
// rectangle cannot be read.
bool centre_window(HWND window);

// The work area (the monitor without the taskbar) of the monitor that a window rectangle lies
// on: the one it overlaps most, else the nearest. None when it cannot be read.
using WorkAreaLookup = std::optional<RECT> (*)(const RECT& window);
std::optional<RECT> monitor_work_area(const RECT& window);

// The window's answer to WM_NCCALCSIZE for the proposed window rectangle: the whole window is
// client area, shifted by one pixel right and down; a maximised window instead takes the work
// area that work_area_of gives for the proposed rectangle (which, when maximising onto another
// monitor, lies on that monitor), and the shifted rectangle when there is none.
RECT frameless_client_rect(const RECT& proposed, bool maximised, WorkAreaLookup work_area_of);

// From now on the web view follows the client area (size and DPI changes), hears of moves, and
// receives the keyboard focus whenever the window gets it. The bounds are set at once.
void attach_webview(HWND window, WebView* view);

// Starts moving the window with the mouse, as a press on a caption would; failures are ignored.
void begin_drag(HWND window);

// Minimises the window.
void minimise_window(HWND window);
