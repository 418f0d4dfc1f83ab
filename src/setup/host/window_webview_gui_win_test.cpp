// The web view layer against the stand-in WebView2 runtime (tests/fixtures/webview2_runtime),
// inside a real installer window on an Xvfb screen under Wine. The stand-in records what it is
// handed as JSON lines; these tests read them back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "common/system_win.h"
#include "common/win_text_win.h"
#include "setup/host/installer_window_win.h"
#include "setup/webview/webview_win.h"

namespace {

using nlohmann::json;

const std::string kBridge =
    "Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
    "window.chrome.webview.postMessage(s) }) });";

// A Unix path of the build as Wine's Z: path.
std::wstring wine_path(const std::string& unix_path) {
  std::wstring out = L"Z:" + to_wide(unix_path);
  for (auto& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

const std::wstring kRuntimeFolder = wine_path(ZORDELO_WV2_STANDIN_FOLDER);

void pump_until(const std::function<bool()>& done, DWORD timeout_ms = 5000) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  MSG msg;
  while (!done() && GetTickCount64() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

void pump_for(DWORD ms) {
  pump_until([] { return false; }, ms);
}

void set_env(const wchar_t* name, const std::wstring& value) { SetEnvironmentVariableW(name, value.c_str()); }
void clear_env(const wchar_t* name) { SetEnvironmentVariableW(name, nullptr); }

void write_file(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

std::string read_file(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Each test gets its own log, scenario and data folder names, and a clean environment.
struct StandinRun {
  std::wstring dir, log, scenario, data;
  explicit StandinRun(const std::string& name) {
    dir = temp_folder() + L"wv-" + to_wide(name);
    CreateDirectoryW(dir.c_str(), nullptr);
    log = dir + L"\\standin.jsonl";
    scenario = dir + L"\\scenario.txt";
    data = dir + L"\\ZordeloSetup-wv";
    DeleteFileW(log.c_str());
    set_env(L"ZORDELO_STANDIN_LOG", log);
    set_env(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", kRuntimeFolder);
    for (const wchar_t* v : {L"ZORDELO_WV2_SCENARIO", L"ZORDELO_WV2_FAIL", L"ZORDELO_WV2_NO_CONTROLLER2",
                             L"ZORDELO_WV2_NO_CONTROLLER4", L"ZORDELO_WV2_NO_SETTINGS3"})
      clear_env(v);
  }
  std::vector<json> records() const {
    std::vector<json> out;
    std::istringstream lines(read_file(log));
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) out.push_back(json::parse(line));
    return out;
  }
  std::vector<json> events(const std::string& event) const {
    std::vector<json> out;
    for (auto& r : records())
      if (r.value("event", "") == event) out.push_back(r);
    return out;
  }
  // Index of the first record of the event in the log, or -1.
  int position(const std::string& event) const {
    const auto all = records();
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i].value("event", "") == event) return static_cast<int>(i);
    return -1;
  }
};

HWND make_window() {
  const WindowOutcome made = create_installer_window([] {});
  EXPECT_TRUE(made.error.empty()) << made.error;
  if (made.window) centre_window(made.window);
  return made.window;
}

// A page with non-ASCII text and a size that is not a round number.
std::string sample_page() {
  std::string page = "<!doctype html><html lang=\"hu\"><meta charset=\"utf-8\"><title>Zordeló telepítő</title><body>";
  for (int i = 0; i < 2000; ++i) page += "<p>Telepítés – " + std::to_string(i) + " ✓ őű</p>";
  return page + "</body></html>";
}

TEST(WebView, CreationHandsTheRuntimeEverythingInOrder) {
  StandinRun run("create");
  HWND window = make_window();
  ASSERT_NE(window, nullptr);
  const std::string page = sample_page();
  const WebViewOutcome made = create_webview(window, run.data, page, 5, 7, 10, [](const std::string&) {});
  ASSERT_TRUE(made.error.empty()) << made.error;
  ASSERT_NE(made.view, nullptr);

  const auto environment = run.events("environment");
  ASSERT_EQ(environment.size(), 1u);
  const json& e = environment[0];
  EXPECT_EQ(e["first_arg"], true);
  EXPECT_EQ(e["kind"], 1);  // a fixed-version folder, from WEBVIEW2_BROWSER_EXECUTABLE_FOLDER
  EXPECT_EQ(e["user_data_folder"], from_wide(run.data));
  EXPECT_EQ(e["apartment"], "sta");
  EXPECT_EQ(
      e["arguments"],
      "--disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection --autoplay-policy=no-user-gesture-required");
  // The user's UI language by its locale name: the system reads it back as that language.
  const std::string language = e["language"].get<std::string>();
  EXPECT_FALSE(language.empty());
  EXPECT_EQ(LANGIDFROMLCID(LocaleNameToLCID(to_wide(language).c_str(), LOCALE_ALLOW_NEUTRAL_NAMES)),
            GetUserDefaultUILanguage())
      << language;
  EXPECT_EQ(e["target_version"], "89.0.774.44");
  EXPECT_EQ(e["single_sign_on"], false);
  EXPECT_EQ(e["task_allocated"], true);
  EXPECT_EQ(e["identity"], true);
  EXPECT_EQ(e["later_options"], json::array());

  const auto controller = run.events("controller");
  ASSERT_EQ(controller.size(), 1u);
  EXPECT_EQ(controller[0]["parent"], true);
  EXPECT_EQ(controller[0]["parent_title"], "Zordeló telepítő");

  const auto background = run.events("background");
  ASSERT_EQ(background.size(), 1u);
  EXPECT_EQ(background[0]["a"], 255);
  EXPECT_EQ(background[0]["r"], 5);
  EXPECT_EQ(background[0]["g"], 7);
  EXPECT_EQ(background[0]["b"], 10);

  RECT client{};
  GetClientRect(window, &client);
  const auto bounds = run.events("bounds");
  ASSERT_FALSE(bounds.empty());
  EXPECT_EQ(bounds.back()["left"], 0);
  EXPECT_EQ(bounds.back()["top"], 0);
  EXPECT_EQ(bounds.back()["right"], client.right);
  EXPECT_EQ(bounds.back()["bottom"], client.bottom);
  ASSERT_FALSE(run.events("visible").empty());
  EXPECT_EQ(run.events("visible").back()["value"], true);

  const auto scripts = run.events("add_script");
  ASSERT_EQ(scripts.size(), 1u);  // the bridge and nothing else
  EXPECT_EQ(scripts[0]["script"], kBridge);

  const auto navigate = run.events("navigate");
  ASSERT_EQ(navigate.size(), 1u);
  const json& n = navigate[0];
  EXPECT_EQ(n["length"], page.size());
  EXPECT_EQ(read_file(to_wide(n["page_file"].get<std::string>())), page);
  EXPECT_EQ(n["scripts_before"], json::array({kBridge}));  // registered (and completed) before the page
  EXPECT_EQ(n["handlers_before"], 1);
  const json& s = n["settings"];
  EXPECT_EQ(s["IsStatusBarEnabled"], false);
  EXPECT_EQ(s["AreDefaultContextMenusEnabled"], true);
  EXPECT_EQ(s["IsZoomControlEnabled"], false);
  EXPECT_EQ(s["AreDevToolsEnabled"], false);
  EXPECT_EQ(s["IsScriptEnabled"], true);
  EXPECT_EQ(s["IsWebMessageEnabled"], true);
  EXPECT_EQ(s["AreDefaultScriptDialogsEnabled"], true);
  EXPECT_EQ(s["AreHostObjectsAllowed"], true);
  EXPECT_EQ(s["IsBuiltInErrorPageEnabled"], true);

  // Order: environment, controller, colour, bridge, page.
  EXPECT_LT(run.position("environment"), run.position("controller"));
  EXPECT_LT(run.position("controller"), run.position("background"));
  EXPECT_LT(run.position("background"), run.position("add_script"));
  EXPECT_LT(run.position("add_script"), run.position("navigate"));
  DestroyWindow(window);
}

TEST(WebView, ScriptsReachThePageAndPageMessagesReachTheHandlerInOrder) {
  StandinRun run("messages");
  write_file(run.scenario,
             "# the page's first messages\n"
             "post {\"cmd\":\"drag\"}\n"
             "postjson {\"cmd\":\"min\"}\n"
             "post második üzenet ✓\n"
             "wait done(\n"
             "post after the done call\n"
             "post \n");
  set_env(L"ZORDELO_WV2_SCENARIO", run.scenario);
  HWND window = make_window();
  ASSERT_NE(window, nullptr);
  std::vector<std::string> got;
  const WebViewOutcome made =
      create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [&](const std::string& text) { got.push_back(text); });
  ASSERT_TRUE(made.error.empty()) << made.error;

  pump_until([&] { return got.size() >= 2; });
  pump_for(100);
  // The non-string message is dropped; the scenario now waits for a done call.
  ASSERT_EQ(got, (std::vector<std::string>{"{\"cmd\":\"drag\"}", "második üzenet ✓"}));

  evaluate_script(made.view, "progress(5,\"Kicsomagolás…\")");
  evaluate_script(made.view, "done(\"C:\\\\Users\\\\u\\\\Zordelo\")");
  pump_until([&] { return got.size() >= 4; });
  EXPECT_EQ(got, (std::vector<std::string>{"{\"cmd\":\"drag\"}", "második üzenet ✓", "after the done call", ""}));

  const auto executed = run.events("execute_script");
  ASSERT_EQ(executed.size(), 2u);
  EXPECT_EQ(executed[0]["script"], "progress(5,\"Kicsomagolás…\")");
  EXPECT_EQ(executed[1]["script"], "done(\"C:\\\\Users\\\\u\\\\Zordelo\")");
  pump_until([&] { return !run.events("scenario_end").empty(); });
  EXPECT_EQ(run.events("scenario_end").size(), 1u);
  DestroyWindow(window);
}

TEST(WebView, BoundsFocusAndMovesFollowTheWindow) {
  StandinRun run("follow");
  HWND window = make_window();
  ASSERT_NE(window, nullptr);
  const WebViewOutcome made = create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [](const std::string&) {});
  ASSERT_TRUE(made.error.empty()) << made.error;
  attach_webview(window, made.view);
  pump_for(50);

  SetWindowPos(window, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  pump_for(50);
  RECT client{};
  GetClientRect(window, &client);
  auto bounds = run.events("bounds");
  ASSERT_FALSE(bounds.empty());
  EXPECT_EQ(bounds.back()["right"], client.right);
  EXPECT_EQ(bounds.back()["bottom"], client.bottom);
  EXPECT_EQ(client.right, 700);  // the whole window is client area

  ShowWindow(window, SW_MAXIMIZE);
  pump_for(100);
  GetClientRect(window, &client);
  bounds = run.events("bounds");
  EXPECT_EQ(bounds.back()["right"], client.right);
  EXPECT_EQ(bounds.back()["bottom"], client.bottom);
  ShowWindow(window, SW_RESTORE);
  pump_for(50);

  const size_t moves = run.events("parent_moved").size();
  SetWindowPos(window, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  pump_for(50);
  EXPECT_GT(run.events("parent_moved").size(), moves);

  SetFocus(nullptr);
  const size_t focus = run.events("focus").size();
  SetForegroundWindow(window);
  SetFocus(window);
  pump_for(50);
  const auto focused = run.events("focus");
  ASSERT_GT(focused.size(), focus);
  EXPECT_EQ(focused.back()["reason"], 0);  // programmatic: the page's last focused element
  DestroyWindow(window);
}

TEST(WebView, RuntimeFoundThroughTheRegistry) {
  StandinRun run("registry");
  clear_env(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
  HWND window = make_window();
  ASSERT_NE(window, nullptr);

  // Nothing registered: the runtime's "file not found".
  WebViewOutcome made = create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [](const std::string&) {});
  EXPECT_EQ(made.view, nullptr);
  EXPECT_NE(made.error.find("0x80070002"), std::string::npos) << made.error;

  // A per-user Beta runtime, in the 32-bit registry view as EdgeUpdate writes it.
  const std::wstring key = L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}";
  HKEY h = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &h, nullptr),
      ERROR_SUCCESS);
  const DWORD bytes = static_cast<DWORD>((kRuntimeFolder.size() + 1) * sizeof(wchar_t));
  ASSERT_EQ(RegSetValueExW(h, L"EBWebView", 0, REG_SZ, reinterpret_cast<const BYTE*>(kRuntimeFolder.c_str()), bytes),
            ERROR_SUCCESS);
  RegCloseKey(h);

  made = create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [](const std::string&) {});
  EXPECT_TRUE(made.error.empty()) << made.error;
  EXPECT_NE(made.view, nullptr);
  const auto environment = run.events("environment");
  ASSERT_EQ(environment.size(), 1u);
  EXPECT_EQ(environment[0]["kind"], 0);  // the installed runtime
  EXPECT_EQ(run.events("navigate").size(), 1u);
  RegDeleteKeyExW(HKEY_CURRENT_USER, key.c_str(), KEY_WOW64_32KEY, 0);
  DestroyWindow(window);
}

