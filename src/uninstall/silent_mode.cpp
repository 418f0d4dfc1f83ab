#include "uninstall/silent_mode.h"

#include <algorithm>

#include "common/cmdline.h"

bool silent_requested(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--silent"; });
}

bool silent_command_line(std::string_view command_line) { return silent_requested(cmdline::split(command_line)); }
