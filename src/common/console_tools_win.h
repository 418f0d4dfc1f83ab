// Starting Windows console tools hidden (no console window), shared by both programs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ToolResult {
  uint32_t exit_code = 0;
  std::string out;  // everything the tool wrote to stdout, undecoded
  std::string err;  // likewise for stderr
};

// Runs program (a bare tool name, searched as tool_candidates says, or a path) with args in
// the standard Windows quoting, CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, stdin from the
// null device, stdout and stderr each into a pipe read at the same time; the tool inherits
// these three handles and no other. Reads until both pipes end or the tool's own process ends,
// whichever comes first; in the second case it takes what is still in the pipes without
// waiting for other writers (a child the tool left running). Waits without a time limit. None
// when the tool cannot be found or started or its exit code cannot be read; a non-zero exit
// code is an ordinary result.
std::optional<ToolResult> run_hidden(std::string_view program, const std::vector<std::string>& args);

// Starts program with the command line "program" + ' ' + raw (raw unchanged), hidden, stdin
// from the null device and this process's own stdout/stderr handles (the only handles it
// inherits), in working_folder (empty: this process's own); does not wait and closes the
// child's handles at once. A failed start is ignored.
void start_hidden_raw(std::string_view program, std::string_view raw, const std::wstring& working_folder);

// Runs the script with powershell -NoProfile -ExecutionPolicy Bypass -EncodedCommand <script>,
// waits for it and drops the result.
void run_powershell(std::string_view script_utf8);
