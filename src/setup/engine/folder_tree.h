// Path arithmetic for making a folder together with the missing folders above it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The folder that holds path's last component, by the Windows rules: "C:\a\b\" -> "C:\a",
// "C:\a" -> "C:\", "C:a" -> "C:", "a" -> "" (the current folder). None when path has no
// component below its prefix and root ("C:\", "\\srv\share", "").
std::optional<std::string> parent_folder(std::string_view path);
