// How long creating a target file waits for a file that is still in use. A game ended with
// taskkill /F, or a scanner looking at a fresh file, lets go of it only a moment later.
#pragma once

#include <cstdint>

// Creating a target file is tried again about this often...
inline constexpr uint32_t kOpenRetryPauseMs = 100;
// ...for about this long after the first attempt.
inline constexpr uint64_t kOpenRetryWindowMs = 5000;

// Whether a create that failed with the Windows error code `error`, `elapsed_ms` after the first
// attempt, is tried again (after kOpenRetryPauseMs): for a sharing violation (32), a lock
// violation (33) or a file mapped by another program (1224), while fewer than
// kOpenRetryWindowMs have passed. Every other error fails at once.
bool retry_open(uint32_t error, uint64_t elapsed_ms);
