#include "setup/webview/webview2_provisioning.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const std::string kKeyTail = "\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const std::string kWow = "HKLM\\SOFTWARE\\WOW6432Node" + kKeyTail;
const std::string kLm = "HKLM\\SOFTWARE" + kKeyTail;
const std::string kCu = "HKCU\\SOFTWARE" + kKeyTail;
const std::string kBoot = "C:\\Users\\u\\AppData\\Local\\Temp\\MicrosoftEdgeWebview2Setup.exe";

TEST(WebView2Provisioning, QueriesTheThreeKeysInOrder) {
  const std::vector<std::vector<std::string>> expected = {
      {"query", kWow, "/v", "pv"}, {"query", kLm, "/v", "pv"}, {"query", kCu, "/v", "pv"}};
  EXPECT_EQ(runtime_query_argument_lists(), expected);
  EXPECT_EQ(runtime_query_argument_lists()[0][1],
            "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}");
}

TEST(WebView2Provisioning, OneQueryReportsTheRuntime) {
  struct Case {
    const char* name;
    std::optional<ToolRun> run;
    bool reports;
  };
  const std::string line = "\r\nHKEY_CURRENT_USER\\SOFTWARE\\...\r\n    pv    REG_SZ    ";
  const std::vector<Case> cases = {
      {"real version", ToolRun{0, line + "120.0.2210.91\r\n\r\n"}, true},
      {"exit 0, empty output", ToolRun{0, ""}, true},
      {"absent marker", ToolRun{0, line + "0.0.0.0\r\n\r\n"}, false},
      {"marker inside a longer version", ToolRun{0, line + "100.0.0.0\r\n"}, false},
      {"marker anywhere in the output", ToolRun{0, "0.0.0.0 " + line + "1.2.3.4"}, false},
      {"invalid bytes around a version", ToolRun{0, "\xFF\xFE" + line + "120.0.1.2\x80"}, true},
      {"invalid byte before the marker",
       ToolRun{0,
               "\xC3"
               "0.0.0.0"},
       false},
      {"non-zero exit with a version", ToolRun{1, line + "120.0.2210.91"}, false},
      {"key missing", ToolRun{1, "reg: Unable to find the specified registry key\r\n"}, false},
      {"tool could not run", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reg_query_reports_runtime(c.run), c.reports);
  }
}

TEST(WebView2Provisioning, FixedArgumentsAndTexts) {
  EXPECT_EQ(download_arguments(kBoot),
            (std::vector<std::string>{"-L", "-s", "-o", kBoot, "https://go.microsoft.com/fwlink/p/?LinkId=2124703"}));
  EXPECT_EQ(bootstrapper_arguments(), (std::vector<std::string>{"/silent", "/install"}));
  EXPECT_EQ(runtime_missing_caption(), "Zordel\xC3\xB3 telep\xC3\xADt\xC5\x91");
  EXPECT_EQ(runtime_missing_text(),
            "A telep\xC3\xADt\xC3\xA9shez a Microsoft WebView2 sz\xC3\xBCks\xC3\xA9ges, de nincs a g\xC3\xA9pen, "
            "\xC3\xA9s most nem siker\xC3\xBClt let\xC3\xB6lteni.\n\nKapcsol\xC3\xB3\x64j az internethez, "
            "\xC3\xA9s ind\xC3\xADtsd \xC3\xBAjra a telep\xC3\xADt\xC5\x91t \xE2\x80\x93 ez csak egyszer kell.");
}

// A machine as the provisioning sees it through its tools: the "pv" values under the three
// keys, whether curl.exe exists and what it delivers, the bootstrapper file, and what running
// the bootstrapper does. It answers each tool run as Windows would and records it.
struct Machine {
  std::map<std::string, std::string> pv;  // key -> version; a missing key fails the query
  bool reg_available = true;
  bool curl_available = true;
  bool curl_delivers = false;          // the download writes the bootstrapper
  bool bootstrapper_present = false;   // a file from an earlier run, or this run's download
  std::string bootstrapper_registers;  // key that a run of the bootstrapper sets to a version
  std::vector<std::string> calls;

