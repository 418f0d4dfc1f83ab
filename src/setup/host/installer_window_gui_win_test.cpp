// The installer window on a real (Xvfb) screen under Wine.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <ole2.h>

#include <string>

#include "common/console_tools_win.h"
#include "common/win_text_win.h"
#include "setup/host/installer_window_win.h"

namespace {

// The screen of wine-gui-run.sh: one monitor of 1280 x 1024 pixels at 96 DPI.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

int screen_dpi() {
  HDC screen = GetDC(nullptr);
  if (!screen) return 0;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

void pump_for(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  MSG msg;
  do {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  } while (GetTickCount64() < end);
}

struct Window {
  int close_requests = 0;
  HWND hwnd = nullptr;
  Window() {
    declare_dpi_awareness();
    const WindowOutcome made = create_installer_window([this] { ++close_requests; });
    EXPECT_TRUE(made.error.empty()) << made.error;
    hwnd = made.window;
    pump_for(50);
  }
  ~Window() {
    if (hwnd) DestroyWindow(hwnd);
  }
};

RECT window_rect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

TEST(InstallerWindow, VisibleTitledStyledSizedAndActivated) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  EXPECT_TRUE(IsWindowVisible(w.hwnd));
  wchar_t title[64] = {};
  GetWindowTextW(w.hwnd, title, 64);
  EXPECT_EQ(from_wide(title), "Zordeló telepítő");

  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(w.hwnd, GWL_STYLE));
  const DWORD wanted = WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_CHILD | WS_POPUP | WS_MAXIMIZE | WS_MINIMIZE), 0u);
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrW(w.hwnd, GWL_EXSTYLE));
  const DWORD wanted_ex = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES;
  EXPECT_EQ(ex_style & wanted_ex, wanted_ex);
  EXPECT_EQ(ex_style & (WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW), 0u);
  EXPECT_EQ(GetParent(w.hwnd), nullptr);
  EXPECT_EQ(GetMenu(w.hwnd), nullptr);
  EXPECT_EQ(GetClassLongPtrW(w.hwnd, GCLP_HICON), 0);
  EXPECT_EQ(SendMessageW(w.hwnd, WM_GETICON, ICON_BIG, 0), 0);

  // Outer size: the 820 x 540 content at 96 DPI plus the frame that the caption styles would
  // have under Wine: 3 pixels on each side and a 19-pixel caption, 826 x 565. The client area is
  // the whole window.
  ASSERT_EQ(screen_dpi(), 96);
  const RECT outer = window_rect(w.hwnd);
  EXPECT_EQ(outer.right - outer.left, 826);
  EXPECT_EQ(outer.bottom - outer.top, 565);
  RECT client{};
  GetClientRect(w.hwnd, &client);
  EXPECT_EQ(client.right, outer.right - outer.left);
  EXPECT_EQ(client.bottom, outer.bottom - outer.top);

  EXPECT_EQ(GetForegroundWindow(), w.hwnd);
  EXPECT_EQ(GetActiveWindow(), w.hwnd);
}

TEST(InstallerWindow, CentredOnTheWholeMonitorRectangle) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  ASSERT_TRUE(centre_window(w.hwnd));
  pump_for(50);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(w.hwnd, MONITOR_DEFAULTTONEAREST), &mi));
  const RECT screen{0, 0, kScreenWidth, kScreenHeight};
  ASSERT_TRUE(EqualRect(&mi.rcMonitor, &screen));
  // The 826 x 565 window on the 1280 x 1024 monitor: (1280 - 826) / 2 = 227 and
  // (1024 - 565) / 2 = 229 (459 / 2 truncated).
  const RECT r = window_rect(w.hwnd);
  EXPECT_EQ(r.left, 227);
  EXPECT_EQ(r.top, 229);
  EXPECT_EQ(r.right, 227 + 826);
  EXPECT_EQ(r.bottom, 229 + 565);
  EXPECT_NE(r.left, 0);  // it moved from wherever the system put it
  EXPECT_FALSE(IsZoomed(w.hwnd));
}

