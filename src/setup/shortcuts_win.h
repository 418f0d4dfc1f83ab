// The shortcuts made for real: the shortcut script run by powershell, hidden.
#pragma once

#include <string_view>

// Fills the shortcut script and runs it with run_powershell; waits, reports nothing.
void create_shortcuts(std::string_view location, std::string_view game_exe, bool desktop, bool start_menu);
