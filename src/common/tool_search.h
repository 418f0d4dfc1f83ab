// Where a console tool is looked for, in order. Pure: the folders come from the caller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A program text holding '\' or '/' is a path and is its own only candidate. A bare name gets
// ".exe" appended unless it already ends in ".exe" (any case) and is looked for in the system
// folder, the Windows folder and then each PATH entry (';'-separated, surrounding quotes
// removed; empty and relative entries skipped). Neither the running program's own folder nor
// the current folder is ever searched: a program started from a download folder must not run
// whatever else was downloaded there under a tool's name.
std::vector<std::string> tool_candidates(std::string_view program, std::string_view system_dir,
                                         std::string_view windows_dir, std::string_view path_env);
