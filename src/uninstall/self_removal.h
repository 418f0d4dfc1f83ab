// The deferred removal of the installed files: a hidden cmd that waits about three seconds
// (four pings of the loopback address), so that the uninstaller has ended and its own file is
// free, and then deletes.
#pragma once

#include <string>
#include <string_view>

enum class RemovalVariant {
  WholeFolder,  // rmdir /S /Q of the install folder
  TwoFiles,     // del /F /Q of Zordelo.exe and uninstall.exe only; the folder and the rest stay
};

// WholeFolder when the folder text's last component equals "Zordelo" with only the ASCII
// letters compared without case; TwoFiles for any other name and for a folder without a last
// component (a drive root).
RemovalVariant removal_variant(std::string_view folder_text);

// The raw text for "cmd": "/C ping 127.0.0.1 -n 4 >nul & " and the deletion of the chosen
// variant, with the folder text (the UTF-16 install folder, each unpaired surrogate made U+FFFD)
// put verbatim between the template's double quotes.
std::string self_removal_command(std::u16string_view install_folder);
