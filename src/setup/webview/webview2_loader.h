// Finding the WebView2 runtime library without the SDK's loader: the installed (Evergreen)
// runtime through the EdgeUpdate client-state keys, or a fixed-version runtime folder. The
// system access is passed in, so the decisions are plain functions.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace webview2_loader {

using Version = std::array<uint32_t, 4>;

// The oldest runtime the declared interfaces work with.
inline constexpr Version kMinimumVersion{86, 0, 616, 0};

// Runtime channels, most stable first; the browser's own stable channel is not a runtime.
struct Channel {
  const char* name;
  const char* client_guid;
};
inline constexpr std::array<Channel, 4> kChannels{{
    {"stable", "{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"},
    {"beta", "{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}"},
    {"dev", "{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}"},
    {"canary", "{65C35B14-6C1D-4122-AC46-7148CC9D6497}"},
}};

// The registry value naming a channel's runtime version folder, and its key (opened in the
// 32-bit registry view) under HKLM, then HKCU.
inline constexpr char kVersionFolderValue[] = "EBWebView";
std::string client_state_key(const Channel& channel);

enum class Hive { LocalMachine, CurrentUser };

// Runtime kinds as the runtime library's creation export numbers them.
enum class RuntimeKind : int { Installed = 0, FixedVersion = 1 };

struct RuntimeLocation {
  std::string dll_path;  // ...\EBWebView\x64\EmbeddedBrowserWebView.dll
  RuntimeKind kind = RuntimeKind::Installed;
};

// "a.b.c.d" with four decimal parts, each fitting 32 bits; anything else is none.
std::optional<Version> parse_version(std::string_view text);

// -1, 0 or 1.
int compare_versions(const Version& a, const Version& b);

// The x64 runtime library inside a runtime version folder (or fixed-version folder).
std::string runtime_dll_path(std::string_view version_folder);

struct LookupPorts {
  // The REG_SZ value EBWebView under client_state_key(channel) in the hive; none when absent.
  std::function<std::optional<std::string>(Hive, const std::string& key)> read_version_folder;
  std::function<bool(const std::string& path)> file_exists;
};

// The first usable installed runtime: channels in order, for each HKLM then HKCU; a location is
// skipped when its value is missing or empty, its last component is not a version at least
// kMinimumVersion, or the library file is absent.
std::optional<RuntimeLocation> find_installed_runtime(const LookupPorts& ports);

// The runtime of a fixed-version folder (the value of WEBVIEW2_BROWSER_EXECUTABLE_FOLDER); a
// relative folder is taken from the program's own folder. None for an empty folder.
std::optional<RuntimeLocation> fixed_version_runtime(std::string_view folder, std::string_view exe_folder);

}  // namespace webview2_loader
