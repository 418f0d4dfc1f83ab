// Small questions to the system: error texts, folders, the own file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The I/O error text of a Windows error code: the system's message in the default language,
// trimmed, then " (os error N)".
std::string io_error_text(uint32_t code);

// The user's temporary folder as Windows reports it (GetTempPath2W where kernel32 has it, else
// GetTempPathW); it ends in a backslash. Empty when the system gives none.
std::wstring temp_folder();

// Full path of the running program's own file; none when it cannot be read.
std::optional<std::wstring> own_exe_path();

// Adds SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX to the process error mode, so that asking
// for a drive without a medium (an empty card reader) fails with an error instead of showing a
// system box that waits for a click; children inherit the mode. Called first thing by both
// programs.
void fail_without_system_error_boxes();
