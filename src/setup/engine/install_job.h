// One installation from start to end: stop a running game, make the folder, unpack the
// payload with progress, make the shortcuts, write the uninstall entry. Everything it does to
// the system goes through the effects it is given, so the same steps run for real on Windows
// and against recorders in tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "setup/engine/progress.h"
#include "setup/engine/tool_runner.h"

struct InstallRequest {
  std::string location;  // already normalised; used unchanged, also when relative
  bool desktop = false;
  bool start_menu = false;
};

struct InstallEffects {
  ToolRunner run_tool;  // blocks until the tool has ended
  std::function<void(uint32_t ms)> sleep;
  // Makes the folder and every missing one above it; an existing folder and the empty text
  // are success. The I/O error text on failure.
  std::function<std::optional<std::string>(const std::string& path)> make_folders;
  std::function<UnpackResult(const std::string& location, const ProgressSink& progress)> unpack;
  ProgressSink report;  // never blocks; a dropped report is of no concern
};

struct InstallResult {
  bool ok = false;
  std::string error;  // the one message the page shows when !ok
};

// The one message of a folder that cannot be made: "A mappa nem hozható létre: " and the I/O
// error text.
std::string folder_failure_message(const std::string& io_error_text);

// Reports 2 "Előkészítés…", runs taskkill /F /IM Zordelo.exe, pauses 500 ms, makes the
// folder ("A mappa nem hozható létre: <I/O error text>" on failure), unpacks (the unpacker's
// message on failure; it reports the 5..85 band), reports 88 and makes the shortcuts, reports
// 94 and writes the uninstall entry, reports 100 "Kész". Only the folder and the unpacking can
// fail; nothing is undone after a failure.
InstallResult run_install_job(const InstallRequest& request, const InstallEffects& effects);
