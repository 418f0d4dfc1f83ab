#include "setup/host/host_events_win.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "setup/host/main_event_loop.h"

namespace {

// Runs the calling thread's message loop until no message is left.
void drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(HostEvents, TextsFromSeveralThreadsArriveWholeAndInPostingOrderPerThread) {
  std::vector<std::string> got;
  const auto proxy = create_host_event_queue([&](std::string t) { got.push_back(std::move(t)); });
  ASSERT_TRUE(proxy.has_value());
  std::thread a([p = *proxy] {
    for (int i = 0; i < 500; ++i) post_host_event(p, "a" + std::to_string(i));
  });
  std::thread b([p = *proxy] {
    for (int i = 0; i < 500; ++i) post_host_event(p, "b" + std::to_string(i));
  });
  a.join();
  b.join();
  drain();
  ASSERT_EQ(got.size(), 1000u);
  int next_a = 0, next_b = 0;
  for (const auto& t : got) {
    if (t[0] == 'a') {
      EXPECT_EQ(t, "a" + std::to_string(next_a++));
    } else {
      EXPECT_EQ(t, "b" + std::to_string(next_b++));
    }
  }
}

TEST(HostEvents, PostingToAQueueWhoseThreadHasEndedDropsTheTextWithoutBlocking) {
  EventLoopProxy proxy;
  std::thread owner([&] { proxy = *create_host_event_queue([](std::string) {}); });
  owner.join();  // the window dies with its thread
  EXPECT_FALSE(post_host_event(proxy, "progress(5,\"x\")"));
  EXPECT_FALSE(post_host_event(EventLoopProxy{}, kQuitToken));
}

TEST(HostEvents, AnUndrainedQueueNeverBlocksAndLosesNoAcceptedText) {
  // Nobody drains this queue while posting (as in the silent mode). Windows caps a thread's
  // posted messages (10,000 by default) and then drops further texts; Wine has no cap.
  size_t handled = 0;
  const auto proxy = create_host_event_queue([&](std::string) { ++handled; });
  ASSERT_TRUE(proxy.has_value());
  size_t accepted = 0, dropped = 0;
  for (int i = 0; i < 12000; ++i) (post_host_event(*proxy, "x") ? accepted : dropped)++;
  EXPECT_EQ(accepted + dropped, 12000u);
  drain();
  EXPECT_EQ(handled, accepted);
}

}  // namespace
