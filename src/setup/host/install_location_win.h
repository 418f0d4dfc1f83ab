// The default install location read from this process's environment at the moment of the call.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// One environment variable of this process as raw UTF-16 (unpaired surrogates kept); none
// when it is not set.
std::optional<std::u16string> process_environment(std::u16string_view name);

// default_install_location with LOCALAPPDATA from this process's environment.
std::string default_install_location();