TEST(InstallerWindow, FramelessClientAreaAnswer) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  NCCALCSIZE_PARAMS params{};
  WINDOWPOS pos{};
  params.lppos = &pos;
  params.rgrc[0] = RECT{100, 200, 900, 800};
  params.rgrc[1] = RECT{90, 190, 890, 790};
  params.rgrc[2] = RECT{90, 190, 890, 790};
  EXPECT_EQ(SendMessageW(w.hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params)), 0);
  EXPECT_EQ(params.rgrc[0].left, 101);
  EXPECT_EQ(params.rgrc[0].top, 201);
  EXPECT_EQ(params.rgrc[0].right, 901);
  EXPECT_EQ(params.rgrc[0].bottom, 801);

  // Maximised: the client area is the monitor's work area.
  ShowWindow(w.hwnd, SW_MAXIMIZE);
  pump_for(50);
  ASSERT_TRUE(IsZoomed(w.hwnd));
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(w.hwnd, MONITOR_DEFAULTTONEAREST), &mi);
  params.rgrc[0] = RECT{-8, -8, 1288, 1032};
  EXPECT_EQ(SendMessageW(w.hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params)), 0);
  EXPECT_TRUE(EqualRect(&params.rgrc[0], &mi.rcWork));
  RECT client{};
  GetClientRect(w.hwnd, &client);
  EXPECT_EQ(client.right, mi.rcWork.right - mi.rcWork.left);
  EXPECT_EQ(client.bottom, mi.rcWork.bottom - mi.rcWork.top);
  ShowWindow(w.hwnd, SW_RESTORE);
}

TEST(InstallerWindow, CloseRequestsReachTheLoopAndNeverCloseTheWindow) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  PostMessageW(w.hwnd, WM_CLOSE, 0, 0);
  pump_for(30);
  EXPECT_EQ(w.close_requests, 1);
  SendMessageW(w.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4 and the taskbar's Close
  pump_for(30);
  EXPECT_EQ(w.close_requests, 2);
  EXPECT_TRUE(IsWindow(w.hwnd));
  EXPECT_TRUE(IsWindowVisible(w.hwnd));
}

TEST(InstallerWindow, MinimiseAndBeginDrag) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  centre_window(w.hwnd);
  pump_for(30);
  const RECT r = window_rect(w.hwnd);
  ASSERT_TRUE(SetCursorPos(r.left + 40, r.top + 10));
  POINT cursor{};
  GetCursorPos(&cursor);
  begin_drag(w.hwnd);
  // The posted press on the caption, taken off the queue before the system's move loop sees it.
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, w.hwnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(static_cast<SHORT>(LOWORD(msg.lParam)), cursor.x);
  EXPECT_EQ(static_cast<SHORT>(HIWORD(msg.lParam)), cursor.y);

  minimise_window(w.hwnd);
  pump_for(50);
  EXPECT_TRUE(IsIconic(w.hwnd));
  EXPECT_TRUE(IsWindow(w.hwnd));
}

TEST(InstallerWindow, RegisteredAsDropTargetWithOleInitialised) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  // A second registration is refused only because the window already has one.
  struct Dummy : IDropTarget {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** p) override {
      *p = this;
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
  } dummy;
  EXPECT_EQ(RegisterDragDrop(w.hwnd, &dummy), DRAGDROP_E_ALREADYREGISTERED);
  // The thread is a single-threaded apartment.
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  ASSERT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
  EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA);
  RevokeDragDrop(w.hwnd);
}

}  // namespace

namespace {

// A shortcut set to run maximised makes the first ShowWindow maximise the window; centring
// brings it back to its own size, centred, and not maximised.
TEST(InstallerWindow, CentringAWindowCreatedMaximisedRestoresItCentredAtItsSize) {
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight);
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  const RECT created = window_rect(w.hwnd);
  const LONG width = created.right - created.left;
  const LONG height = created.bottom - created.top;
  ASSERT_EQ(width, 826);
  ASSERT_EQ(height, 565);
  ShowWindow(w.hwnd, SW_MAXIMIZE);
  pump_for(50);
  ASSERT_TRUE(IsZoomed(w.hwnd));
  ASSERT_NE(window_rect(w.hwnd).right - window_rect(w.hwnd).left, width);

