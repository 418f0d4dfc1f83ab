// The install folder: the folder that holds the uninstaller's own file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The folder part of the uninstaller's full path (UTF-16, as Windows reports it, unpaired
// surrogates kept). A folder that is only a root keeps its separator ("C:\uninstall.exe" gives
// "C:\"); "C:uninstall.exe" gives "C:". None when the path has no file name or no folder part.
std::optional<std::u16string> install_folder_of(std::u16string_view exe_path);
