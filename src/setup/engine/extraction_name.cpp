#include "setup/engine/extraction_name.h"

#include <cstdint>
#include <vector>

#include "common/winpath.h"

std::optional<std::string> extraction_name(std::string_view entry_name) {
  if (!entry_name.empty() && winpath::is_separator(entry_name.back())) return std::nullopt;
  if (entry_name.find('\0') != std::string_view::npos) return std::nullopt;

  int64_t depth = 0;
  for (const winpath::Component& part : winpath::components(entry_name)) {
    switch (part.kind) {
      case winpath::Kind::Prefix:
      case winpath::Kind::Root:
        return std::nullopt;
      case winpath::Kind::CurDir:
        break;
      case winpath::Kind::ParentDir:
        if (--depth < 0) return std::nullopt;
        break;
      case winpath::Kind::Normal:
        ++depth;
        break;
    }
  }

  const auto last = winpath::last_component(entry_name);
  if (!last) return std::nullopt;
  // Flattening can bring a drive to the front: the last part of "a/C:x" is, read alone, the
  // drive-relative path "C:x". The target must be one plain name by itself too.
  const std::vector<winpath::Component> alone = winpath::components(*last);
  if (alone.size() != 1 || alone[0].kind != winpath::Kind::Normal) return std::nullopt;
  return std::string(*last);
}
