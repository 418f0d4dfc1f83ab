#include "uninstall/install_folder.h"

#include "common/text.h"
#include "common/winpath.h"

namespace {

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

bool has_name(std::u16string_view path) { return winpath::last_component(text::utf16_to_utf8(path)).has_value(); }

}  // namespace

std::optional<std::u16string> install_folder_of(std::u16string_view exe_path) {
  if (exe_path.empty() || is_separator(exe_path.back()) || !has_name(exe_path)) return std::nullopt;
  size_t cut = exe_path.size();
  while (cut > 0 && !is_separator(exe_path[cut - 1])) --cut;
  if (cut == 0) {
    // No separator: only a drive-relative name such as "C:uninstall.exe" has a folder part.
    if (exe_path.size() > 2 && exe_path[1] == u':') return std::u16string(exe_path.substr(0, 2));
    return std::nullopt;
  }
  // cut is just past the last separator. The folder is the text before the separator run,
  // unless that is only a root or prefix ("C:", "\\server\share", ""), which needs its
  // separator to stay the same folder.
  size_t end = cut;
  while (end > 0 && is_separator(exe_path[end - 1])) --end;
  const std::u16string_view head = exe_path.substr(0, end);
  if (has_name(head)) return std::u16string(head);
  return std::u16string(exe_path.substr(0, cut));
}