  ASSERT_TRUE(centre_window(w.hwnd));
  pump_for(50);
  EXPECT_FALSE(IsZoomed(w.hwnd));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(w.hwnd, GWL_STYLE)) & WS_MAXIMIZE, 0u);
  const RECT r = window_rect(w.hwnd);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
  EXPECT_EQ(r.left, 227);
  EXPECT_EQ(r.top, 229);
  // The whole window is client area again, not the maximised work area.
  RECT client{};
  GetClientRect(w.hwnd, &client);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
  // Restoring it later keeps the centred place.
  ShowWindow(w.hwnd, SW_MAXIMIZE);
  pump_for(50);
  ShowWindow(w.hwnd, SW_RESTORE);
  pump_for(50);
  EXPECT_EQ(window_rect(w.hwnd).left, r.left);
  EXPECT_EQ(window_rect(w.hwnd).top, r.top);
}

// Until the web view paints, the window shows its class background: #05070A, never white.
TEST(InstallerWindow, ClassPaintsThePageBackground) {
  Window w;
  ASSERT_NE(w.hwnd, nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(w.hwnd, GCLP_HBRBACKGROUND));
  ASSERT_NE(brush, nullptr);
  LOGBRUSH logical{};
  ASSERT_EQ(GetObjectW(brush, sizeof logical, &logical), static_cast<int>(sizeof logical));
  EXPECT_EQ(logical.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(logical.lbColor, RGB(0x05, 0x07, 0x0A));

  RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  pump_for(50);
  RECT client{};
  GetClientRect(w.hwnd, &client);
  HDC dc = GetDC(w.hwnd);
  ASSERT_NE(dc, nullptr);
  // The client area lies one pixel right of and below the window's own (the frame technique),
  // so its last column and row are outside the window.
  const POINT spots[] = {{0, 0}, {client.right / 2, client.bottom / 2}, {client.right - 2, client.bottom - 2}};
  for (const POINT& p : spots) EXPECT_EQ(GetPixel(dc, p.x, p.y), RGB(0x05, 0x07, 0x0A)) << p.x << "," << p.y;
  ReleaseDC(w.hwnd, dc);
}

// Wine shows one monitor here, so the second monitor of the maximised answer is shown through
// frameless_client_rect's lookup (installer_window_win_test.cpp); this checks the real lookup.
TEST(InstallerWindow, WorkAreaLookupTakesTheMonitorOfTheRectangle) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi));
  const RECT rects[] = {
      {100, 100, 900, 700},         // on the screen
      {-8, -8, 1288, 1032},         // a maximised window's proposed rectangle
      {5000, 100, 5800, 700},       // beyond the right edge: the nearest monitor
      {-3000, -3000, -2200, -2400}  // beyond the top left
  };
  for (const RECT& r : rects) {
    const std::optional<RECT> work = monitor_work_area(r);
    ASSERT_TRUE(work.has_value()) << r.left;
    EXPECT_TRUE(EqualRect(&*work, &mi.rcWork)) << r.left;
  }
}

// Wine takes the screen DPI from HKCU\Control Panel\Desktop\LogPixels when a process starts, so
// each DPI is shown by a probe process (installer_window_probe.exe, which opens the window as
// setup.exe does) started after the value was set in this run's own copy of the prefix. The
// content is 820 x 540 logical pixels at DPI / 96; the frame is 3 pixels on each side, and
// Wine's caption is 19, 24 and 28 pixels at 96, 120 and 144 DPI. Centred on 1280 x 1024 with the
// halves dropped.
TEST(InstallerWindow, SizedAndCentredForTheDpiItStartsWith) {
  struct Case {
    DWORD dpi;
    const char* line;
  } cases[] = {
      {96, "dpi=96 window=227,229 826x565 client=826x565"},      // 820 x 540 content
      {120, "dpi=120 window=124,159 1031x705 client=1031x705"},  // 1025 x 675 content
      {144, "dpi=144 window=22,90 1236x844 client=1236x844"},    // 1230 x 810 content
  };
  const std::string probe = from_wide(to_wide(ZORDELO_FIXTURE_DIR) + L"\\installer_window_probe.exe");
  for (const auto& c : cases) {
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &c.dpi, sizeof c.dpi),
        ERROR_SUCCESS);
    const std::optional<ToolResult> run = run_hidden(probe, {});
    ASSERT_TRUE(run.has_value()) << probe;
    EXPECT_EQ(run->exit_code, 0u) << run->err;
    EXPECT_EQ(run->out, c.line) << "LogPixels " << c.dpi;
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
}

}  // namespace
