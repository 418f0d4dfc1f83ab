#include "setup/uninstall_entry_win.h"

#include "common/console_tools_win.h"
#include "setup/uninstall_entry.h"

void register_uninstall(std::string_view location, std::string_view game_exe, uint64_t total_size) {
  for (const auto& args : uninstall_entry_arguments(location, game_exe, total_size)) run_hidden("reg", args);
}
