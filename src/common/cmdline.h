// Command lines: splitting our own (Microsoft C runtime rules) and building the ones we pass
// to CreateProcessW for child processes. UTF-8 in and out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

// Splits a whole command line into arguments by the C runtime rules: the program name runs to
// the first blank outside quotes (quotes toggle and are dropped, backslashes are literal); in
// later arguments 2n backslashes + '"' give n backslashes and a quote that toggles, 2n+1 give n
// and a literal quote, "" inside quotes is a literal quote, and "" alone is an empty argument.
std::vector<std::string> split(std::string_view line);

// One argument in the standard Windows quoting: wrapped in quotes when empty or holding a blank
// or tab; every '"' escaped as \" with the backslashes before it doubled; in a wrapped argument
// trailing backslashes doubled before the closing quote.
std::string quote_argument(std::string_view arg);

// "program" followed by each argument as quote_argument gives it, each after one space. The
// program is taken as it is and must hold no '"' (no Windows file name does); then split gives
// back the program and the arguments.
std::string build(std::string_view program, const std::vector<std::string>& args);

// "program", one space, then raw unchanged.
std::string build_raw(std::string_view program, std::string_view raw);

}  // namespace cmdline
