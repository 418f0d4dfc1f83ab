#include "setup/webview/webview2_provisioning.h"

#include "common/product.h"
#include "common/text.h"

std::vector<std::vector<std::string>> runtime_query_argument_lists() {
  static constexpr const char* kRoots[] = {"HKLM\\SOFTWARE\\WOW6432Node", "HKLM\\SOFTWARE", "HKCU\\SOFTWARE"};
  std::vector<std::vector<std::string>> lists;
  for (const char* root : kRoots) {
    const std::string key = std::string(root) + "\\Microsoft\\EdgeUpdate\\Clients\\" + kWebView2ClientId;
    lists.push_back({"query", key, "/v", "pv"});
  }
  return lists;
}

bool reg_query_reports_runtime(const std::optional<ToolRun>& run) {
  // A plain substring test over everything reg printed: an absent runtime is registered with
  // the version "0.0.0.0", and the output is not parsed any further.
  return run && run->exit_code == 0 && text::utf8_lossy(run->out).find("0.0.0.0") == std::string::npos;
}

bool check_runtime(const RunTool& run_tool) {
  for (const auto& args : runtime_query_argument_lists())
    if (reg_query_reports_runtime(run_tool("reg", args))) return true;
  return false;
}

std::vector<std::string> download_arguments(std::string_view target_text) {
  return {"-L", "-s", "-o", std::string(target_text), kBootstrapperAddress};
}

std::vector<std::string> bootstrapper_arguments() { return {"/silent", "/install"}; }

std::string runtime_missing_caption() { return product::kInstallerTitle; }

std::string runtime_missing_text() {
  return "A telepítéshez a Microsoft WebView2 szükséges, de nincs a gépen, és most nem sikerült letölteni.\n\n"
         "Kapcsolódj az internethez, és indítsd újra a telepítőt \u2013 ez csak egyszer kell.";
}

bool provide_runtime(const RunTool& run_tool, const std::string& bootstrapper_text,
                     const std::function<bool()>& bootstrapper_exists) {
  if (check_runtime(run_tool)) return true;
  // Neither a missing curl.exe nor its exit code matters: whether a file lies there decides, so
  // a bootstrapper left by an earlier run is used when this download failed.
  run_tool("curl.exe", download_arguments(bootstrapper_text));
  if (bootstrapper_exists()) run_tool(bootstrapper_text, bootstrapper_arguments());
  return check_runtime(run_tool);
}