  std::optional<ToolRun> run(const std::string& program, const std::vector<std::string>& args) {
    std::string call = program;
    for (const auto& a : args) call += " " + a;
    calls.push_back(call);
    if (program == "reg") {
      if (!reg_available) return std::nullopt;
      const auto it = pv.find(args.at(1));
      if (it == pv.end())
        return ToolRun{1, "ERROR: The system was unable to find the specified registry key or value."};
      return ToolRun{0, "\r\n" + args[1] + "\r\n    pv    REG_SZ    " + it->second + "\r\n\r\n"};
    }
    if (program == "curl.exe") {
      if (!curl_available) return std::nullopt;
      if (!curl_delivers) return ToolRun{6, ""};
      bootstrapper_present = true;
      return ToolRun{0, ""};
    }
    if (program == kBoot) {
      if (!bootstrapper_registers.empty()) pv[bootstrapper_registers] = "120.0.2210.91";
      return ToolRun{0, ""};
    }
    return std::nullopt;
  }
};

std::string reg_call(const std::string& key) { return "reg query " + key + " /v pv"; }
const std::string kCurlCall = "curl.exe -L -s -o " + kBoot + " https://go.microsoft.com/fwlink/p/?LinkId=2124703";
const std::string kBootCall = kBoot + " /silent /install";

TEST(WebView2Provisioning, DecisionOverRecordedToolRuns) {
  struct Case {
    const char* name;
    std::function<void(Machine&)> setup;
    bool present;
    std::vector<std::string> calls;
  };
  const std::vector<std::string> all_three = {reg_call(kWow), reg_call(kLm), reg_call(kCu)};
  auto seq = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const std::vector<Case> cases = {
      {"first key holds a version",
       [](Machine& m) {
         m.pv = {{kWow, "120.0.2210.91"}};
       },
       true,
       {reg_call(kWow)}},
      {"second key holds a version",
       [](Machine& m) {
         m.pv = {{kLm, "120.0.2210.91"}};
       },
       true,
       {reg_call(kWow), reg_call(kLm)}},
      {"only the per-user key holds a version: no download",
       [](Machine& m) {
         m.pv = {{kCu, "119.0.1.2"}};
       },
       true, all_three},
      {"first key absent marker, per-user real",
       [](Machine& m) {
         m.pv = {{kWow, "0.0.0.0"}, {kCu, "119.0.1.2"}};
       },
       true, all_three},
      {"all three 0.0.0.0, download fails, nothing to run",
       [](Machine& m) {
         m.pv = {{kWow, "0.0.0.0"}, {kLm, "0.0.0.0"}, {kCu, "0.0.0.0"}};
       },
       false, seq({all_three, {kCurlCall}, all_three})},
      {"all three 0.0.0.0, bootstrapper installs",
       [](Machine& m) {
         m.pv = {{kWow, "0.0.0.0"}, {kLm, "0.0.0.0"}, {kCu, "0.0.0.0"}};
         m.curl_delivers = true;
         m.bootstrapper_registers = kLm;
       },
       true, seq({all_three, {kCurlCall, kBootCall, reg_call(kWow), reg_call(kLm)}})},
      {"version 100.0.0.0 counts as absent everywhere",
       [](Machine& m) {
         m.pv = {{kWow, "100.0.0.0"}, {kLm, "100.0.0.0"}, {kCu, "100.0.0.0"}};
       },
       false, seq({all_three, {kCurlCall}, all_three})},
      {"reg missing: no root reports, bootstrap runs, still missing",
       [](Machine& m) {
         m.reg_available = false;
         m.curl_delivers = true;
         m.bootstrapper_registers = kCu;
       },
       false, seq({all_three, {kCurlCall, kBootCall}, all_three})},
      {"curl missing, no old bootstrapper: it is not run", [](Machine& m) { m.curl_available = false; }, false,
       seq({all_three, {kCurlCall}, all_three})},
      {"curl missing, old bootstrapper file: it runs and installs",
       [](Machine& m) {
         m.curl_available = false;
         m.bootstrapper_present = true;
         m.bootstrapper_registers = kCu;
       },
       true, seq({all_three, {kCurlCall, kBootCall}, all_three})},
      {"curl fails, old bootstrapper does nothing", [](Machine& m) { m.bootstrapper_present = true; }, false,
       seq({all_three, {kCurlCall, kBootCall}, all_three})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Machine m;
    c.setup(m);
    const bool present =
        provide_runtime([&](const std::string& p, const std::vector<std::string>& a) { return m.run(p, a); }, kBoot,
                        [&] { return m.bootstrapper_present; });
    EXPECT_EQ(present, c.present);
    EXPECT_EQ(m.calls, c.calls);
  }
}

}  // namespace
