// run_hidden and start_hidden_raw against real child processes under Wine (or Windows).
#include "common/console_tools_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "common/system_win.h"
#include "common/win_text_win.h"

namespace {

namespace fs = std::filesystem;

fs::path fixture_dir() { return fs::path(to_wide(ZORDELO_FIXTURE_DIR)); }
fs::path own_dir() { return fs::path(*own_exe_path()).parent_path(); }
std::string fixture(const char* name) { return from_wide((fixture_dir() / name).wstring()); }

// A scratch folder under the temporary folder, removed at the end of the test.
struct Scratch {
  fs::path dir;
  explicit Scratch(const char* name) : dir(fs::path(temp_folder()) / name) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

// Puts a copy of a fixture at target for the time of a test.
struct Copy {
  fs::path target;
  Copy(const char* fixture_name, fs::path to) : target(std::move(to)) {
    fs::copy_file(fixture_dir() / fixture_name, target, fs::copy_options::overwrite_existing);
  }
  ~Copy() {
    std::error_code ec;
    fs::remove(target, ec);
  }
};

struct EnvVar {
  std::wstring name;
  std::optional<std::wstring> old;
  EnvVar(const wchar_t* n, const std::wstring& value) : name(n) {
    wchar_t buf[32768];
    const DWORD len = GetEnvironmentVariableW(n, buf, 32768);
    if (len) old = std::wstring(buf, len);
    SetEnvironmentVariableW(n, value.c_str());
  }
  ~EnvVar() { SetEnvironmentVariableW(name.c_str(), old ? old->c_str() : nullptr); }
};

nlohmann::json echo(const std::vector<std::string>& args) {
  const auto r = run_hidden(fixture("argv_echo.exe"), args);
  EXPECT_TRUE(r.has_value());
  if (!r) return {};
  return nlohmann::json::parse(r->out);
}

TEST(RunHidden, EveryArgumentArrivesExactly) {
  const std::vector<std::string> table[] = {
      {""},
      {"", "x", ""},
      {"two words", "tab\there"},
      {"q\"uote", "\"", "\"\"", "\"C:\\Program Files\\Zordelo\\uninstall.exe\""},
      {"a\\\\\"b", "\\\\\"", "end\\\\", "wrapped end\\", "C:\\with space\\\\"},
      {"Zordeló telepítő", "árvíztűrő tükörfúrógép", "\xF0\x9F\x98\x80 \xF0\x90\x80\x80"},
      {std::string(20000, 'A') + "+/=="},
  };
  for (const auto& args : table) {
    const auto got = echo(args);
    std::vector<std::string> want = {fixture("argv_echo.exe")};
    want.insert(want.end(), args.begin(), args.end());
    EXPECT_EQ(got["argv"].get<std::vector<std::string>>(), want);
  }
}

TEST(RunHidden, Base64IsNeverWrappedAndTheProgramIsQuoted) {
  const std::string b64 = "QQBCAEMA+/==";
  const auto got = echo({"-EncodedCommand", b64});
  EXPECT_EQ(got["cmdline"].get<std::string>(), "\"" + fixture("argv_echo.exe") + "\" -EncodedCommand " + b64);
}

TEST(RunHidden, ExitCodeComesBackUnchangedAs32Bits) {
  for (const char* code : {"0", "1", "128", "4294967295", "3221225477"}) {
    EnvVar env(L"ARGV_ECHO_EXIT", to_wide(code));
    const auto r = run_hidden(fixture("argv_echo.exe"), {});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->exit_code, std::stoul(code));
  }
}

TEST(RunHidden, FullStderrWhileStdoutStaysSilentIsCollected) {
  const auto r = run_hidden(fixture("noisy.exe"), {"0", "16777216", "7"});
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->err.size(), 16777216u);
  EXPECT_EQ(r->out.size(), 0u);
  EXPECT_EQ(r->exit_code, 7u);
  EXPECT_EQ(r->err.substr(0, 3), "abc");
  const auto both = run_hidden(fixture("noisy.exe"), {"3000000", "3000000", "0"});
  ASSERT_TRUE(both.has_value());
  EXPECT_EQ(both->out.size(), 3000000u);
  EXPECT_EQ(both->err.size(), 3000000u);
}

