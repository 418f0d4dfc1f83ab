// The installer's entry: the silent mode (--silent [folder]) runs the install job here on the
// main thread and ends with 0 or 1; every other command line is the windowed installer.
#include <windows.h>

#include "common/cmdline.h"
#include "common/system_win.h"
#include "common/win_text_win.h"
#include "setup/engine/install_job_win.h"
#include "setup/host/graphical_start_win.h"
#include "setup/host/install_location.h"
#include "setup/host/install_location_win.h"
#include "setup/host/setup_mode.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  fail_without_system_error_boxes();
  const SetupMode mode = choose_setup_mode(cmdline::split(from_wide(GetCommandLineW())));
  if (!mode.silent) graphical_start();

  InstallRequest request;
  request.location = normalise_install_location(mode.folder ? *mode.folder : default_install_location());
  // Nobody sees the progress of a silent install: the reports are dropped as they come.
  const InstallResult result = run_install_job(request, system_install_effects([](uint32_t, const std::string&) {}));
  ExitProcess(result.ok ? 0 : 1);
}
