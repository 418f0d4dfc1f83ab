// The decisions of the WebView2 runtime check and bootstrap, over tool runs passed in as a
// function, so that they can be followed without starting any process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a finished console tool run gave; none when the tool could not be found or started, or
// its end could not be obtained.
struct ToolRun {
  uint32_t exit_code = 0;
  std::string out;  // standard output, undecoded
};

// Runs program with args hidden and waits for it.
using RunTool = std::function<std::optional<ToolRun>(const std::string& program, const std::vector<std::string>& args)>;

inline constexpr const char* kWebView2ClientId = "{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
inline constexpr const char* kBootstrapperFileName = "MicrosoftEdgeWebview2Setup.exe";
inline constexpr const char* kBootstrapperAddress = "https://go.microsoft.com/fwlink/p/?LinkId=2124703";

// The argument lists of the three `reg` runs, in the order they are made: "query", the client
// key under HKLM\SOFTWARE\WOW6432Node, HKLM\SOFTWARE, HKCU\SOFTWARE, "/v", "pv".
std::vector<std::vector<std::string>> runtime_query_argument_lists();

// True when one `reg query` run reports an installed runtime: it ran, ended with exit code 0,
// and its output read as UTF-8 (invalid bytes replaced) nowhere contains "0.0.0.0".
bool reg_query_reports_runtime(const std::optional<ToolRun>& run);

// Runs "reg" with each argument list in turn and stops at the first that reports the runtime.
bool check_runtime(const RunTool& run_tool);

// The `curl.exe` arguments that download the bootstrapper to target_text.
std::vector<std::string> download_arguments(std::string_view target_text);

// The bootstrapper's arguments: a silent install.
std::vector<std::string> bootstrapper_arguments();

// Caption and text of the box shown when the runtime is still missing after the bootstrap.
std::string runtime_missing_caption();
std::string runtime_missing_text();

// The check, and when it fails the bootstrap: download with "curl.exe" to bootstrapper_text,
// run the bootstrapper (by bootstrapper_text) when bootstrapper_exists() says the file is
// there, then check again. Every tool result of the bootstrap is dropped unread. True when the
// runtime is present at the end.
bool provide_runtime(const RunTool& run_tool, const std::string& bootstrapper_text,
                     const std::function<bool()>& bootstrapper_exists);
