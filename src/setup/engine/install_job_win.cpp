#include "setup/engine/install_job_win.h"

#include <windows.h>

#include <utility>

#include "common/console_tools_win.h"
#include "setup/engine/folder_tree_win.h"
#include "setup/engine/unpack_payload_win.h"

InstallEffects system_install_effects(ProgressSink report) {
  InstallEffects fx;
  fx.run_tool = [](const std::string& program, const std::vector<std::string>& args) -> std::optional<uint32_t> {
    const auto result = run_hidden(program, args);
    if (!result) return std::nullopt;
    return result->exit_code;
  };
  fx.sleep = [](uint32_t ms) { Sleep(ms); };
  fx.make_folders = create_folder_tree;
  fx.unpack = unpack_payload;
  fx.report = std::move(report);
  return fx;
}
