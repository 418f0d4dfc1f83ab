#include "setup/host/main_event_loop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

LoopEvent host(std::string text) { return {LoopEvent::Kind::HostEvent, std::move(text)}; }
LoopEvent close_request() { return {LoopEvent::Kind::CloseRequest, ""}; }

struct LoopRun {
  std::vector<std::string> evaluated;
  std::optional<int> exit_code;
};

LoopRun run(const std::vector<LoopEvent>& events) {
  LoopState state;
  LoopRun out;
  for (const LoopEvent& e : events)
    if (auto script = handle_loop_event(state, e)) out.evaluated.push_back(*script);
  out.exit_code = state.exit_code;
  return out;
}

TEST(MainEventLoop, EventsInOrderUntilTheEnd) {
  struct Case {
    const char* name;
    std::vector<LoopEvent> events;
    std::vector<std::string> evaluated;
    std::optional<int> exit_code;
  };
  const std::vector<Case> cases = {
      {"calls are evaluated in order and the loop waits",
       {host("progress(2,\"x\")"), host("done(\"C:\\\\Z\")")},
       {"progress(2,\"x\")", "done(\"C:\\\\Z\")"},
       std::nullopt},
      {"two calls before the quit token are both evaluated",
       {host("a()"), host("b()"), host("__quit")},
       {"a()", "b()"},
       0},
      {"nothing after the quit token", {host("__quit"), host("c()"), close_request()}, {}, 0},
      {"close request ends the loop", {host("a()"), close_request(), host("b()"), host("__quit")}, {"a()"}, 0},
      {"only the exact token quits",
       {host("__quit "), host(" __quit"), host("__QUIT"), host("__qui"), host("\"__quit\""), host("")},
       {"__quit ", " __quit", "__QUIT", "__qui", "\"__quit\"", ""},
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LoopRun r = run(c.events);
    EXPECT_EQ(r.evaluated, c.evaluated);
    EXPECT_EQ(r.exit_code, c.exit_code);
  }
}

}  // namespace
