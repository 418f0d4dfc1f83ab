// The uninstaller's whole sequence after it has found its install folder, with every effect on
// the system passed in, so that the order and the decisions can be checked without Windows.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct UninstallEffects {
  // Whether the install folder holds an entry named "Zordelo.exe" (file or folder, links followed).
  std::function<bool()> game_present;
  // The process's own command line, UTF-8.
  std::function<std::string()> command_line;
  // A Yes/No question box; true only when the user chose Yes.
  std::function<bool(std::string_view title, std::string_view text)> ask_yes_no;
  // An information box with one OK button; returns when it is closed.
  std::function<void(std::string_view title, std::string_view text)> inform;
  // A console tool run hidden and waited for; its outcome does not matter.
  std::function<void(std::string_view program, const std::vector<std::string>& args)> run_tool;
  // A PowerShell script run hidden and waited for; its outcome does not matter.
  std::function<void(std::string_view script)> run_script;
  // A console tool started hidden with a raw argument text and not waited for.
  std::function<void(std::string_view program, std::string_view raw)> start_raw;
};

enum class UninstallOutcome {
  NotInstallFolder,  // no Zordelo.exe beside the uninstaller: nothing done
  Declined,          // the user did not choose Yes: nothing done
  Removed,           // game stopped, entry and shortcuts removed, file removal started
};

// Guard, silent decision, confirmation, taskkill, reg delete of the uninstall entry, the
// shortcut-removal script, the completion box, and the start of the deferred removal of
// install_folder, in this order. The boxes are skipped when the command line holds "--silent".
UninstallOutcome run_uninstall(std::u16string_view install_folder, const UninstallEffects& fx);
