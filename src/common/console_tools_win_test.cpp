// run_hidden and start_hidden_raw against real child processes under Wine (or Windows).
#include "common/console_tools_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
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

std::wstring env_path() {
  wchar_t b[32768];
  const DWORD n = GetEnvironmentVariableW(L"PATH", b, 32768);
  return std::wstring(b, n < 32768 ? n : 0);
}

// The file that a probe result says it ran from, or empty when the tool gave no result.
fs::path self_of(const std::optional<ToolResult>& r) {
  if (!r) return {};
  return fs::path(to_wide(nlohmann::json::parse(r->out)["self"].get<std::string>()));
}

TEST(RunHidden, SearchesSystemFolderThenWindowsFolderThenPathNeverOwnOrCurrentFolder) {
  Scratch path_dir("zordelo-search-path");
  Copy in_path("argv_echo.exe", path_dir.dir / "zprobe.exe");
  EnvVar path(L"PATH", path_dir.dir.wstring() + L";" + env_path());

  // A name only in PATH is found there.
  EXPECT_EQ(self_of(run_hidden("zprobe", {})), in_path.target);
  EXPECT_EQ(self_of(run_hidden("zprobe.exe", {})), in_path.target);

  // A copy beside the running program (where a download folder's files would lie) is passed
  // over, and one found only there is not found at all.
  {
    Copy in_own("argv_echo.exe", own_dir() / "zprobe.exe");
    EXPECT_EQ(self_of(run_hidden("zprobe", {})), in_path.target);
    Copy own_only("argv_echo.exe", own_dir() / "zownonly.exe");
    EXPECT_FALSE(run_hidden("zownonly", {}).has_value());
  }

  // The system folder wins over PATH: a "hostname.exe" in PATH is not the one that runs.
  Copy shadow("argv_echo.exe", path_dir.dir / "hostname.exe");
  const auto r = run_hidden("hostname", {});
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->out.find("\"self\""), std::string::npos) << r->out;

  // A copy in the current folder alone is not found, also not through a relative PATH entry.
  Scratch cwd("zordelo-search-cwd");
  Copy in_cwd("argv_echo.exe", cwd.dir / "zcwdonly.exe");
  wchar_t old_cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old_cwd);
  SetCurrentDirectoryW(cwd.dir.c_str());
  EXPECT_FALSE(run_hidden("zcwdonly", {}).has_value());
  EXPECT_FALSE(run_hidden("zcwdonly.exe", {}).has_value());
  {
    EnvVar relative(L"PATH", L".;.\\;" + env_path());
    EXPECT_FALSE(run_hidden("zcwdonly", {}).has_value());
  }
  SetCurrentDirectoryW(old_cwd);
}

