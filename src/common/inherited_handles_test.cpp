#include "common/inherited_handles.h"

#include <gtest/gtest.h>

namespace {

TEST(InheritedHandles, NullAndInvalidAreLeftOutAndEachHandleComesOnce) {
  constexpr uintptr_t kInvalid = ~uintptr_t{0};
  struct Case {
    std::vector<uintptr_t> standard;
    std::vector<uintptr_t> want;
  } cases[] = {
      {{0x10, 0x14, 0x18}, {0x10, 0x14, 0x18}},
      {{0x10, 0, 0}, {0x10}},
      {{0, 0x14, 0x18}, {0x14, 0x18}},
      {{0x10, 0x14, 0x14}, {0x10, 0x14}},
      {{0x18, 0x14, 0x18}, {0x18, 0x14}},
      {{0x10, kInvalid, 0x18}, {0x10, 0x18}},
      {{0, 0, 0}, {}},
      {{kInvalid, kInvalid, 0}, {}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(handles_to_inherit(c.standard), c.want);
}

}  // namespace
