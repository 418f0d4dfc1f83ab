// The desktop and Start-menu shortcuts, made by PowerShell through WScript.Shell.
#pragma once

#include <string>
#include <string_view>

#include "setup/engine/tool_runner.h"

// The one-line shortcut script: its {0} and {2} become $true/$false from the two flags, {1}
// the display name, {3} the game executable path and {4} the install location, each path with
// its single-quote characters doubled so that it stays one PowerShell single-quoted string.
std::string fill_shortcut_script(std::string_view location, std::string_view game_exe, bool desktop, bool start_menu);

// Runs the filled script as powershell -NoProfile -ExecutionPolicy Bypass -EncodedCommand ...
// through run and waits; whatever PowerShell does is not looked at.
void create_shortcuts(const ToolRunner& run, std::string_view location, std::string_view game_exe, bool desktop,
                      bool start_menu);
