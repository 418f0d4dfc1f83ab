"""The windowed installer (setup.exe without arguments) under Wine and Xvfb, against our stand-in
WebView2 runtime: the window, what the runtime is handed, each page message played from a
scenario, the folder pickers, the fatal errors, and the WebView2 check and bootstrap.

Each test runs setup.exe in its own prefix, copied into a folder of its own beside copies of
planted.exe named like the tools (reg.exe, taskkill.exe, curl.exe, powershell.exe, cmd.exe), as
an earlier download could have left them: none of them may ever start. The tools that the
installer should reach are where it looks: a recording front for Wine's reg.exe in the prefix's
system folder, and a PATH folder of the run's own with the stand-in powershell.exe, and curl.exe
where a test wants a download to work. Nothing else of ours is on PATH, so "no curl.exe" means
none at all. The stand-in runtime records what the installer hands it and every script
evaluated; the tests read those records back."""
import base64
import json
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402

TITLE = "Zordeló telepítő"
PICKER_TITLE = "Telepítési hely"
CLIENT_KEY_TAIL = "\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"
QUERIES = [["query", root + CLIENT_KEY_TAIL, "/v", "pv"]
           for root in ("HKLM\\SOFTWARE\\WOW6432Node", "HKLM\\SOFTWARE", "HKCU\\SOFTWARE")]
BRIDGE = ("Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
          "window.chrome.webview.postMessage(s) }) });")
BROWSER_ARGUMENTS = ("--disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection "
                     "--autoplay-policy=no-user-gesture-required")
DOWNLOAD_ADDRESS = "https://go.microsoft.com/fwlink/p/?LinkId=2124703"
BOOTSTRAPPER = "MicrosoftEdgeWebview2Setup.exe"
RUNTIME_FOLDER = os.path.join(harness.FIXTURES, "webview2_runtime", "120.0.2210.91")
FATAL_EXIT = 3
GAME = harness.read_bytes(harness.game_input())
UNINSTALLER = harness.read_bytes(harness.UNINSTALL)


def js_string(text):
    """A JSON string literal as the installer writes it (non-ASCII kept, '/' not escaped)."""
    return json.dumps(text, ensure_ascii=False)


def post(**fields):
    """A scenario line that posts a page message as the page writes it."""
    return "post " + json.dumps(fields, ensure_ascii=False, separators=(",", ":"))


def expected_page(default_location):
    with open(os.path.join(harness.SOURCE, "assets", "page.html"), encoding="utf-8") as f:
        template = f.read()
    hero = base64.b64encode(harness.read_bytes(os.path.join(harness.SOURCE, "assets", "hero.jpg"))).decode("ascii")
    location = js_string(default_location).replace("<", "\\u003c")
    return template.replace("%%HERO%%", hero).replace("%%VERSION%%", "0.1.0").replace("%%DIR_JSON%%", location)


