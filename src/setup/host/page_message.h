// Reading the page's messages: the JSON texts that the page posts through window.ipc.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class PageCommand { Drag, Min, Close, Browse, Install, Launch };

// One message as the host acts on it. Fields that a command does not use keep their defaults.
struct PageMessage {
  PageCommand command = PageCommand::Close;
  std::string dir;      // "dir" when it is a JSON string, else empty
  bool desktop = true;  // false only for a JSON false
  bool start = true;    // likewise
};

// Reads one message leniently. The text must be exactly one JSON value, optionally surrounded
// by space, tab, line feed and carriage return; anything else counts as JSON null. None when
// the value is not an object, or its "cmd" is not a string equal (whole, same case) to one of
// "drag", "min", "close", "browse", "install", "launch". Other fields are ignored.
std::optional<PageMessage> read_page_message(std::string_view text);
