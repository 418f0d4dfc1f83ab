#include "setup/shortcuts_win.h"

#include "common/console_tools_win.h"
#include "setup/shortcuts.h"

void create_shortcuts(std::string_view location, std::string_view game_exe, bool desktop, bool start_menu) {
  run_powershell(fill_shortcut_script(location, game_exe, desktop, start_menu));
}