TEST(WebView, RuntimeFailuresBecomeErrors) {
  struct Case {
    const wchar_t* fail;
    const char* step;
  } cases[] = {
      {L"environment", "environment creation"},
      {L"controller", "controller creation"},
      {L"script", "bridge script registration"},
  };
  for (const auto& c : cases) {
    StandinRun run("fail-" + from_wide(c.fail));
    set_env(L"ZORDELO_WV2_FAIL", c.fail);
    HWND window = make_window();
    ASSERT_NE(window, nullptr);
    const WebViewOutcome made = create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [](const std::string&) {});
    EXPECT_EQ(made.view, nullptr) << c.step;
    EXPECT_NE(made.error.find(c.step), std::string::npos) << made.error;
    EXPECT_NE(made.error.find("0x80004005"), std::string::npos) << made.error;
    EXPECT_TRUE(run.events("navigate").empty()) << c.step;  // no page without a working bridge
    DestroyWindow(window);
  }

  // A runtime folder without the library.
  StandinRun run("fail-folder");
  set_env(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", temp_folder() + L"no-such-runtime");
  HWND window = make_window();
  const WebViewOutcome made = create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [](const std::string&) {});
  EXPECT_EQ(made.view, nullptr);
  EXPECT_NE(made.error.find("LoadLibrary"), std::string::npos) << made.error;
  DestroyWindow(window);
}

