#include "setup/webview/webview2_loader.h"

#include "common/winpath.h"

namespace webview2_loader {

std::string client_state_key(const Channel& channel) {
  return std::string("Software\\Microsoft\\EdgeUpdate\\ClientState\\") + channel.client_guid;
}

std::optional<Version> parse_version(std::string_view text) {
  Version v{};
  size_t part = 0;
  size_t i = 0;
  while (true) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    uint64_t n = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      n = n * 10 + static_cast<uint64_t>(text[i] - '0');
      if (n > 0xFFFFFFFFu) return std::nullopt;
      ++i;
    }
    v[part++] = static_cast<uint32_t>(n);
    if (part == 4) return i == text.size() ? std::optional<Version>(v) : std::nullopt;
    if (i >= text.size() || text[i] != '.') return std::nullopt;
    ++i;
  }
}

int compare_versions(const Version& a, const Version& b) {
  for (size_t i = 0; i < 4; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

std::string runtime_dll_path(std::string_view version_folder) {
  return winpath::join(version_folder, "EBWebView\\x64\\EmbeddedBrowserWebView.dll");
}

std::optional<RuntimeLocation> find_installed_runtime(const LookupPorts& ports) {
  for (const Channel& channel : kChannels) {
    const std::string key = client_state_key(channel);
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
      const std::optional<std::string> folder = ports.read_version_folder(hive, key);
      if (!folder || folder->empty()) continue;
      const std::optional<std::string_view> last = winpath::last_component(*folder);
      if (!last) continue;
      const std::optional<Version> version = parse_version(*last);
      if (!version || compare_versions(*version, kMinimumVersion) < 0) continue;
      std::string dll = runtime_dll_path(*folder);
      if (!ports.file_exists(dll)) continue;
      return RuntimeLocation{std::move(dll), RuntimeKind::Installed};
    }
  }
  return std::nullopt;
}

std::optional<RuntimeLocation> fixed_version_runtime(std::string_view folder, std::string_view exe_folder) {
  if (folder.empty()) return std::nullopt;
  const auto parts = winpath::components(folder);
  const bool anchored =
      !parts.empty() && (parts[0].kind == winpath::Kind::Prefix || parts[0].kind == winpath::Kind::Root);
  const std::string full = anchored ? std::string(folder) : winpath::join(exe_folder, folder);
  return RuntimeLocation{runtime_dll_path(full), RuntimeKind::FixedVersion};
}

}  // namespace webview2_loader
