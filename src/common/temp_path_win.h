// Paths in the user's temporary folder.
#pragma once

#include <string>
#include <string_view>

// The temporary folder (temp_folder) joined with name by the ordinary Windows rule. The folder
// is kept exactly as Windows reports it, unpaired surrogates included.
std::wstring temp_path(std::string_view name);
