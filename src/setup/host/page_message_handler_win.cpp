#include "setup/host/page_message_handler_win.h"

#include <system_error>
#include <thread>

#include "common/cmdline.h"
#include "common/process_start_win.h"
#include "common/product.h"
#include "common/system_win.h"
#include "common/win_text_win.h"
#include "common/winpath.h"
#include "setup/engine/install_job_win.h"
#include "setup/host/browse_worker_win.h"
#include "setup/host/fatal_error_win.h"
#include "setup/host/installer_window_win.h"
#include "setup/host/page_action.h"
#include "setup/host/page_calls_win.h"

static_assert(kInvalidNameError == ERROR_INVALID_NAME);

namespace {

// Workers are detached: the process ends without waiting for them.
void start_worker(std::function<void()> work) {
  try {
    std::thread(std::move(work)).detach();
  } catch (const std::system_error& e) {
    fatal_error("szál", e.what());
  }
}

void run_install_thread(const InstallRequest& request, const EventLoopProxy& proxy) {
  const InstallResult result =
      run_install_job(request, system_install_effects([proxy](uint32_t percent, const std::string& status) {
                        report_progress(proxy, percent, status);
                      }));
  if (result.ok)
    report_done(proxy, request.location);
  else
    report_failure(proxy, result.error);
}

}  // namespace

bool launch_game(const std::string& dir) {
  const std::wstring program = to_wide(winpath::join(dir, product::kGameExe));
  std::wstring command_line = to_wide(cmdline::quote_argument(winpath::join(dir, product::kGameExe)));
  const std::wstring folder = to_wide(dir);

  // The game outlives the installer: it gets the three standard handles and nothing else.
  const HANDLE in = inheritable_std_handle(STD_INPUT_HANDLE), out = inheritable_std_handle(STD_OUTPUT_HANDLE),
               err = inheritable_std_handle(STD_ERROR_HANDLE);
  const auto started = start_with_std_handles(program, std::move(command_line), 0, folder.c_str(), in, out, err);
  for (HANDLE h : {in, out, err})
    if (h) CloseHandle(h);
  if (!started) return false;
  CloseHandle(started->hThread);
  CloseHandle(started->hProcess);
  return true;
}

PageMessageHandler make_page_message_handler(EventLoopProxy proxy, HWND window) {
  return [proxy, window](const std::string& text) {
    const std::optional<PageAction> action = decide_page_action(text);
    if (!action) return;
    switch (action->kind) {
      case PageActionKind::BeginDrag:
        begin_drag(window);
        break;
      case PageActionKind::Minimise:
        minimise_window(window);
        break;
      case PageActionKind::Quit:
        post_quit(proxy);
        break;
      case PageActionKind::Browse:
        start_worker([proxy] { run_browse_worker(proxy); });
        break;
      case PageActionKind::StartInstall:
        start_worker([request = action->install, proxy] { run_install_thread(request, proxy); });
        break;
      case PageActionKind::FailInstall:
        report_failure(proxy, folder_failure_message(io_error_text(action->os_error)));
        break;
      case PageActionKind::LaunchGame:
        launch_game(action->game_folder);  // a failed start is of no concern: the
                                           // installer ends anyway
        post_quit(proxy);
        break;
    }
  };
}
