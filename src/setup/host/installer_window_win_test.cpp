#include "setup/host/installer_window_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

// Fakes of the three system functions, with a script of answers and a record of the calls.
struct FakeDpi {
  static inline std::vector<intptr_t> context_calls;
  static inline std::vector<BOOL> context_answers;
  static inline int awareness_calls = 0, aware_calls = 0;
  static inline HRESULT awareness_answer = S_OK;
  static inline BOOL aware_answer = TRUE;
  static inline int awareness_argument = -1;

  static BOOL WINAPI set_context(HANDLE context) {
    context_calls.push_back(reinterpret_cast<intptr_t>(context));
    return context_calls.size() <= context_answers.size() ? context_answers[context_calls.size() - 1] : FALSE;
  }
  static HRESULT WINAPI set_awareness(int value) {
    ++awareness_calls;
    awareness_argument = value;
    return awareness_answer;
  }
  static BOOL WINAPI set_aware() {
    ++aware_calls;
    return aware_answer;
  }
  static void reset() {
    context_calls.clear();
    context_answers.clear();
    awareness_calls = aware_calls = 0;
    awareness_argument = -1;
  }
};

TEST(DpiAwareness, ChainTakesTheFirstLevelTheSystemOffers) {
  struct Case {
    const char* name;
    bool has_context, has_awareness, has_aware;
    std::vector<BOOL> context_answers;
    HRESULT awareness_answer;
    DpiAwarenessStep expected;
    std::vector<intptr_t> expected_context_calls;
    int expected_awareness_calls, expected_aware_calls;
  } cases[] = {
      {"v2 accepted", true, true, true, {TRUE}, S_OK, DpiAwarenessStep::PerMonitorV2, {-4}, 0, 0},
      {"v2 refused, v1 through the same call",
       true,
       true,
       true,
       {FALSE, TRUE},
       S_OK,
       DpiAwarenessStep::PerMonitorV1,
       {-4, -3},
       0,
       0},
      {"both refused: no older call is tried",
       true,
       true,
       true,
       {FALSE, FALSE},
       S_OK,
       DpiAwarenessStep::None,
       {-4, -3},
       0,
       0},
      {"no context call: shcore", false, true, true, {}, S_OK, DpiAwarenessStep::ShcorePerMonitor, {}, 1, 0},
      {"shcore refuses", false, true, true, {}, E_ACCESSDENIED, DpiAwarenessStep::None, {}, 1, 0},
      {"only SetProcessDPIAware", false, false, true, {}, S_OK, DpiAwarenessStep::SystemAware, {}, 0, 1},
      {"nothing", false, false, false, {}, S_OK, DpiAwarenessStep::None, {}, 0, 0},
  };
  for (const auto& c : cases) {
    FakeDpi::reset();
    FakeDpi::context_answers = c.context_answers;
    FakeDpi::awareness_answer = c.awareness_answer;
    DpiAwarenessApi api;
    if (c.has_context) api.set_context = FakeDpi::set_context;
    if (c.has_awareness) api.set_awareness = FakeDpi::set_awareness;
    if (c.has_aware) api.set_aware = FakeDpi::set_aware;
    EXPECT_EQ(declare_dpi_awareness_with(api), c.expected) << c.name;
    EXPECT_EQ(FakeDpi::context_calls, c.expected_context_calls) << c.name;
    EXPECT_EQ(FakeDpi::awareness_calls, c.expected_awareness_calls) << c.name;
    EXPECT_EQ(FakeDpi::aware_calls, c.expected_aware_calls) << c.name;
    if (c.expected_awareness_calls) {
      EXPECT_EQ(FakeDpi::awareness_argument, 2) << c.name;
    }
  }
}