// An inheritable handle of this process to a file of its own: what a tool must not get.
struct InheritableFile {
  Scratch dir{"zordelo-inheritable"};
  fs::path path = dir.dir / "secret.txt";
  HANDLE h = nullptr;
  InheritableFile() {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~InheritableFile() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  std::wstring value() const { return std::to_wstring(reinterpret_cast<uintptr_t>(h)); }
};

// Whether the probe's report says it could use the handle to that file.
bool probe_holds(const nlohmann::json& report, const fs::path& file) {
  for (const auto& h : report["handles"])
    if (h["valid"].get<bool>() && !h["path"].is_null() &&
        fs::path(to_wide(h["path"].get<std::string>())).filename() == file.filename())
      return true;
  return false;
}

// The probe's log lines (it writes one per start) once there are `count` of them.
std::vector<nlohmann::json> probe_log(const fs::path& log, size_t count) {
  std::vector<nlohmann::json> out;
  for (int i = 0; i < 200; ++i) {
    out.clear();
    {
      // Closed before the pause: the probes append only while nobody has the file open.
      std::ifstream in(log);
      std::string line;
      while (std::getline(in, line))
        if (!line.empty()) out.push_back(nlohmann::json::parse(line));
    }
    if (out.size() >= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return out;
}

TEST(RunHidden, TheToolInheritsItsThreeHandlesAndNoOther) {
  InheritableFile secret;
  ASSERT_NE(secret.h, INVALID_HANDLE_VALUE);
  EnvVar handles(L"ZORDELO_PROBE_HANDLES", secret.value());
  Scratch dir("zordelo-probe-log");
  EnvVar log(L"ZORDELO_STANDIN_LOG", (dir.dir / "log.jsonl").wstring());

  // A child started the plain way (every inheritable handle) gets the file: the probe sees it.
  {
    std::wstring line = L"\"" + to_wide(fixture("inherit_probe.exe")) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(to_wide(fixture("inherit_probe.exe")).c_str(), line.data(), nullptr, nullptr, TRUE,
                               CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const auto seen = probe_log(dir.dir / "log.jsonl", 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(probe_holds(seen[0], secret.path)) << seen[0].dump();
  }

  // run_hidden's tool does not, and its output pipe works.
  const auto r = run_hidden(fixture("inherit_probe.exe"), {});
  ASSERT_TRUE(r.has_value());
  const auto report = nlohmann::json::parse(r->out);
  EXPECT_FALSE(probe_holds(report, secret.path)) << report.dump();

  // Nor does a child started raw.
  start_hidden_raw(fixture("inherit_probe.exe"), "raw", {});
  const auto seen = probe_log(dir.dir / "log.jsonl", 3);
  ASSERT_EQ(seen.size(), 3u) << nlohmann::json(seen).dump();
  EXPECT_EQ(seen[2]["argv"][1], "raw");
  EXPECT_FALSE(probe_holds(seen[2], secret.path)) << seen[2].dump();
}

// The error mode that a probe reports when started the plain way (CreateProcessW without
// CREATE_DEFAULT_ERROR_MODE), with this process's mode set to `mode` meanwhile.
unsigned plain_child_error_mode(UINT mode, const fs::path& log) {
  std::wstring line = L"\"" + to_wide(fixture("inherit_probe.exe")) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const UINT old = SetErrorMode(mode);
  const BOOL started = CreateProcessW(to_wide(fixture("inherit_probe.exe")).c_str(), line.data(), nullptr, nullptr,
                                      FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  SetErrorMode(old);
  if (!started) return ~0u;
  WaitForSingleObject(pi.hProcess, 30000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  const auto seen = probe_log(log, 1);
  return seen.empty() ? ~0u : seen.back()["error_mode"].get<unsigned>();
}

TEST(RunHidden, TheToolAndTheRawChildInheritTheErrorMode) {
  constexpr UINT kQuiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  Scratch dir("zordelo-error-mode");
  const fs::path log = dir.dir / "log.jsonl";
  EnvVar env(L"ZORDELO_STANDIN_LOG", log.wstring());
  // Windows passes the mode on to every child; Wine 8 passes none on (its children start with
  // 0), so there the tools' share cannot be seen.
  if (plain_child_error_mode(kQuiet, log) != kQuiet) GTEST_SKIP() << "this system passes no error mode on to children";

  const UINT old = SetErrorMode(kQuiet);
  const auto r = run_hidden(fixture("inherit_probe.exe"), {});
  start_hidden_raw(fixture("inherit_probe.exe"), "raw", {});
  SetErrorMode(old);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(nlohmann::json::parse(r->out)["error_mode"].get<unsigned>(), kQuiet);
  const auto seen = probe_log(log, 3);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2]["error_mode"].get<unsigned>(), kQuiet);
}

TEST(RunHidden, AToolThatLeavesAChildBehindEndsTheWaitWhenItEnds) {
  // The child inherits the tool's output and error and lives 60 s; the tool writes and exits.
  struct Case {
    const char* exit_code;
    size_t out_bytes, err_bytes;
  } cases[] = {{"7", 3, 2}, {"0", 0, 0}, {"4294967295", 300000, 70000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out_bytes);
    const auto started = std::chrono::steady_clock::now();
    const auto r = run_hidden(fixture("lingering.exe"),
                              {c.exit_code, std::to_string(c.out_bytes), std::to_string(c.err_bytes), "60"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(r.has_value());
    std::printf("run_hidden returned after %.2f s\n", seconds);
    EXPECT_EQ(r->exit_code, std::stoul(c.exit_code));
    const size_t eol = r->out.find('\n');
    ASSERT_NE(eol, std::string::npos) << r->out.substr(0, 100);
    ASSERT_EQ(r->out.substr(0, 6), "child=");
    EXPECT_EQ(r->out.substr(eol + 1), std::string(c.out_bytes, 'o'));
    EXPECT_EQ(r->err, std::string(c.err_bytes, 'e'));
    const HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, std::stoul(r->out.substr(6, eol - 6)));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitForSingleObject(child, 0), DWORD{WAIT_TIMEOUT}) << "the child still holds the pipes";
    TerminateProcess(child, 0);
    CloseHandle(child);
  }
}

TEST(StartHiddenRaw, ReturnsAtOnceAndTheRawTextArrivesByteForByte) {
  Scratch dir("zordelo-raw");
  const fs::path log = dir.dir / "log.jsonl";
  EnvVar env(L"ZORDELO_STANDIN_LOG", log.wstring());
  const std::string raw = "/C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q \"C:\\a b\\Zordelo\" \"x\"\"y\" ő";
  start_hidden_raw(fixture("argv_echo.exe"), raw, {});
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
  start_hidden_raw("cmd", "/C ping 127.0.0.1 -n 3 >nul & echo done>\"" + from_wide(marker.wstring()) + "\"", {});
  EXPECT_FALSE(fs::exists(marker)) << "returned only after the child had finished";
  for (int i = 0; i < 200 && !fs::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(fs::exists(marker)) << "the child ran on and finished";
}

TEST(StartHiddenRaw, TheChildRunsInTheGivenWorkingFolder) {
  Scratch dir("zordelo-raw-cwd");
  Scratch folder("zordelo-raw-cwd-here");
  const fs::path log = dir.dir / "log.jsonl";
  EnvVar env(L"ZORDELO_STANDIN_LOG", log.wstring());
  wchar_t own_cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, own_cwd);
  start_hidden_raw(fixture("inherit_probe.exe"), "given", folder.dir.wstring());
  ASSERT_EQ(probe_log(log, 1).size(), 1u);
  start_hidden_raw(fixture("inherit_probe.exe"), "own", {});
  const auto seen = probe_log(log, 2);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(fs::path(to_wide(seen[0]["cwd"].get<std::string>())), folder.dir);
  EXPECT_EQ(fs::path(to_wide(seen[1]["cwd"].get<std::string>())), fs::path(own_cwd));
}

}  // namespace
