// How the install engine runs a console tool: a program text and its arguments in, the exit
// code out (none when the tool could not be started or its end not seen). Windows passes
// run_hidden; tests pass recorders.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using ToolRunner =
    std::function<std::optional<uint32_t>(const std::string& program, const std::vector<std::string>& args)>;