TEST(WebView, OldRuntimeWithoutController2StillWorks) {
  StandinRun run("old");
  set_env(L"ZORDELO_WV2_NO_CONTROLLER2", L"1");
  HWND window = make_window();
  ASSERT_NE(window, nullptr);
  const WebViewOutcome made = create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [](const std::string&) {});
  EXPECT_TRUE(made.error.empty()) << made.error;
  EXPECT_NE(made.view, nullptr);
  EXPECT_TRUE(run.events("background").empty());
  EXPECT_EQ(run.events("navigate").size(), 1u);
  DestroyWindow(window);
}

// The lock: the page's own load goes ahead, every later top-frame navigation is cancelled and
// no new window opens, whatever started them; scripts keep reaching the one page.
const char kLaterNavigations[] =
    "navigate reload about:blank\n"
    "navigate drop file:///C:/Users/u/Downloads/level.html\n"
    "navigate link https://example.com/\n"
    "navigate script https://example.com/other\n"
    "navigate history about:blank\n"
    "newwindow https://example.com/popup\n"
    "newwindow about:blank\n"
    "post after\n";

// Checks the navigation and new-window records of a run that played kLaterNavigations.
void expect_page_locked(const StandinRun& run) {
  const auto navigations = run.events("navigation");
  ASSERT_EQ(navigations.size(), 6u);
  EXPECT_EQ(navigations[0]["kind"], "page");
  EXPECT_EQ(navigations[0]["cancelled"], false);
  EXPECT_EQ(navigations[0]["document"], 1);
  const char* kinds[] = {"reload", "drop", "link", "script", "history"};
  for (size_t i = 1; i < navigations.size(); ++i) {
    EXPECT_EQ(navigations[i]["kind"], kinds[i - 1]);
    EXPECT_EQ(navigations[i]["handlers"], 1) << kinds[i - 1];
    EXPECT_EQ(navigations[i]["cancelled"], true) << kinds[i - 1];
    EXPECT_EQ(navigations[i]["document"], 1) << kinds[i - 1];
  }
  EXPECT_EQ(navigations[2]["uri"], "file:///C:/Users/u/Downloads/level.html");
  const auto windows = run.events("new_window");
  ASSERT_EQ(windows.size(), 2u);
  for (const json& w : windows) {
    EXPECT_EQ(w["handlers"], 1);
    EXPECT_EQ(w["handled"], true);
    EXPECT_EQ(w["window_given"], false);
    EXPECT_EQ(w["opened"], false);
  }
}

