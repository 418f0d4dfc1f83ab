// Which of a child's standard handles go into its explicit inherited-handle list.
#pragma once

#include <cstdint>
#include <vector>

// The handle values (as integers) that a child is given to inherit, in order: null and
// INVALID_HANDLE_VALUE (all bits set) are left out, and a value already in the list is not
// added again (one handle serving as both output and error, say). An empty list means the child
// inherits no handle at all.
std::vector<uintptr_t> handles_to_inherit(const std::vector<uintptr_t>& standard_handles);
