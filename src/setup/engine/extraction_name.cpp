#include "setup/engine/extraction_name.h"

#include <cstdint>

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
  return std::string(*last);
}
