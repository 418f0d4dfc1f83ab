// The install-folder guard: only a folder that holds the game is treated as an install folder.
#pragma once

#include <string>

// True when folder holds an entry named "Zordelo.exe" that can be reached: a file or a folder,
// with links followed (a link whose target is gone does not count). An entry that exists but
// is held open without sharing by another process counts as present.
bool game_file_present(const std::wstring& folder);
