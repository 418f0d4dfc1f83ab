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
  // Nobody drains this queue while posting (as in the silent mode). The queue takes texts until
  // the thread's message queue is full, and from then on drops every further one: Windows holds
  // 10,000 posted messages per thread by default, Wine has no such bound and takes all 12,000.
  // The taken texts are exactly the first ones (once one is dropped so is every later one), and
  // after draining they all arrive, whole and in order.
  std::vector<std::string> got;
  const auto proxy = create_host_event_queue([&](std::string t) { got.push_back(std::move(t)); });
  ASSERT_TRUE(proxy.has_value());
  std::vector<bool> taken;
  for (int i = 0; i < 12000; ++i) taken.push_back(post_host_event(*proxy, "progress(" + std::to_string(i) + ")"));
  size_t accepted = 0;
  while (accepted < taken.size() && taken[accepted]) ++accepted;
  const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  EXPECT_EQ(accepted, wine ? 12000u : 10000u);
  for (size_t i = accepted; i < taken.size(); ++i) EXPECT_FALSE(taken[i]) << "text " << i << " after a dropped one";
  EXPECT_TRUE(got.empty());  // nothing is handled before the loop runs
  drain();
  ASSERT_EQ(got.size(), accepted);
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], "progress(" + std::to_string(i) + ")");
  // The queue goes on taking texts once it has been drained.
  EXPECT_TRUE(post_host_event(*proxy, "done(\"D:\\\\Zordelo\")"));
  drain();
  ASSERT_EQ(got.size(), accepted + 1);
  EXPECT_EQ(got.back(), "done(\"D:\\\\Zordelo\")");
}

}  // namespace
