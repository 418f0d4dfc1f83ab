#include "common/io_error.h"

#include <gtest/gtest.h>

TEST(IoError, FrameTrimsTheSystemMessage) {
  EXPECT_EQ(io_error_frame("Access is denied.\r\n", 5), "Access is denied. (os error 5)");
  EXPECT_EQ(io_error_frame("There is not enough space on the disk. \t\r\n\n", 112),
            "There is not enough space on the disk. (os error 112)");
  EXPECT_EQ(io_error_frame("", 4294967295u), " (os error 4294967295)");
}
