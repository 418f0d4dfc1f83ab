#include "setup/host/graphical_start_win.h"

#include <windows.h>

#include <deque>

#include "common/product.h"
#include "common/system_win.h"
#include "common/temp_path_win.h"
#include "setup/host/fatal_error_win.h"
#include "setup/host/host_events_win.h"
#include "setup/host/install_location_win.h"
#include "setup/host/installer_window_win.h"
#include "setup/host/main_event_loop.h"
#include "setup/host/page_assets_win.h"
#include "setup/host/page_message_handler_win.h"
#include "setup/host/page_template.h"
#include "setup/webview/webview2_provisioning_win.h"
#include "setup/webview/webview_win.h"

namespace {

// The main event loop's state on the main thread. Events that arrive while the
// window and the web view are still being built (the web view's creation pumps
// messages) wait until the loop runs, and are then handled first, in order.
struct MainLoop {
  LoopState state;
  WebView* view = nullptr;
  bool running = false;
  std::deque<LoopEvent> early;
};

MainLoop& main_loop() {
  static MainLoop loop;
  return loop;
}

// Ends the process outright with code. A browse or install worker may still run
// and may hold a lock of the C runtime or the loader at that moment; ExitProcess
// would stop it and then run the DLL detach and runtime clean-up, which can wait
// on such a lock for ever. Nothing of ours is buffered: the install job writes
// its files with WriteFile directly.
[[noreturn]] void end_process(UINT code) {
  TerminateProcess(GetCurrentProcess(), code);
  ExitProcess(code);  // not reached: ending the own process does not return
}

void handle(const LoopEvent& event) {
  MainLoop& loop = main_loop();
  if (!loop.running) {
    loop.early.push_back(event);
    return;
  }
  if (const std::optional<std::string> script = handle_loop_event(loop.state, event)) {
    evaluate_script(loop.view, *script);
    return;
  }
  // Ended: the process ends at once, without waiting for worker threads.
  if (loop.state.exit_code) end_process(static_cast<UINT>(*loop.state.exit_code));
}

[[noreturn]] void run_main_loop(WebView* view) {
  MainLoop& loop = main_loop();
  loop.view = view;
  loop.running = true;
  while (!loop.early.empty()) {
    const LoopEvent event = std::move(loop.early.front());
    loop.early.pop_front();
    handle(event);
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // Nothing of ours posts WM_QUIT; should the thread's queue end anyway, the
  // installer ends as after a close request.
  end_process(0);
}

}  // namespace

void graphical_start() {
  ensure_webview2_runtime();

  declare_dpi_awareness();
  const std::optional<EventLoopProxy> proxy = create_host_event_queue([](std::string text) {
    handle({LoopEvent::Kind::HostEvent, std::move(text)});
  });
  if (!proxy) fatal_error("ablak", io_error_text(GetLastError()));

  const WindowOutcome window = create_installer_window([] { handle({LoopEvent::Kind::CloseRequest, ""}); });
  if (!window.window) fatal_error("ablak", window.error);
  if (!centre_window(window.window)) fatal_error("ablak", io_error_text(GetLastError()));

  const std::string page = fill_page_template(page_template_text(), hero_image_bytes(), default_install_location());
  const std::wstring data_folder = temp_path("ZordeloSetup-wv");

  const WebViewOutcome webview = create_webview(window.window, data_folder, page, kBackground.r, kBackground.g,
                                                kBackground.b, make_page_message_handler(*proxy, window.window));
  if (!webview.view) fatal_error("webview", webview.error);
  attach_webview(window.window, webview.view);

  run_main_loop(webview.view);
}
