#include "setup/engine/install_job.h"

#include "common/product.h"
#include "common/winpath.h"
#include "setup/engine/shortcuts.h"
#include "setup/engine/uninstall_entry.h"

std::string folder_failure_message(const std::string& io_error_text) {
  return "A mappa nem hozható létre: " + io_error_text;
}

InstallResult run_install_job(const InstallRequest& request, const InstallEffects& effects) {
  const std::string& location = request.location;
  effects.report(2, "Előkészítés…");
  effects.run_tool("taskkill", {"/F", "/IM", product::kGameExe});
  effects.sleep(500);
  if (const auto error = effects.make_folders(location)) return {false, folder_failure_message(*error)};
  const UnpackResult unpacked = effects.unpack(location, effects.report);
  if (!unpacked.ok) return {false, unpacked.error};
  effects.report(88, "Parancsikonok létrehozása…");
  const std::string game_exe = winpath::join(location, product::kGameExe);
  create_shortcuts(effects.run_tool, location, game_exe, request.desktop, request.start_menu);
  effects.report(94, "Regisztráció a Windowsban…");
  register_uninstall(effects.run_tool, location, game_exe, unpacked.total);
  effects.report(100, "Kész");
  return {true, {}};
}
