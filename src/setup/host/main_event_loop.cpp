#include "setup/host/main_event_loop.h"

std::optional<std::string> handle_loop_event(LoopState& state, const LoopEvent& event) {
  if (state.exit_code) return std::nullopt;
  if (event.kind == LoopEvent::Kind::CloseRequest || event.text == kQuitToken) {
    state.exit_code = 0;
    return std::nullopt;
  }
  return event.text;
}
