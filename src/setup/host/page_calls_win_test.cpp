#include "setup/host/page_calls_win.h"

#include <gtest/gtest.h>

namespace {

TEST(PageCallsWin, EachReportArrivesAsItsCallTextInPostingOrder) {
  std::vector<std::string> got;
  const auto proxy = create_host_event_queue([&](std::string t) { got.push_back(std::move(t)); });
  ASSERT_TRUE(proxy.has_value());
  EXPECT_TRUE(report_progress(*proxy, 85, "Fájlok másolása…"));
  EXPECT_TRUE(report_done(*proxy, "C:\\Games\\Zordelo"));
  EXPECT_TRUE(report_failure(*proxy, "x\"y"));
  EXPECT_TRUE(set_folder(*proxy, "D:\\Zordelo"));
  EXPECT_TRUE(post_quit(*proxy));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(got, (std::vector<std::string>{"progress(85,\"Fájlok másolása…\")", "done(\"C:\\\\Games\\\\Zordelo\")",
                                           "fail(\"x\\\"y\")", "setDir(\"D:\\\\Zordelo\")", "__quit"}));
}

TEST(PageCallsWin, APostWithoutALoopIsDroppedQuietly) {
  EXPECT_FALSE(report_progress(EventLoopProxy{}, 2, "Előkészítés…"));
}

}  // namespace