// A current runtime takes both settings; one without Settings3 and Controller4 keeps its browser
// keys and external drops, and the lock alone holds the page there.
TEST(WebView, BrowserKeysAndExternalDropsOffWhereTheRuntimeHasThemAndThePageLockedAlways) {
  const struct {
    const char* name;
    bool old_runtime;
  } runtimes[] = {{"lock", false}, {"lock-old", true}};
  for (const auto& runtime : runtimes) {
    SCOPED_TRACE(runtime.name);
    StandinRun run(runtime.name);
    write_file(run.scenario, kLaterNavigations);
    set_env(L"ZORDELO_WV2_SCENARIO", run.scenario);
    if (runtime.old_runtime) {
      set_env(L"ZORDELO_WV2_NO_SETTINGS3", L"1");
      set_env(L"ZORDELO_WV2_NO_CONTROLLER4", L"1");
    }
    HWND window = make_window();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> got;
    const WebViewOutcome made =
        create_webview(window, run.data, "<p>x</p>", 5, 7, 10, [&](const std::string& text) { got.push_back(text); });
    ASSERT_TRUE(made.error.empty()) << made.error;
    pump_until([&] { return !got.empty(); });
    ASSERT_EQ(got, std::vector<std::string>{"after"});
    evaluate_script(made.view, "done(\"C:\\\\x\")");
    pump_for(50);

    const json off = runtime.old_runtime ? json::array() : json::array({false});
    json keys = json::array(), drops = json::array();
    for (const json& r : run.events("accelerator_keys")) keys.push_back(r["value"]);
    for (const json& r : run.events("external_drop")) drops.push_back(r["value"]);
    EXPECT_EQ(keys, off);
    EXPECT_EQ(drops, off);
    EXPECT_EQ(run.events("background").size(), 1u);  // Controller2 either way
    // Both handlers and the settings are in place before the page is handed over.
    const auto navigate = run.events("navigate");
    ASSERT_EQ(navigate.size(), 1u);
    EXPECT_EQ(navigate[0]["navigation_handlers_before"], 1);
    EXPECT_EQ(navigate[0]["new_window_handlers_before"], 1);
    EXPECT_EQ(navigate[0]["settings"]["AreBrowserAcceleratorKeysEnabled"], runtime.old_runtime);
    if (!runtime.old_runtime) EXPECT_LT(run.position("external_drop"), run.position("navigate"));
    expect_page_locked(run);
    const auto executed = run.events("execute_script");
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_EQ(executed[0]["document"], 1);
    DestroyWindow(window);
  }
}

}  // namespace
