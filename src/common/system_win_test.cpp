#include "common/system_win.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(SystemWin, ErrorBoxesAreTurnedOffOnTopOfTheCurrentMode) {
  const UINT old = GetErrorMode();
  for (const UINT before : {0u, unsigned{SEM_NOGPFAULTERRORBOX}, unsigned{SEM_FAILCRITICALERRORS}}) {
    SetErrorMode(before);
    fail_without_system_error_boxes();
    EXPECT_EQ(GetErrorMode(), before | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX) << before;
  }
  SetErrorMode(old);
}

}  // namespace
