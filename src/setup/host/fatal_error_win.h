// Unrecoverable errors of the installer: the window or web view cannot be made, a worker thread
// cannot be started.
#pragma once

#include <string_view>

// The exit status of a process ended by fatal_error (the one the C runtime's abort reports).
inline constexpr unsigned kFatalExitStatus = 3;

// Writes "<what>: <detail>" and a line break to the standard error stream (when the process has
// one) and terminates the process at once with kFatalExitStatus: no dialog, no clean-up, other
// threads are not waited for. Callable from any thread.
[[noreturn]] void fatal_error(std::string_view what, std::string_view detail);
