// The fixed product values shared by setup.exe and uninstall.exe.
#pragma once

namespace product {

inline constexpr const char* kDisplayName = "Zordeló";
inline constexpr const char* kFolderName = "Zordelo";
inline constexpr const char* kGameExe = "Zordelo.exe";
inline constexpr const char* kUninstallerExe = "uninstall.exe";
inline constexpr const char* kVersion = "0.1.0";
inline constexpr const char* kPublisher = "Morvik";
inline constexpr const char* kInstallerTitle = "Zordeló telepítő";
inline constexpr const char* kUninstallKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zordelo";

}  // namespace product
