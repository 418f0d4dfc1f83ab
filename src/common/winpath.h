// Windows path rules as plain text functions (UTF-8), the same on every build host.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winpath {

enum class Kind { Prefix, Root, CurDir, ParentDir, Normal };

struct Component {
  Kind kind;
  std::string_view text;
};

// True for '\' and '/'.
bool is_separator(char c);

// The components of a path by the Windows rules: a drive ("C:"), UNC ("\\server\share"),
// verbatim ("\\?\...") or device ("\\.\name") prefix; a root separator; then the parts between
// separators, where empty parts and "." are skipped (a leading "." of a relative path is kept
// as CurDir) and ".." is ParentDir. Verbatim paths separate on '\' only.
std::vector<Component> components(std::string_view path);

// The last component when it is a Normal one: trailing separators and a final "." do not
// count; a path ending in "..", or made only of a prefix and/or root, or empty, has none.
std::optional<std::string_view> last_component(std::string_view path);

// The ordinary join: base + '\' + name, without the backslash when base is empty, already
// ends in '\' or '/', or is a bare drive such as "D:".
std::string join(std::string_view base, std::string_view name);

}  // namespace winpath
