#include "setup/webview/webview2_provisioning_win.h"

#include <windows.h>

#include "common/console_tools_win.h"
#include "common/temp_path_win.h"
#include "common/win_text_win.h"
#include "setup/webview/webview2_provisioning.h"

namespace {

std::optional<ToolRun> run_tool_hidden(const std::string& program, const std::vector<std::string>& args) {
  const std::optional<ToolResult> result = run_hidden(program, args);
  if (!result) return std::nullopt;
  return ToolRun{result->exit_code, result->out};
}

}  // namespace

void ensure_webview2_runtime() {
  // The bootstrapper path in two forms: the path itself for the existence test, and its text
  // (unpaired surrogates replaced) for the command lines.
  const std::wstring path = temp_path(kBootstrapperFileName);
  const std::string path_text = from_wide(path);

  const bool present = provide_runtime(run_tool_hidden, path_text,
                                       [&path] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
  if (present) return;
  MessageBoxW(nullptr, to_wide(runtime_missing_text()).c_str(), to_wide(runtime_missing_caption()).c_str(),
              MB_OK | MB_ICONERROR);
  ExitProcess(1);
}
