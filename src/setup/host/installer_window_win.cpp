#include "setup/host/installer_window_win.h"

#include <ole2.h>
#include <windows.h>

#include <cstdio>

#include "common/product.h"
#include "common/system_win.h"
#include "common/win_text_win.h"
#include "setup/host/window_geometry.h"
#include "setup/webview/com_object_win.h"

namespace {

struct WindowState {
  std::function<void()> on_close_request;
  WebView* view = nullptr;
};

WindowState* state_of(HWND window) { return reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// A function of a system DLL, looked up at run time (older systems lack some). The DLL is taken
// from the system folder only: a DLL of that name in the installer's own folder (a download
// folder) must never be loaded.
template <class Fn>
Fn system_function(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (!module) module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Accepts no drop: files dropped on the window are of no use to the installer.
struct IgnoringDropTarget final : ComObject<IgnoringDropTarget, IDropTarget> {
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override { return refuse(effect); }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return refuse(effect); }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override { return refuse(effect); }
  static HRESULT refuse(DWORD* effect) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
};

void fit_webview(HWND window) {
  WindowState* state = state_of(window);
  if (!state || !state->view || IsIconic(window)) return;
  RECT client{};
  if (GetClientRect(window, &client)) set_webview_bounds(state->view, client);
}

LRESULT CALLBACK installer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_NCCALCSIZE:
      // The whole window is client area: no frame and no title bar, although the caption styles
      // stay for the system's minimise and maximise. A maximised window keeps the taskbar free.
      if (wparam) {
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam);
        params->rgrc[0] = frameless_client_rect(params->rgrc[0], IsZoomed(window), monitor_work_area);
        return 0;
      }
      break;
    case WM_CLOSE:
      // The system's close request goes to the event loop; the window never closes by itself.
      if (WindowState* state = state_of(window); state && state->on_close_request) state->on_close_request();
      return 0;
    case WM_SIZE:
      fit_webview(window);
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      fit_webview(window);
      return 0;
    }
    case WM_MOVE:
      if (WindowState* state = state_of(window); state && state->view) notify_webview_moved(state->view);
      return 0;
    case WM_SETFOCUS:
      if (WindowState* state = state_of(window); state && state->view) focus_webview(state->view);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

std::string hresult_error(const char* step, HRESULT hr) {
  char text[120];
  std::snprintf(text, sizeof text, "%s failed (HRESULT 0x%08lX)", step, static_cast<unsigned long>(hr));
  return text;
}

// The DPI of the monitor that holds the screen point (0, 0); 0 when it cannot be read.
uint32_t primary_monitor_dpi() {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  const auto get_dpi = system_function<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  UINT x = 0, y = 0;
  if (!get_dpi || !monitor || FAILED(get_dpi(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y))) return 0;
  return x;
}

}  // namespace

DpiAwarenessApi system_dpi_awareness_api() {
  DpiAwarenessApi api;
  api.set_context = system_function<decltype(api.set_context)>(L"user32.dll", "SetProcessDpiAwarenessContext");
  api.set_awareness = system_function<decltype(api.set_awareness)>(L"shcore.dll", "SetProcessDpiAwareness");
  api.set_aware = system_function<decltype(api.set_aware)>(L"user32.dll", "SetProcessDPIAware");
  return api;
}

DpiAwarenessStep declare_dpi_awareness_with(const DpiAwarenessApi& api) {
  if (api.set_context) {
    if (api.set_context(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4))))  // per-monitor aware v2
      return DpiAwarenessStep::PerMonitorV2;
    if (api.set_context(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3))))  // per-monitor aware
      return DpiAwarenessStep::PerMonitorV1;
    return DpiAwarenessStep::None;
  }
  if (api.set_awareness) {
    return SUCCEEDED(api.set_awareness(2 /* PROCESS_PER_MONITOR_DPI_AWARE */)) ? DpiAwarenessStep::ShcorePerMonitor
                                                                               : DpiAwarenessStep::None;
  }
  if (api.set_aware) return api.set_aware() ? DpiAwarenessStep::SystemAware : DpiAwarenessStep::None;
  return DpiAwarenessStep::None;
}

