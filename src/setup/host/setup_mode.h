// How the installer runs, chosen from its argument list (program name first).
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SetupMode {
  bool silent = false;
  // Silent mode only: the third entry of the argument list when there is one (it may be
  // empty); none means the default install location.
  std::optional<std::string> folder;
};

// Silent exactly when the second entry is "--silent", byte for byte; everything else (no
// arguments, other spellings, "--silent" in a later place) is the graphical start, which
// ignores the arguments. Entries after the folder are ignored.
SetupMode choose_setup_mode(const std::vector<std::string>& args);