class InstallerRun:
    """One run of setup.exe in its own prefix, with a scenario for the stand-in runtime."""

    def __init__(self, screen, runtime_registered=True, curl=False, scenario=(), extra_env=None):
        self.prefix = harness.Prefix(display=screen.display if screen else None)
        self.app = os.path.join(self.prefix.root, "app")
        os.makedirs(self.app)
        self.setup = os.path.join(self.app, "setup.exe")
        shutil.copyfile(harness.SETUP, self.setup)
        self.prefix.plant_beside(self.app)
        self.tools = os.path.join(self.prefix.root, "tools")
        os.makedirs(self.tools)
        shutil.copyfile(os.path.join(harness.FIXTURES, "powershell.exe"), os.path.join(self.tools, "powershell.exe"))
        if curl:
            shutil.copyfile(os.path.join(harness.FIXTURES, "curl.exe"), os.path.join(self.tools, "curl.exe"))
        self.prefix.plant_system_tool("reg.exe")
        if runtime_registered:
            self.register_runtime("HKCU\\SOFTWARE")
        scenario_file = os.path.join(self.prefix.root, "scenario.txt")
        with open(scenario_file, "w", encoding="utf-8") as f:
            f.write("\n".join(scenario) + "\n")
        self.env = {
            "WINEPATH": harness.unix_to_windows_z(self.tools),  # only these stand-ins are on PATH
            "ZORDELO_WV2_SCENARIO": harness.unix_to_windows_z(scenario_file),
            "WEBVIEW2_BROWSER_EXECUTABLE_FOLDER": harness.unix_to_windows_z(RUNTIME_FOLDER),
            "ZORDELO_CURL_SOURCE": harness.unix_to_windows_z(os.path.join(harness.FIXTURES, "standin_bootstrapper.exe")),
            **(extra_env or {}),
        }
        self.stderr = tempfile.TemporaryFile(dir=self.prefix.root)
        self.process = None

    def register_runtime(self, root, version="120.0.2210.91"):
        r = self.prefix.wine_tool("reg", "add", root + CLIENT_KEY_TAIL, "/v", "pv", "/t", "REG_SZ", "/d", version, "/f")
        assert r.returncode == 0, r.stdout

    def start(self, *args):
        self.process = self.prefix.start(self.setup, args, env=self.env, stderr=self.stderr)
        return self

    def wait(self, timeout=120):
        """(exit status, standard error text) once setup.exe has ended."""
        self.process.wait(timeout=timeout)
        self.stderr.seek(0)
        return self.process.returncode, self.stderr.read().decode("utf-8", "replace")

    def records(self, tool=None):
        return [r for r in self.prefix.standin_log() if tool is None or r.get("tool") == tool]

    def runtime_events(self, event):
        return [r for r in self.records("webview2") if r.get("event") == event]

    def scripts(self):
        return [r["script"] for r in self.runtime_events("execute_script")]

    def reg_queries(self):
        return [r["argv"][1:] for r in self.records("reg") if r["argv"][1:2] == ["query"]]

    def wait_for_record(self, predicate, timeout=60, while_running=True):
        """Whether a record matching predicate arrives in time; with while_running, stops waiting
        once setup.exe has ended (records of programs it started may still come later)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if any(predicate(r) for r in self.records()):
                return True
            if while_running and self.process and self.process.poll() is not None:
                break
            time.sleep(0.1)
        return any(predicate(r) for r in self.records())

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.stderr.close()
        self.prefix.close()


class GraphicalInstaller(unittest.TestCase):
    x = None  # the suite's X server

    @classmethod
    def setUpClass(cls):
        harness.ensure_template()
        cls.x = harness.XServer().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.x.__exit__(None, None, None)

    def xdotool(self, *args):
        return self.x.xdotool(*map(str, args)).stdout

    def windows(self, title):
        """The visible windows titled exactly title."""
        return self.x.visible_windows("^" + re.escape(title) + "$")

    def wait_for_windows(self, title, timeout=60):
        return harness.wait_until(lambda: self.windows(title), timeout) or []

    def installer(self, display=True, **kwargs):
        run = InstallerRun(self.x if display else None, **kwargs)
        self.addCleanup(run.close)  # stops the run's wineserver while the X server still exists
        return run

    def temp_folder(self, run):
        return f"C:\\users\\{run.prefix.user}\\Temp\\"

    def unix(self, run, windows_path):
        return run.prefix.to_unix(windows_path)

    def assert_ends(self, run, status, timeout=120):
        code, err = run.wait(timeout)
        self.assertEqual(code, status, f"stderr: {err}")
        self.assertEqual(run.records("planted"), [], "a tool beside setup.exe was started")
        return err

    def installer_window(self, timeout=60):
        windows = self.wait_for_windows(TITLE, timeout=timeout)
        self.assertEqual(len(windows), 1, "exactly one installer window")
        return windows[0]

    def send_close_request(self, window):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--window", window, "alt+F4")

    # --- window, web view, and a runtime registered for the user only --------------------------

    def test_window_web_view_and_per_user_runtime(self):
        run = self.installer(curl=True).start()
        window = self.installer_window()
        self.assertEqual(self.x.window_name(window), TITLE)
        x, y, width, height = self.x.window_geometry(window)
        # At 96 DPI: the 820 x 540 content plus the frame that the styles would have, all of it
        # given to the web view.
        self.assertGreaterEqual(width, 820)
        self.assertGreater(height, 540, "the caption's height is added")
        screen_width, screen_height = self.x.screen_size()
        self.assertEqual((x, y), ((screen_width - width) // 2, (screen_height - height) // 2),
                         "centred on the whole screen")
        self.assertTrue(run.wait_for_record(lambda r: r.get("event") == "navigate"))

        # Only the per-user key holds a version: three queries in order, and no download.
        self.assertEqual(run.reg_queries(), QUERIES)
        self.assertEqual(run.records("curl"), [])
        self.assertEqual(run.records("bootstrapper"), [])

        [environment] = run.runtime_events("environment")
        self.assertEqual(environment["arguments"], BROWSER_ARGUMENTS)
        self.assertEqual(environment["user_data_folder"], self.temp_folder(run) + "ZordeloSetup-wv")
        self.assertEqual(environment["apartment"], "sta")
        [background] = run.runtime_events("background")
        self.assertEqual((background["a"], background["r"], background["g"], background["b"]), (255, 5, 7, 10))
        self.assertEqual([r["script"] for r in run.runtime_events("add_script")], [BRIDGE])
        [navigate] = run.runtime_events("navigate")
        self.assertEqual(navigate["scripts_before"], [BRIDGE], "bridge registered before the page loads")
        self.assertGreaterEqual(navigate["handlers_before"], 1)
        settings = navigate["settings"]
        self.assertEqual({k: settings[k] for k in ("IsStatusBarEnabled", "AreDefaultContextMenusEnabled",
                                                    "IsZoomControlEnabled", "AreDevToolsEnabled")},
                         {"IsStatusBarEnabled": False, "AreDefaultContextMenusEnabled": True,
                          "IsZoomControlEnabled": False, "AreDevToolsEnabled": False})
        with open(self.unix(run, navigate["page_file"]), encoding="utf-8") as f:
            page = f.read()
        self.assertEqual(page, expected_page(f"C:\\users\\{run.prefix.user}\\AppData\\Local\\Programs\\Zordelo"))

        # The system's close request ends the installer with 0.
        self.send_close_request(window)
        self.assert_ends(run, 0, timeout=30)

    # --- page messages ----------------------------------------------------------------------------

    def test_unknown_and_malformed_messages_are_ignored(self):
        ignored = [post(cmd="Close"), post(cmd="close "), "post [\"close\"]", "post \"close\"",
                   'post {"cmd":"close"}x', "postjson " + json.dumps({"cmd": "close"}), post(cmd=1), "post "]
        run = self.installer(scenario=[*ignored, "sleep 1000", post(cmd="close")]).start()
        self.assert_ends(run, 0)
        played = [r["line"] for r in run.runtime_events("scenario")]
        self.assertEqual(played[-1], post(cmd="close").rstrip(), "still running when the real close came")
        self.assertEqual(run.scripts(), [])

    def test_minimise_and_drag(self):
        run = self.installer(scenario=[post(cmd="drag"), "sleep 500", post(cmd="min"), "sleep 3000", "close"])
        run.start()
        window = self.installer_window()
        # Without a window manager, Wine shows a minimised window as a small title bar at the
        # bottom left of the screen.
        deadline = time.monotonic() + 30
        while self.x.window_geometry(window)[2] >= 820 and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertLess(self.x.window_geometry(window)[2], 820, "minimised")
        self.assertIsNone(run.process.poll(), "the drag and the minimise left the installer running")
        self.assert_ends(run, 0)

    def test_install_reports_progress_then_done(self):
        run = self.installer(scenario=[
            post(cmd="install", dir="  C:\\Games  ", desktop=False, start=True),
            "wait done(",
            "sleep 300",
            "close",
        ]).start()
        self.assert_ends(run, 0)
        scripts = run.scripts()
        location = "C:\\Games\\Zordelo"
        self.assertGreaterEqual(len(scripts), 5, scripts)
        self.assertEqual(scripts[0], 'progress(2,"Előkészítés…")')
        self.assertEqual(scripts[-2:], ['progress(100,"Kész")', "done(" + js_string(location) + ")"])
        percents = []
        for script in scripts[:-1]:
            match = re.fullmatch(r'progress\((0|[1-9][0-9]*),"[^"\\]*"\)', script)
            self.assertIsNotNone(match, script)
            percents.append(int(match.group(1)))
        self.assertEqual(percents, sorted(percents), "progress calls arrive in order")
        self.assertIn(88, percents)
        self.assertIn(94, percents)
        installed = self.unix(run, location)
        self.assertEqual(harness.read_bytes(os.path.join(installed, "Zordelo.exe")), GAME)
        self.assertEqual(harness.read_bytes(os.path.join(installed, "uninstall.exe")), UNINSTALLER)
        entry = run.prefix.reg_query(harness.UNINSTALL_KEY)
        self.assertIsNotNone(entry)
        self.assertEqual(entry["InstallLocation"], ("REG_SZ", location))
        [powershell] = run.records("powershell")  # the shortcut script: start menu only
        self.assertIn("if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop'))", powershell["script"])
        self.assertIn("if($true){$t+=Join-Path ([Environment]::GetFolderPath('Programs'))", powershell["script"])

    def place_game(self, run, folder):
        """Puts the stand-in game into the run's folder as Zordelo.exe."""
        os.makedirs(self.unix(run, folder))
        shutil.copyfile(os.path.join(harness.FIXTURES, "Zordelo.exe"), os.path.join(self.unix(run, folder), "Zordelo.exe"))

    def test_launch_starts_the_game_in_its_folder_and_ends(self):
        run = self.installer(scenario=[post(cmd="launch", dir="C:\\Launch Here")])
        self.place_game(run, "C:\\Launch Here")
        run.start()
        self.assert_ends(run, 0)
        self.assertTrue(run.wait_for_record(lambda r: r.get("tool") == "game", timeout=30, while_running=False))
        [game] = run.records("game")
        self.assertEqual(game["cwd"], "C:\\Launch Here")
        self.assertEqual(game["argv"], ["C:\\Launch Here\\Zordelo.exe"])

    def test_launch_without_a_game_still_ends(self):
        run = self.installer(scenario=[post(cmd="launch", dir="C:\\Nothing")]).start()
        self.assert_ends(run, 0)
        self.assertEqual(run.records("game"), [])

    def test_close_during_install_ends_at_once(self):
        # The page's close message, and the system's close request.
        for closing in (post(cmd="close"), "close"):
            with self.subTest(closing=closing):
                run = self.installer(scenario=[post(cmd="install", dir="C:\\Cut"), "wait progress(2,", closing])
                run.start()
                self.assert_ends(run, 0, timeout=60)
                self.assertEqual(run.scripts(), ['progress(2,"Előkészítés…")'], "no done or fail after the end")

    def test_failing_location_reports_fail(self):
        run = self.installer(scenario=[post(cmd="install", dir="C:\\blocker\\sub"), "wait fail(", "close"])
        with open(self.unix(run, "C:\\blocker"), "wb") as f:
            f.write(b"a file where a folder should go")
        run.start()
        self.assert_ends(run, 0)
        scripts = run.scripts()
        self.assertRegex(scripts[-1], r'^fail\("A mappa nem hozható létre: .+ \(os error \d+\)"\)$')
        self.assertFalse(any(s.startswith("done(") for s in scripts))

    def test_install_with_u0000_in_dir_fails_as_an_invalid_name(self):
        # Windows would take the folder as "C:\Games", cut short at U+0000.
        run = self.installer(scenario=[post(cmd="install", dir="C:\\Games\x00\\Zordelo"), "wait fail(", "sleep 500",
                                       "close"])
        run.start()
        self.assert_ends(run, 0)
        [script] = run.scripts()
        self.assertRegex(script, r'^fail\("A mappa nem hozható létre: [^"]+ \(os error 123\)"\)$')
        self.assertFalse(os.path.exists(self.unix(run, "C:\\Games")), "no folder made from the cut-short text")
        self.assertEqual([r for r in run.records("reg") if r["argv"][1:2] != ["query"]], [])
        self.assertEqual(run.records("powershell"), [])

    def test_launch_with_u0000_in_dir_starts_nothing_and_ends(self):
        # The game lies in the folder before U+0000: a host that cut the text there would start it.
        run = self.installer(scenario=[post(cmd="launch", dir="C:\\Launch Here\x00\\elsewhere")])
        self.place_game(run, "C:\\Launch Here")
        run.start()
        self.assert_ends(run, 0)
        self.assertFalse(run.wait_for_record(lambda r: r.get("tool") == "game", timeout=3, while_running=False),
                         "the game in the folder before U+0000 is not started")

    # --- the page stays the page ------------------------------------------------------------------

    LATER_NAVIGATIONS = [
        ("reload", "about:blank"),
        ("drop", "file:///C:/users/Public/Downloads/level.html"),
        ("link", "https://example.com/"),
        ("script", "https://example.com/other"),
        ("history", "about:blank"),
    ]
    NEW_WINDOWS = ["https://example.com/popup", "about:blank"]

    def later_navigation_lines(self):
        return ([f"navigate {kind} {uri}" for kind, uri in self.LATER_NAVIGATIONS] +
                [f"newwindow {uri}" for uri in self.NEW_WINDOWS])

    def assert_page_locked(self, run):
        navigations = run.runtime_events("navigation")
        self.assertEqual([(n["kind"], n["cancelled"], n["document"]) for n in navigations],
                         [("page", False, 1)] + [(kind, True, 1) for kind, _ in self.LATER_NAVIGATIONS],
                         "the page's own load goes ahead, every later navigation is cancelled")
        self.assertEqual([n["uri"] for n in navigations[1:]], [uri for _, uri in self.LATER_NAVIGATIONS])
        windows = run.runtime_events("new_window")
        self.assertEqual([(w["uri"], w["handled"], w["window_given"], w["opened"]) for w in windows],
                         [(uri, True, False, False) for uri in self.NEW_WINDOWS], "handled, and no window opens")

    def test_reload_drop_link_and_new_windows_leave_the_install_in_the_one_page(self):
        run = self.installer(scenario=[
            post(cmd="install", dir="C:\\Locked", desktop=True, start=True),
            "wait progress(2,",
            *self.later_navigation_lines(),
            "wait done(",
            "sleep 300",
            "close",
        ]).start()
        self.installer_window()
        self.assert_ends(run, 0)
        self.assertEqual([r["value"] for r in run.runtime_events("accelerator_keys")], [False])
        self.assertEqual([r["value"] for r in run.runtime_events("external_drop")], [False])
        [navigate] = run.runtime_events("navigate")
        self.assertEqual((navigate["navigation_handlers_before"], navigate["new_window_handlers_before"]), (1, 1))
        self.assertFalse(navigate["settings"]["AreBrowserAcceleratorKeysEnabled"])
        self.assert_page_locked(run)
        executed = run.runtime_events("execute_script")
        self.assertEqual(executed[0]["script"], 'progress(2,"Előkészítés…")')
        self.assertEqual(executed[-1]["script"], "done(" + js_string("C:\\Locked\\Zordelo") + ")")
        self.assertEqual({r["document"] for r in executed}, {1}, "every page call reached the one page")
        self.assertEqual(harness.read_bytes(os.path.join(self.unix(run, "C:\\Locked\\Zordelo"), "Zordelo.exe")), GAME)

    def test_runtime_without_settings3_and_controller4_starts_and_keeps_the_lock(self):
        run = self.installer(
            scenario=[*self.later_navigation_lines(), "sleep 500", "close"],
            extra_env={"ZORDELO_WV2_NO_SETTINGS3": "1", "ZORDELO_WV2_NO_CONTROLLER4": "1"}).start()
        self.installer_window()
        self.assert_ends(run, 0)
        self.assertEqual(run.runtime_events("accelerator_keys"), [])
        self.assertEqual(run.runtime_events("external_drop"), [])
        self.assertEqual(run.runtime_events("scenario")[-1]["line"], "close", "the installer ran to the close request")
        self.assert_page_locked(run)

    def pick_in_dialog(self, dialog, folder):
        """Types a folder into a picker's file-name box and confirms it; None cancels."""
        self.xdotool("windowraise", dialog)
        self.xdotool("windowfocus", "--sync", dialog)
        if folder is None:
            self.xdotool("key", "--window", dialog, "Escape")
            return
        _, _, width, height = self.x.window_geometry(dialog)
        self.xdotool("mousemove", "--window", dialog, int(width * 0.65), height - 48)
        self.xdotool("click", 1)
        self.xdotool("type", "--delay", 20, folder)
        self.xdotool("key", "Return")

    def wait_for_pickers(self, count, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            pickers = self.windows(PICKER_TITLE)
            if len(pickers) == count:
                return pickers
            time.sleep(0.1)
        self.fail(f"expected {count} folder pickers, saw {len(self.windows(PICKER_TITLE))}")

    def test_two_pickers_each_report_their_pick(self):
        # Two clicks a second apart: under Wine 8, two pickers created at the very same moment
        # can make one CoCreateInstance fail (E_FAIL), and that picker then silently never opens.
        run = self.installer(scenario=[
            post(cmd="browse"), "sleep 1000", post(cmd="browse"), "wait setDir(", "wait setDir(", "sleep 300", "close"])
        for folder in ("C:\\Picks\\One", "C:\\Picks\\ZORDELO"):
            os.makedirs(self.unix(run, folder))
        run.start()
        self.installer_window()
        self.pick_in_dialog(self.wait_for_pickers(2)[-1], "C:\\Picks\\One")
        self.pick_in_dialog(self.wait_for_pickers(1)[0], "C:\\Picks\\ZORDELO")
        self.assert_ends(run, 0)
        self.assertEqual([s for s in run.scripts() if s.startswith("setDir(")],
                         ['setDir("C:\\\\Picks\\\\One\\\\Zordelo")', 'setDir("C:\\\\Picks\\\\ZORDELO")'])

    def test_cancelled_picker_posts_nothing(self):
        run = self.installer(scenario=[
            post(cmd="browse"), "sleep 1000", post(cmd="browse"), "wait setDir(", "sleep 1500", "close"])
        os.makedirs(self.unix(run, "C:\\Picks\\Two"))
        run.start()
        self.installer_window()
        self.pick_in_dialog(self.wait_for_pickers(2)[-1], None)
        self.pick_in_dialog(self.wait_for_pickers(1)[0], "C:\\Picks\\Two")
        self.assert_ends(run, 0)
        self.assertEqual([s for s in run.scripts() if s.startswith("setDir(")],
                         ['setDir("C:\\\\Picks\\\\Two\\\\Zordelo")'])

    # --- unrecoverable errors ---------------------------------------------------------------------

    def test_web_view_failure_is_fatal(self):
        run = self.installer(extra_env={"ZORDELO_WV2_FAIL": "environment"}).start()
        err = self.assert_ends(run, FATAL_EXIT)
        self.assertRegex(err, r"(?m)^webview: .+")

    def test_window_failure_is_fatal(self):
        run = self.installer(display=False).start()  # no X display: the system refuses the window
        err = self.assert_ends(run, FATAL_EXIT)
        self.assertRegex(err, r"(?m)^ablak: .+")
        self.assertEqual(run.records("webview2"), [])

    # --- WebView2 check and bootstrap -------------------------------------------------------------

    def test_no_runtime_and_no_curl_shows_the_failure_box(self):
        run = self.installer(runtime_registered=False).start()
        boxes = self.wait_for_windows(TITLE)
        self.assertEqual(len(boxes), 1)
        self.assertEqual(self.x.window_name(boxes[0]), TITLE)
        self.assertIsNone(run.process.poll(), "waits for the box to be dismissed")
        self.assertEqual(run.reg_queries(), QUERIES + QUERIES)
        self.xdotool("windowfocus", "--sync", boxes[0])
        self.xdotool("key", "Return")
        self.assert_ends(run, 1, timeout=30)
        self.assertEqual(run.records("webview2"), [], "no web view, so no installer window was made")
        self.assertEqual(run.records("bootstrapper"), [])

    def test_download_and_bootstrapper_provide_the_runtime(self):
        run = self.installer(runtime_registered=False, curl=True, scenario=["sleep 500", "close"]).start()
        self.installer_window()
        self.assert_ends(run, 0)
        target = self.temp_folder(run) + BOOTSTRAPPER
        [curl] = run.records("curl")
        self.assertEqual(curl["argv"][1:], ["-L", "-s", "-o", target, DOWNLOAD_ADDRESS])
        [bootstrapper] = run.records("bootstrapper")
        self.assertEqual(bootstrapper["exe"], target)
        self.assertEqual(bootstrapper["argv"][1:], ["/silent", "/install"])
        # First check: nothing anywhere; second: the per-user key that the bootstrapper wrote.
        self.assertEqual(run.reg_queries(), QUERIES + QUERIES)
        order = [r["tool"] for r in run.records() if r["tool"] in ("curl", "bootstrapper", "webview2")]
        self.assertEqual(order[:3], ["curl", "bootstrapper", "webview2"])
        self.assertTrue(os.path.isfile(self.unix(run, target)), "the downloaded bootstrapper stays")

    def test_a_bootstrapper_that_leaves_a_child_running_still_shows_the_window(self):
        # The real bootstrapper can leave its updater running with our pipes as its output; the
        # stand-in leaves a child for 300 s. The window must come once the bootstrapper has ended.
        run = self.installer(runtime_registered=False, curl=True, scenario=["sleep 500", "close"],
                             extra_env={"ZORDELO_BOOTSTRAP_LINGER": "300"}).start()
        self.installer_window(timeout=90)
        self.assert_ends(run, 0)
        children = run.records("bootstrapper-child")
        self.assertEqual([c["event"] for c in children], ["start"], "the child still runs")
        self.assertEqual(run.reg_queries(), QUERIES + QUERIES)

    def test_old_bootstrapper_runs_when_the_download_fails(self):
        # No curl.exe, but a bootstrapper from an earlier run lies in the temporary folder; it
        # registers only the absent-runtime marker, so the second check still fails.
        run = self.installer(runtime_registered=False, extra_env={"ZORDELO_BOOTSTRAP_VERSION": "0.0.0.0"})
        target = self.temp_folder(run) + BOOTSTRAPPER
        shutil.copyfile(os.path.join(harness.FIXTURES, "standin_bootstrapper.exe"), self.unix(run, target))
        run.start()
        self.assertEqual(len(self.wait_for_windows(TITLE)), 1)
        self.xdotool("key", "Return")
        self.assert_ends(run, 1, timeout=30)
        [bootstrapper] = run.records("bootstrapper")
        self.assertEqual(bootstrapper["argv"][1:], ["/silent", "/install"])
        self.assertEqual(run.reg_queries(), QUERIES + QUERIES)
        self.assertEqual(run.records("webview2"), [])

    def test_silent_mode_runs_no_provisioning_tool(self):
        run = self.installer(runtime_registered=False, curl=True).start("--silent", "C:\\Quiet")
        self.assert_ends(run, 0)
        self.assertFalse(any("EdgeUpdate" in arg for r in run.records("reg") for arg in r["argv"]))
        self.assertEqual(run.records("curl"), [])
        self.assertEqual(run.records("bootstrapper"), [])
        self.assertEqual(run.records("webview2"), [])
        self.assertTrue(os.path.isfile(os.path.join(self.unix(run, "C:\\Quiet\\Zordelo"), "Zordelo.exe")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
