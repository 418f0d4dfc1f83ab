#include "setup/engine/folder_tree.h"

#include "common/winpath.h"

std::optional<std::string> parent_folder(std::string_view path) {
  const auto parts = winpath::components(path);
  size_t base_end = 0;  // end of the prefix and root
  for (const auto& p : parts)
    if (p.kind == winpath::Kind::Prefix || p.kind == winpath::Kind::Root)
      base_end = static_cast<size_t>(p.text.data() - path.data()) + p.text.size();
  if (parts.empty() || parts.back().kind == winpath::Kind::Prefix || parts.back().kind == winpath::Kind::Root)
    return std::nullopt;
  size_t cut = static_cast<size_t>(parts.back().text.data() - path.data());
  while (cut > base_end && winpath::is_separator(path[cut - 1])) --cut;
  return std::string(path.substr(0, cut));
}
