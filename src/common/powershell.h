// PowerShell scripts handed over as -EncodedCommand: Base64 of the script's UTF-16LE bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Base64 of the script's UTF-16LE code units (no byte-order mark, no terminating zero).
std::string encode_powershell_command(std::string_view script_utf8);

// The five arguments for powershell: -NoProfile -ExecutionPolicy Bypass -EncodedCommand <enc>.
std::vector<std::string> powershell_arguments(std::string_view script_utf8);
