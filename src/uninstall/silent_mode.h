// The uninstaller's one command-line switch.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// True when any argument, the program name included, is exactly "--silent" (same letter case).
bool silent_requested(const std::vector<std::string>& args);

// The same for a whole command line, split by the C runtime rules.
bool silent_command_line(std::string_view command_line);
