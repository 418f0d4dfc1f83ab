// What the installer's main event loop does with each event it handles itself: the system's
// close request for the window, and the host events (page-call scripts and the quit token).
#pragma once

#include <optional>
#include <string>

// The host event that ends the loop, posted for the page's "close" and "launch".
inline constexpr const char* kQuitToken = "__quit";

struct LoopEvent {
  enum class Kind { CloseRequest, HostEvent } kind = Kind::HostEvent;
  std::string text;  // the host event's text
};

// Control state of the loop: waiting for the next event, or ended with an exit code. Once
// ended it stays ended; later events are handed a state they cannot change.
struct LoopState {
  std::optional<int> exit_code;
};

// Handles one event: a close request or exactly "__quit" ends the loop with code 0; any other
// host event is a script to evaluate in the page, which is returned. Nothing happens (and
// nothing is returned) once the loop has ended.
std::optional<std::string> handle_loop_event(LoopState& state, const LoopEvent& event);
