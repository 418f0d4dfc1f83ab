// The uninstall entry under HKCU, written value by value with reg add.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/engine/tool_runner.h"

// The nine argument lists for reg, in writing order: DisplayName, DisplayVersion, Publisher,
// DisplayIcon (the game executable path), InstallLocation, UninstallString (the quoted path of
// uninstall.exe in the location), EstimatedSize (total / 1024, rounded down), NoModify and
// NoRepair (both 1). Each is: add <key> /v <name> /t <type> /d <data> /f.
std::vector<std::vector<std::string>> uninstall_entry_arguments(std::string_view location, std::string_view game_exe,
                                                                uint64_t total_size);

// Runs reg once per value, in order, whatever each run gives.
void register_uninstall(const ToolRunner& run, std::string_view location, std::string_view game_exe,
                        uint64_t total_size);
