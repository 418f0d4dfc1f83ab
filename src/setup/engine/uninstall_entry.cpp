#include "setup/engine/uninstall_entry.h"

#include "common/product.h"
#include "common/winpath.h"

std::vector<std::vector<std::string>> uninstall_entry_arguments(std::string_view location, std::string_view game_exe,
                                                                uint64_t total_size) {
  std::string uninstaller = "\"";
  uninstaller += winpath::join(location, product::kUninstallerExe);
  uninstaller += '"';
  const struct {
    const char* name;
    const char* type;
    std::string data;
  } values[] = {
      {"DisplayName", "REG_SZ", product::kDisplayName},
      {"DisplayVersion", "REG_SZ", product::kVersion},
      {"Publisher", "REG_SZ", product::kPublisher},
      {"DisplayIcon", "REG_SZ", std::string(game_exe)},
      {"InstallLocation", "REG_SZ", std::string(location)},
      {"UninstallString", "REG_SZ", uninstaller},
      {"EstimatedSize", "REG_DWORD", std::to_string(total_size / 1024)},
      {"NoModify", "REG_DWORD", "1"},
      {"NoRepair", "REG_DWORD", "1"},
  };
  std::vector<std::vector<std::string>> out;
  for (const auto& v : values)
    out.push_back({"add", product::kUninstallKey, "/v", v.name, "/t", v.type, "/d", v.data, "/f"});
  return out;
}

void register_uninstall(const ToolRunner& run, std::string_view location, std::string_view game_exe,
                        uint64_t total_size) {
  for (const auto& args : uninstall_entry_arguments(location, game_exe, total_size)) run("reg", args);
}
