#include "common/inherited_handles.h"

#include <algorithm>

std::vector<uintptr_t> handles_to_inherit(const std::vector<uintptr_t>& standard_handles) {
  std::vector<uintptr_t> out;
  for (const uintptr_t h : standard_handles) {
    if (h == 0 || h == ~uintptr_t{0}) continue;
    if (std::find(out.begin(), out.end(), h) == out.end()) out.push_back(h);
  }
  return out;
}
