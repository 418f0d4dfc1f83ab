#include "setup/webview/webview2_loader.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace webview2_loader {
namespace {

TEST(Webview2Loader, ParseVersion) {
  EXPECT_EQ(parse_version("131.0.2903.146"), (Version{131, 0, 2903, 146}));
  EXPECT_EQ(parse_version("86.0.616.0"), (Version{86, 0, 616, 0}));
  EXPECT_EQ(parse_version("4294967295.0.0.1"), (Version{4294967295u, 0, 0, 1}));
  for (const char* bad :
       {"", "131", "131.0.2903", "131.0.2903.146.1", "131.0.2903.", ".0.2903.146", "131..2903.146", "131.0.2903.146 ",
        " 131.0.2903.146", "131.0.2903.x", "4294967296.0.0.0", "131,0,2903,146", "-1.0.0.0", "Application"})
    EXPECT_FALSE(parse_version(bad).has_value()) << bad;
}

TEST(Webview2Loader, CompareVersionsIsNumericPerPart) {
  EXPECT_EQ(compare_versions({86, 0, 616, 0}, {86, 0, 616, 0}), 0);
  EXPECT_EQ(compare_versions({86, 0, 615, 99}, {86, 0, 616, 0}), -1);
  EXPECT_EQ(compare_versions({100, 0, 0, 0}, {86, 0, 616, 0}), 1);  // not a text comparison
  EXPECT_EQ(compare_versions({86, 1, 0, 0}, {86, 0, 616, 0}), 1);
  EXPECT_EQ(compare_versions({86, 0, 616, 1}, {86, 0, 616, 0}), 1);
}

TEST(Webview2Loader, PathsAndKeys) {
  EXPECT_EQ(client_state_key(kChannels[0]),
            "Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}");
  EXPECT_EQ(runtime_dll_path("C:\\Program Files (x86)\\Microsoft\\EdgeWebView\\Application\\131.0.2903.146"),
            "C:\\Program Files (x86)\\Microsoft\\EdgeWebView\\Application\\131.0.2903.146\\EBWebView\\x64\\"
            "EmbeddedBrowserWebView.dll");
  EXPECT_EQ(runtime_dll_path("D:\\rt\\"), "D:\\rt\\EBWebView\\x64\\EmbeddedBrowserWebView.dll");
}

TEST(Webview2Loader, FixedVersionFolder) {
  struct Case {
    const char* folder;
    const char* dll;
  } cases[] = {
      {"D:\\wv2", "D:\\wv2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {"\\\\srv\\share\\wv2", "\\\\srv\\share\\wv2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {"\\wv2", "\\wv2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
      {"wv2", "C:\\app\\wv2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},  // relative to the program
      {"..\\wv2", "C:\\app\\..\\wv2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"},
  };
  for (const auto& c : cases) {
    const auto got = fixed_version_runtime(c.folder, "C:\\app");
    ASSERT_TRUE(got.has_value()) << c.folder;
    EXPECT_EQ(got->dll_path, c.dll);
    EXPECT_EQ(got->kind, RuntimeKind::FixedVersion);
  }
  EXPECT_FALSE(fixed_version_runtime("", "C:\\app").has_value());
}

// A registry of EBWebView values and a set of existing files, recording the order of reads.
struct FakeSystem {
  std::map<std::pair<Hive, std::string>, std::string> values;
  std::set<std::string> files;
  std::vector<std::pair<Hive, std::string>> reads;

  LookupPorts ports() {
    return {[this](Hive h, const std::string& key) -> std::optional<std::string> {
              reads.emplace_back(h, key);
              auto it = values.find({h, key});
              if (it == values.end()) return std::nullopt;
              return it->second;
            },
            [this](const std::string& p) { return files.count(p) > 0; }};
  }
};

// The ClientState keys of the four channels.
const std::string kStable = "Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const std::string kBeta = "Software\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}";
const std::string kDev = "Software\\Microsoft\\EdgeUpdate\\ClientState\\{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}";
const std::string kCanary = "Software\\Microsoft\\EdgeUpdate\\ClientState\\{65C35B14-6C1D-4122-AC46-7148CC9D6497}";

TEST(Webview2Loader, InstalledRuntimeChoice) {
  const std::string app = "C:\\EdgeWebView\\Application\\";
  const std::string lib = "\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
  struct Case {
    const char* name;
    std::map<std::pair<Hive, std::string>, std::string> values;
    std::vector<std::string> existing_libraries;
    std::optional<std::string> chosen_library;
  } cases[] = {
      {"nothing registered", {}, {}, std::nullopt},
      {"stable machine-wide",
       {{{Hive::LocalMachine, kStable}, app + "131.0.2903.146"}},
       {app + "131.0.2903.146" + lib},
       app + "131.0.2903.146" + lib},
      {"per-user only",
       {{{Hive::CurrentUser, kStable}, "C:\\Users\\u\\AppData\\Local\\EdgeWebView\\Application\\120.0.1.2"}},
       {"C:\\Users\\u\\AppData\\Local\\EdgeWebView\\Application\\120.0.1.2" + lib},
       "C:\\Users\\u\\AppData\\Local\\EdgeWebView\\Application\\120.0.1.2" + lib},
      {"machine before user",
       {{{Hive::LocalMachine, kStable}, app + "130.0.0.1"}, {{Hive::CurrentUser, kStable}, app + "131.0.0.1"}},
       {app + "130.0.0.1" + lib, app + "131.0.0.1" + lib},
       app + "130.0.0.1" + lib},
      {"channel-major: user stable before machine beta",
       {{{Hive::LocalMachine, kBeta}, app + "132.0.0.1"}, {{Hive::CurrentUser, kStable}, app + "131.0.0.1"}},
       {app + "132.0.0.1" + lib, app + "131.0.0.1" + lib},
       app + "131.0.0.1" + lib},
      {"empty value skipped",
       {{{Hive::LocalMachine, kStable}, ""}, {{Hive::CurrentUser, kStable}, app + "131.0.0.1"}},
       {app + "131.0.0.1" + lib},
       app + "131.0.0.1" + lib},
      {"too old skipped, canary used",
       {{{Hive::LocalMachine, kStable}, app + "86.0.615.99"}, {{Hive::CurrentUser, kCanary}, app + "133.0.0.1"}},
       {app + "86.0.615.99" + lib, app + "133.0.0.1" + lib},
       app + "133.0.0.1" + lib},
      {"exactly the minimum is enough",
       {{{Hive::LocalMachine, kDev}, app + "86.0.616.0"}},
       {app + "86.0.616.0" + lib},
       app + "86.0.616.0" + lib},
      {"version folder with a trailing backslash",
       {{{Hive::LocalMachine, kStable}, app + "131.0.0.1\\"}},
       {app + "131.0.0.1" + lib},  // the library lies one backslash below the folder, not two
       app + "131.0.0.1" + lib},
      {"not a version folder", {{{Hive::LocalMachine, kStable}, app + "latest"}}, {app + "latest" + lib}, std::nullopt},
      {"library missing, next location used",
       {{{Hive::LocalMachine, kStable}, app + "131.0.0.1"}, {{Hive::LocalMachine, kBeta}, app + "132.0.0.1"}},
       {app + "132.0.0.1" + lib},
       app + "132.0.0.1" + lib},
  };
  for (auto& c : cases) {
    FakeSystem sys;
    sys.values = c.values;
    for (const auto& f : c.existing_libraries) sys.files.insert(f);
    const auto got = find_installed_runtime(sys.ports());
    if (!c.chosen_library) {
      EXPECT_FALSE(got.has_value()) << c.name;
      continue;
    }
    ASSERT_TRUE(got.has_value()) << c.name;
    EXPECT_EQ(got->dll_path, *c.chosen_library) << c.name;
    EXPECT_EQ(got->kind, RuntimeKind::Installed) << c.name;
  }
}

TEST(Webview2Loader, SearchOrderWhenNothingIsFound) {
  FakeSystem sys;
  EXPECT_FALSE(find_installed_runtime(sys.ports()).has_value());
  const std::vector<std::pair<Hive, std::string>> expected{
      {Hive::LocalMachine, kStable}, {Hive::CurrentUser, kStable}, {Hive::LocalMachine, kBeta},
      {Hive::CurrentUser, kBeta},    {Hive::LocalMachine, kDev},   {Hive::CurrentUser, kDev},
      {Hive::LocalMachine, kCanary}, {Hive::CurrentUser, kCanary},
  };
  EXPECT_EQ(sys.reads, expected);
}

}  // namespace
}  // namespace webview2_loader