void declare_dpi_awareness() { declare_dpi_awareness_with(system_dpi_awareness_api()); }

std::optional<RECT> monitor_work_area(const RECT& window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor)) return std::nullopt;
  return monitor.rcWork;
}

RECT frameless_client_rect(const RECT& proposed, bool maximised, WorkAreaLookup work_area_of) {
  if (maximised)
    if (const std::optional<RECT> work = work_area_of(proposed)) return *work;
  return RECT{proposed.left + 1, proposed.top + 1, proposed.right + 1, proposed.bottom + 1};
}

WindowOutcome create_installer_window(std::function<void()> on_close_request) {
  if (HRESULT hr = OleInitialize(nullptr); FAILED(hr)) return {nullptr, hresult_error("OleInitialize", hr)};

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = installer_window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // Erased in the page's background colour until the web view covers the window; the class
  // owns the brush for the life of the process.
  wc.hbrBackground = CreateSolidBrush(RGB(kBackground.r, kBackground.g, kBackground.b));
  wc.lpszClassName = kInstallerWindowClass;
  if (!RegisterClassExW(&wc)) {
    const DWORD error = GetLastError();
    DeleteObject(wc.hbrBackground);  // an earlier registration of the class holds its own
    if (error != ERROR_CLASS_ALREADY_EXISTS) return {nullptr, io_error_text(error)};
  }

  const auto content = window_geometry::content_size(window_geometry::scale_for_dpi(primary_monitor_dpi()));
  RECT outer{0, 0, content.width, content.height};
  if (!AdjustWindowRectEx(&outer, kInstallerWindowStyle, FALSE, kInstallerWindowExStyle))
    return {nullptr, io_error_text(GetLastError())};

  auto* state = new WindowState{std::move(on_close_request), nullptr};  // lives as long as the window
  HWND window =
      CreateWindowExW(kInstallerWindowExStyle, kInstallerWindowClass, to_wide(product::kInstallerTitle).c_str(),
                      kInstallerWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                      outer.bottom - outer.top, nullptr, nullptr, instance, state);
  if (!window) {
    const DWORD error = GetLastError();
    delete state;
    return {nullptr, io_error_text(error)};
  }

  // The system asks for the client area with a non-zero first parameter only from now on (the
  // creation's own request has none): have it asked once, so the frame goes before the window shows.
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  ComRef<IgnoringDropTarget> drop_target(new IgnoringDropTarget);
  if (HRESULT hr = RegisterDragDrop(window, drop_target.p); FAILED(hr))
    return {nullptr, hresult_error("RegisterDragDrop", hr)};

  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  UpdateWindow(window);
  return {window, {}};
}

bool centre_window(HWND window) {
  // Not maximised, at its own size: restored first, so the size read below is its own.
  if (IsZoomed(window)) ShowWindow(window, SW_SHOWNOACTIVATE);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT outer{};
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) || !GetWindowRect(window, &outer))
    return false;
  const RECT& m = monitor.rcMonitor;
  const auto origin = window_geometry::centred_origin(m.left, m.top, m.right - m.left, m.bottom - m.top,
                                                      {outer.right - outer.left, outer.bottom - outer.top});
  SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0,
               SWP_ASYNCWINDOWPOS | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

void attach_webview(HWND window, WebView* view) {
  WindowState* state = state_of(window);
  if (!state) return;
  state->view = view;
  fit_webview(window);
  if (GetFocus() == window) focus_webview(view);
}

void begin_drag(HWND window) {
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return;
  if (!ReleaseCapture()) return;
  PostMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION,
               MAKELPARAM(static_cast<SHORT>(cursor.x), static_cast<SHORT>(cursor.y)));
}

void minimise_window(HWND window) { ShowWindow(window, SW_MINIMIZE); }
