// The uninstall entry written for real: nine hidden reg add runs.
#pragma once

#include <cstdint>
#include <string_view>

// Runs reg add once per value in order, each waited for; results are not looked at.
void register_uninstall(std::string_view location, std::string_view game_exe, uint64_t total_size);
