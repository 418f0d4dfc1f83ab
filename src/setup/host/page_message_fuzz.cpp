// libFuzzer target: arbitrary bytes as a message from the page. Whatever the reader accepts must
// name one of the six commands and carry fields of the right kind, which is checked here with
// plain rules of this file's own: the command's literal name, valid UTF-8 text for "dir",
// booleans that are 0 or 1 and are off only where the text has a literal false, and the same
// message again when it is written anew and read back or wrapped in JSON white space.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"
#include "setup/host/page_message.h"

namespace {

void check(bool promise) {
  if (!promise) std::abort();
}

const char* literal_name(PageCommand command) {
  switch (command) {
    case PageCommand::Drag:
      return "drag";
    case PageCommand::Min:
      return "min";
    case PageCommand::Close:
      return "close";
    case PageCommand::Browse:
      return "browse";
    case PageCommand::Install:
      return "install";
    case PageCommand::Launch:
      return "launch";
  }
  std::abort();  // not one of the six
}

// The byte that holds a bool is 0 or 1, nothing else.
bool is_plain_bool(const bool& b) {
  unsigned char byte = 0;
  std::memcpy(&byte, &b, 1);
  return byte <= 1;
}

bool json_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool same(const std::optional<PageMessage>& a, const std::optional<PageMessage>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->command == b->command && a->dir == b->dir && a->desktop == b->desktop && a->start == b->start;
}

void check_accepted(std::string_view text, const PageMessage& m) {
  const std::string name = literal_name(m.command);
  check(is_plain_bool(m.desktop) && is_plain_bool(m.start));
  check(text::is_valid_utf8(m.dir));
  // Escapes never make a string longer than its JSON text.
  check(m.dir.size() < text.size());

  // One object and nothing else but JSON blanks around it.
  size_t first = 0;
  while (first < text.size() && json_blank(text[first])) ++first;
  size_t end = text.size();
  while (end > first && json_blank(text[end - 1])) --end;
  check(end - first >= 2 && text[first] == '{' && text[end - 1] == '}');
  check(text.find('\0') == std::string_view::npos);

  // A flag is off only for a JSON false, which no escape can spell.
  if (!m.desktop || !m.start) check(text.find("false") != std::string_view::npos);
  // The command name is in the text as it is, unless escapes spell it.
  check(text.find(name) != std::string_view::npos || text.find("\\u") != std::string_view::npos);

  // Written anew (dir through the JSON string writer) and read back, it is the same message.
  const std::string again = "{\"cmd\":\"" + name + "\",\"dir\":" + text::json_string(m.dir) +
                            ",\"desktop\":" + (m.desktop ? "true" : "false") +
                            ",\"start\":" + (m.start ? "true" : "false") + "}";
  check(same(read_page_message(again), m));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<PageMessage> m = read_page_message(text);
  if (m) check_accepted(text, *m);

  // JSON white space around the text changes nothing; anything else after an accepted message
  // makes it nothing.
  const std::string wrapped = " \t\r\n" + std::string(text) + "\n\r\t ";
  check(same(read_page_message(wrapped), m));
  if (m) {
    check(!read_page_message(std::string(text) + "x"));
    check(!read_page_message(std::string(text) + "\v"));
    check(!read_page_message(std::string(text) + '\0'));
  }
  return 0;
}