// Wine 8 has SetProcessDpiAwarenessContext but refuses the v2 context, so the real chain goes
// on to v1 through the same call.
BOOL(WINAPI* g_real_set_context)(HANDLE) = nullptr;
std::vector<std::pair<intptr_t, BOOL>> g_real_calls;
BOOL WINAPI recording_set_context(HANDLE context) {
  const BOOL answer = g_real_set_context(context);
  g_real_calls.emplace_back(reinterpret_cast<intptr_t>(context), answer);
  return answer;
}

TEST(DpiAwareness, RealSystemRefusingV2FallsBackToV1) {
  DpiAwarenessApi api = system_dpi_awareness_api();
  ASSERT_NE(api.set_context, nullptr);
  ASSERT_NE(api.set_awareness, nullptr);
  ASSERT_NE(api.set_aware, nullptr);
  g_real_set_context = api.set_context;
  api.set_context = recording_set_context;
  const DpiAwarenessStep step = declare_dpi_awareness_with(api);
  ASSERT_FALSE(g_real_calls.empty());
  for (const auto& [context, answer] : g_real_calls)
    std::printf("SetProcessDpiAwarenessContext(%d) -> %d\n", static_cast<int>(context), answer);
  EXPECT_EQ(g_real_calls[0].first, -4);
  if (g_real_calls[0].second) {
    EXPECT_EQ(step, DpiAwarenessStep::PerMonitorV2);  // a system that has v2
  } else {
    ASSERT_EQ(g_real_calls.size(), 2u);
    EXPECT_EQ(g_real_calls[1].first, -3);
    EXPECT_EQ(step, g_real_calls[1].second ? DpiAwarenessStep::PerMonitorV1 : DpiAwarenessStep::None);
  }
  declare_dpi_awareness();  // the plain entry runs the same chain without trouble
}

}  // namespace

namespace {

// Monitors stand-ins for frameless_client_rect: the lookup records what it is asked about.
struct FakeMonitors {
  static inline std::vector<RECT> asked;
  // A second monitor right of a 1920 x 1080 primary, 2560 x 1440 with a 40-pixel taskbar.
  static std::optional<RECT> second(const RECT& window) {
    asked.push_back(window);
    return RECT{1920, 0, 4480, 1400};
  }
  static std::optional<RECT> unreadable(const RECT& window) {
    asked.push_back(window);
    return std::nullopt;
  }
};

bool same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(FramelessClientRect, MaximisedTakesTheWorkAreaOfTheProposedRectanglesMonitor) {
  struct Case {
    const char* name;
    RECT proposed;
    bool maximised;
    WorkAreaLookup lookup;
    RECT expected;
    bool asks;
  } cases[] = {
      {"maximised onto the second monitor",
       {1912, -8, 4488, 1448},
       true,
       FakeMonitors::second,
       {1920, 0, 4480, 1400},
       true},
      {"not maximised: shifted by one pixel",
       {100, 200, 900, 800},
       false,
       FakeMonitors::second,
       {101, 201, 901, 801},
       false},
      {"not maximised on the second monitor",
       {2000, 100, 2838, 699},
       false,
       FakeMonitors::second,
       {2001, 101, 2839, 700},
       false},
      {"maximised, no work area to be read",
       {-8, -8, 1928, 1088},
       true,
       FakeMonitors::unreadable,
       {-7, -7, 1929, 1089},
       true},
  };
  for (const Case& c : cases) {
    FakeMonitors::asked.clear();
    const RECT got = frameless_client_rect(c.proposed, c.maximised, c.lookup);
    EXPECT_TRUE(same(got, c.expected)) << c.name << ": " << got.left << "," << got.top << "," << got.right << ","
                                       << got.bottom;
    if (c.asks) {
      ASSERT_EQ(FakeMonitors::asked.size(), 1u) << c.name;
      EXPECT_TRUE(same(FakeMonitors::asked[0], c.proposed)) << c.name << ": the lookup is asked about the proposal";
    } else {
      EXPECT_TRUE(FakeMonitors::asked.empty()) << c.name;
    }
  }
}

}  // namespace
