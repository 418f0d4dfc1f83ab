#include "setup/engine/open_retry.h"

#include <gtest/gtest.h>

namespace {

TEST(OpenRetry, OnlyAFileInUseIsWaitedForAndOnlyForFiveSeconds) {
  struct Case {
    uint32_t error;
    uint64_t elapsed_ms;
    bool retry;
  } cases[] = {
      // ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_USER_MAPPED_FILE
      {32, 0, true},
      {32, 100, true},
      {32, 4999, true},
      {32, 5000, false},
      {32, 60000, false},
      {33, 0, true},
      {33, 4999, true},
      {33, 5000, false},
      {1224, 0, true},
      {1224, 4999, true},
      {1224, 5000, false},
      // Everything else fails at once: access denied, path not found, disk full, invalid name,
      // file name too long, and the neighbours of the three codes.
      {5, 0, false},
      {3, 0, false},
      {112, 0, false},
      {123, 0, false},
      {206, 0, false},
      {31, 0, false},
      {34, 0, false},
      {1223, 0, false},
      {1225, 0, false},
      {0, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(retry_open(c.error, c.elapsed_ms), c.retry) << c.error << " at " << c.elapsed_ms;
}

}  // namespace
