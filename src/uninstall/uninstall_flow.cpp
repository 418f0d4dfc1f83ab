#include "uninstall/uninstall_flow.h"

#include "common/product.h"
#include "uninstall/self_removal.h"
#include "uninstall/silent_mode.h"
#include "uninstall/uninstall_texts.h"

UninstallOutcome run_uninstall(std::u16string_view install_folder, const UninstallEffects& fx) {
  // Only a folder that holds the game is treated as an install folder: an uninstaller copied
  // anywhere else must not delete what lies beside it.
  if (!fx.game_present()) return UninstallOutcome::NotInstallFolder;

  const bool silent = silent_command_line(fx.command_line());
  if (!silent && !fx.ask_yes_no(uninstall_texts::kTitle, uninstall_texts::kConfirm)) return UninstallOutcome::Declined;

  // The game goes first, so that neither its file nor its folder is held open by it.
  fx.run_tool("taskkill", {"/F", "/IM", product::kGameExe});
  fx.run_tool("reg", {"delete", product::kUninstallKey, "/f"});
  fx.run_script(uninstall_texts::kShortcutRemovalScript);

  // Shown while the files still exist: the removal only starts once the box is closed.
  if (!silent) fx.inform(uninstall_texts::kTitle, uninstall_texts::kDone);

  fx.start_raw("cmd", self_removal_command(install_folder));
  return UninstallOutcome::Removed;
}
