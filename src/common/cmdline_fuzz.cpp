// libFuzzer target: the command-line splitter and the quoting. The input is read twice:
//  - as one command line: splitting never fails, always gives the program name first (its
//    quotes dropped), and the list it gives comes back unchanged when built again and split;
//  - as a program name and its arguments separated by NUL bytes (a real command line holds no
//    NUL): the command line built from them with the production quoting splits into that very
//    list. A program name holds no '"' (no Windows file name does), so those are dropped from it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/cmdline.h"

namespace {

using Args = std::vector<std::string>;

void check(bool promise) {
  if (!promise) std::abort();
}

bool blank(char c) { return c == ' ' || c == '\t'; }

// The quoting of one argument, by its own rules: wrapped in quotes exactly when empty or holding
// a blank; inside, every '"' comes after an odd run of backslashes, and the closing quote of a
// wrapped one after an even run.
void check_quoted(std::string_view arg, std::string_view q) {
  const bool wrap = arg.empty() || arg.find_first_of(" \t") != std::string_view::npos;
  std::string_view inner = q;
  if (wrap) {
    check(q.size() >= 2 && q.front() == '"' && q.back() == '"');
    inner = q.substr(1, q.size() - 2);
  } else {
    check(q.find_first_of(" \t") == std::string_view::npos);
  }
  size_t run = 0;
  for (const char c : inner) {
    if (c == '"') check(run % 2 == 1);
    run = c == '\\' ? run + 1 : 0;
  }
  if (wrap) check(run % 2 == 0);
  check(q.size() >= arg.size());
}

Args without_program(const Args& all) { return Args(all.begin() + 1, all.end()); }

void any_line(std::string_view line) {
  const Args parts = cmdline::split(line);
  check(!parts.empty());
  check(parts[0].find('"') == std::string::npos);
  // The program name ends at the first blank outside quotes, so it holds a blank only where the
  // line has a quote.
  if (line.find('"') == std::string_view::npos) {
    for (const char c : parts[0]) check(!blank(c));
  }
  // Only a quote can make an argument empty.
  for (size_t i = 1; i < parts.size(); ++i) check(!parts[i].empty() || line.find('"') != std::string_view::npos);
  check(cmdline::split(cmdline::build(parts[0], without_program(parts))) == parts);
}

void argument_list(std::string_view bytes) {
  Args list;
  size_t from = 0;
  for (;;) {
    const size_t nul = bytes.find('\0', from);
    list.emplace_back(bytes.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from));
    if (nul == std::string_view::npos) break;
    from = nul + 1;
  }
  std::string& program = list[0];
  std::erase(program, '"');
  const Args args = without_program(list);

  std::string raw;  // the quoted arguments, one space between each two
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string q = cmdline::quote_argument(args[i]);
    check_quoted(args[i], q);
    if (i > 0) raw += ' ';
    raw += q;
  }
  const std::string line = cmdline::build(program, args);
  check(line == "\"" + program + "\"" + (args.empty() ? "" : " " + raw));
  if (!args.empty()) check(cmdline::build_raw(program, raw) == line);
  check(cmdline::split(line) == list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  any_line(bytes);
  argument_list(bytes);
  return 0;
}