TEST(RunHidden, StdinIsTheNullDevice) {
  // findstr reads stdin to its end; with the null device it ends at once with "no match".
  const auto r = run_hidden("findstr", {"x"});
  if (!r) GTEST_SKIP() << "no findstr in this system";
  EXPECT_EQ(r->out, "");
}

TEST(RunHidden, MissingToolGivesNoResult) {
  EXPECT_FALSE(run_hidden("zordelo-no-such-tool", {}).has_value());
  EXPECT_FALSE(run_hidden("C:\\no\\such\\tool.exe", {}).has_value());
}

TEST(RunHidden, SearchOrderOwnFolderThenSystemThenPathNeverCurrentFolder) {
  // A name only in PATH is found there.
  Scratch path_dir("zordelo-search-path");
  Copy in_path("argv_echo.exe", path_dir.dir / "zprobe.exe");
  const std::wstring old_path = [] {
    wchar_t b[32768];
    return std::wstring(b, GetEnvironmentVariableW(L"PATH", b, 32768));
  }();
  EnvVar path(L"PATH", path_dir.dir.wstring() + L";" + old_path);
  auto r = run_hidden("zprobe", {});
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(fs::path(to_wide(nlohmann::json::parse(r->out)["self"].get<std::string>())), in_path.target);

  // A copy in our own folder wins over PATH.
  {
    Copy in_own("argv_echo.exe", own_dir() / "zprobe.exe");
    r = run_hidden("zprobe", {});
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(fs::path(to_wide(nlohmann::json::parse(r->out)["self"].get<std::string>())), in_own.target);
  }

  // The system folder wins over PATH: a "hostname.exe" in PATH is not the one that runs.
  Copy shadow("argv_echo.exe", path_dir.dir / "hostname.exe");
  r = run_hidden("hostname", {});
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->out.find("\"self\""), std::string::npos) << r->out;

  // A copy in the current folder alone is not found.
  Scratch cwd("zordelo-search-cwd");
  Copy in_cwd("argv_echo.exe", cwd.dir / "zcwdonly.exe");
  wchar_t old_cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old_cwd);
  SetCurrentDirectoryW(cwd.dir.c_str());
  EXPECT_FALSE(run_hidden("zcwdonly", {}).has_value());
  EXPECT_FALSE(run_hidden("zcwdonly.exe", {}).has_value());
  SetCurrentDirectoryW(old_cwd);
}

TEST(StartHiddenRaw, ReturnsAtOnceAndTheRawTextArrivesByteForByte) {
  Scratch dir("zordelo-raw");
  const fs::path log = dir.dir / "log.jsonl";
  EnvVar env(L"ZORDELO_STANDIN_LOG", log.wstring());
  const std::string raw = "/C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q \"C:\\a b\\Zordelo\" \"x\"\"y\" ő";
  start_hidden_raw(fixture("argv_echo.exe"), raw);
  for (int i = 0; i < 100 && !fs::exists(log); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(fs::exists(log));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::ifstream in(log);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(nlohmann::json::parse(line)["cmdline"].get<std::string>(), "\"" + fixture("argv_echo.exe") + "\" " + raw);
}

TEST(StartHiddenRaw, DoesNotWaitForTheChild) {
  // cmd waits ~3 s in ping; start_hidden_raw must be back long before.
  Scratch dir("zordelo-nowait");
  const fs::path marker = dir.dir / "marker.txt";
  start_hidden_raw("cmd", "/C ping 127.0.0.1 -n 3 >nul & echo done>\"" + from_wide(marker.wstring()) + "\"");
  EXPECT_FALSE(fs::exists(marker)) << "returned only after the child had finished";
  for (int i = 0; i < 200 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(fs::exists(marker)) << "the child ran on and finished";
}

}  // namespace
