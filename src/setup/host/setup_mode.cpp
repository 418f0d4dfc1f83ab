#include "setup/host/setup_mode.h"

SetupMode choose_setup_mode(const std::vector<std::string>& args) {
  if (args.size() < 2 || args[1] != "--silent") return {};
  SetupMode mode;
  mode.silent = true;
  if (args.size() >= 3) mode.folder = args[2];
  return mode;
}
