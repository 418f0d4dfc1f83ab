// The folder picker behind the page's "Tallózás" button.
#pragma once

#include <optional>
#include <string>

#include "setup/host/host_events_win.h"

// Shows the system's folder picker (common item dialog, pick-folders mode)
// titled title, with no owner window, no initial folder and no filters, inside
// a single-threaded COM apartment that lasts as long as the dialog. The chosen
// folder's file-system path; none when the user cancels or the dialog cannot be
// shown or yields no file-system path.
std::optional<std::wstring> pick_folder(const std::wstring& title);

// The browse worker, run on its own thread: picks a folder titled "Telepítési
// hely" and posts the setDir call with the normalised pick through proxy; posts
// nothing when nothing was picked.
void run_browse_worker(const EventLoopProxy& proxy);
