#include "common/tool_search.h"

#include "common/text.h"
#include "common/winpath.h"

namespace {

// "X:\..." or "\\...": a folder that does not depend on the current folder. A relative PATH
// entry (".", "bin", "C:tools") would be looked up from the current folder, which is never
// searched.
bool fully_qualified(std::string_view dir) {
  if (dir.size() >= 2 && winpath::is_separator(dir[0]) && winpath::is_separator(dir[1])) return true;
  const bool letter = dir.size() >= 3 && ((dir[0] >= 'A' && dir[0] <= 'Z') || (dir[0] >= 'a' && dir[0] <= 'z'));
  return letter && dir[1] == ':' && winpath::is_separator(dir[2]);
}

}  // namespace

std::vector<std::string> tool_candidates(std::string_view program, std::string_view system_dir,
                                         std::string_view windows_dir, std::string_view path_env) {
  if (program.find_first_of("\\/") != std::string_view::npos) return {std::string(program)};
  std::string name(program);
  if (name.size() < 4 || !text::equals_ascii_nocase(std::string_view(name).substr(name.size() - 4), ".exe"))
    name += ".exe";
  std::vector<std::string> out;
  for (const auto dir : {system_dir, windows_dir})
    if (!dir.empty()) out.push_back(winpath::join(dir, name));
  size_t i = 0;
  while (i <= path_env.size()) {
    size_t j = path_env.find(';', i);
    if (j == std::string_view::npos) j = path_env.size();
    std::string_view dir = path_env.substr(i, j - i);
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"') dir = dir.substr(1, dir.size() - 2);
    if (fully_qualified(dir)) out.push_back(winpath::join(dir, name));
    i = j + 1;
  }
  return out;
}
