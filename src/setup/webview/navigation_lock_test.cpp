#include "setup/webview/navigation_lock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace navigation_lock;

// A run of events against one lock: 'p' hands the page over, 'n' is a navigation starting.
// The expected text has 'a' (allowed) or 'c' (cancelled) per navigation, in order.
std::string decisions(const std::string& events) {
  NavigationLock lock;
  std::string out;
  for (char e : events) {
    if (e == 'p')
      page_requested(lock);
    else
      out += allow_navigation(lock) ? 'a' : 'c';
  }
  return out;
}

TEST(NavigationLock, OnlyThePagesOwnLoadGoesAhead) {
  const struct {
    const char* events;
    const char* expected;
    const char* what;
  } cases[] = {
      {"pn", "a", "the page's load"},
      {"pnnnn", "accc", "a reload, a dropped file, a link, history after it"},
      {"n", "c", "nothing handed over: nothing of ours"},
      {"nnpn", "cca", "navigations before the page do not use up its load"},
      {"ppn", "a", "handing over twice still lets one load through"},
      {"pnpn", "ac", "a later hand-over does not reopen the lock"},
      {"", "", "no navigation"},
  };
  for (const auto& c : cases) EXPECT_EQ(decisions(c.events), c.expected) << c.what << " (" << c.events << ")";
}

TEST(NavigationLock, StaysLockedForever) {
  NavigationLock lock;
  page_requested(lock);
  ASSERT_TRUE(allow_navigation(lock));
  for (int i = 0; i < 1000; ++i) ASSERT_FALSE(allow_navigation(lock)) << i;
  EXPECT_EQ(lock.stage, Stage::PageLoading);
}

}  // namespace
