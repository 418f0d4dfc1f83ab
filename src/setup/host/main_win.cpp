// The installer's entry: the silent mode (--silent [folder]) runs the install job here on the
// main thread and ends with 0 or 1; every other command line is the windowed installer.
#include <windows.h>

#include "common/cmdline.h"
#include "common/win_text_win.h"
#include "setup/engine/install_job_win.h"
#include "setup/host/graphical_start_win.h"
#include "setup/host/host_events_win.h"
#include "setup/host/install_location.h"
#include "setup/host/install_location_win.h"
#include "setup/host/page_calls_win.h"
#include "setup/host/setup_mode.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const SetupMode mode = choose_setup_mode(cmdline::split(from_wide(GetCommandLineW())));
  if (!mode.silent) graphical_start();

  InstallRequest request;
  request.location = normalise_install_location(mode.folder ? *mode.folder : default_install_location());
  // The progress reports need a queue to go to; it is never drained and dies with the process.
  // Without one (no window could be made) the reports are simply dropped.
  const EventLoopProxy proxy = create_host_event_queue([](std::string) {}).value_or(EventLoopProxy{});
  const InstallResult result =
      run_install_job(request, system_install_effects([proxy](uint32_t percent, const std::string& status) {
                        report_progress(proxy, percent, status);
                      }));
  ExitProcess(result.ok ? 0 : 1);
}
