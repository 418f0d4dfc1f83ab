// Seeds for the fuzz targets, written by the unit tests from their tables of inputs: when the
// environment variable of a target names a folder, each input a test keeps lands there as one
// file. The variables (one per target, set by its <target>_seeds build target):
//   ZORDELO_ZIP_SEEDS             zip_reader_fuzz       archives
//   ZORDELO_PAGE_MESSAGE_SEEDS    page_message_fuzz     message texts
//   ZORDELO_CMDLINE_SEEDS         cmdline_fuzz          command lines, NUL-separated lists
//   ZORDELO_PATH_SEEDS            install_location_fuzz paths, entry names, "base\0name" joins
// Not used by the programs.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace fuzz_seeds {

// Writes bytes as the file `name` (a plain file name) into the folder that `variable` names;
// does nothing when the variable is unset or empty, or when the seed is over 64 KiB (seeds stay
// small to keep fuzzing fast).
inline void keep(const char* variable, const std::string& name, std::string_view bytes) {
  const char* folder = std::getenv(variable);
  if (!folder || !*folder || bytes.size() > (64 << 10)) return;
  std::ofstream(std::string(folder) + "/" + name, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// keep() for a table of inputs: the file is named "<table>-<index>".
inline void keep_case(const char* variable, const std::string& table, size_t index, std::string_view bytes) {
  keep(variable, table + "-" + std::to_string(index), bytes);
}

}  // namespace fuzz_seeds
