"""uninstall.exe under Wine: what it removes, what it leaves, and when.

Most cases start from a hand-made installation (the built uninstall.exe and the stand-in game
copied into a folder, the uninstall entry written with reg add, shortcut files on the desktop
and in the Start menu), so that each case can be set up exactly; one starts from a real
`setup.exe --silent`. The stand-in powershell.exe records the script it was handed and carries
out the shortcut-removal script on Wine's Desktop and Start-menu Programs folders."""
import base64
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import FIXTURES, SETUP, SHORTCUT_NAME, UNINSTALL, UNINSTALL_KEY, Prefix, XServer, wait_until  # noqa: E402

TITLE = "Zordel\u00f3 elt\u00e1vol\u00edt\u00e1sa"
REMOVAL_SCRIPT = ("foreach($d in 'Desktop','Programs'){ Remove-Item -Force -ErrorAction SilentlyContinue "
                  "(Join-Path ([Environment]::GetFolderPath($d)) 'Zordel\u00f3.lnk') }")
ENTRY = ("user", UNINSTALL_KEY.split("\\", 1)[1])
STANDIN_GAME_PACKED = os.path.join(harness.BUILD, "assets", "standin_game", "Zordelo.exe")
REMOVAL_WAIT = 15  # seconds within which the deferred removal must have happened
NOTHING = {k: [] for k in ("files_added", "files_removed", "files_changed", "keys_added", "keys_removed",
                           "keys_changed")}


def tree(folder):
    """The entries at and below folder as relative paths, read directly (quick enough to look
    right after the uninstaller has ended)."""
    out = set()
    for dirpath, dirnames, filenames in os.walk(folder):
        for name in [""] + dirnames + filenames:
            out.add(os.path.normpath(os.path.relpath(os.path.join(dirpath, name), folder)))
    return out


def drive_entries_of(snapshot, p, folder):
    """The snapshot names (relative to drive_c) of folder and everything in it."""
    rel = os.path.relpath(folder, p.drive_c)
    return {k for k in snapshot["files"] if k == rel or k.startswith(rel + os.sep)}


def gone(path):
    return wait_until(lambda: not os.path.lexists(path), REMOVAL_WAIT)


def reg_add(p, key, name, kind, data):
    r = p.wine_tool("reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")
    if r.returncode != 0:
        raise RuntimeError(f"reg add {key} {name}: exit {r.returncode}: {r.stdout!r} {r.stderr!r}")


def add_other_shortcuts(p):
    """An unrelated shortcut beside each of ours, which must stay."""
    for place in (p.desktop, p.programs):
        os.makedirs(place, exist_ok=True)
        with open(os.path.join(place, "Other.lnk"), "wb") as f:
            f.write(b"L\0\0\0another program")


def make_install(p, folder, entry=True, shortcuts=True, game=True, uninstaller_name="uninstall.exe", planted=False):
    """A hand-made installation in folder (a Unix path inside the prefix): the built uninstaller,
    the stand-in game, some game data in a subfolder; the uninstall entry and both shortcuts when
    asked, and the unrelated shortcuts always. With planted, copies of planted.exe under the
    tools' names lie beside the uninstaller."""
    os.makedirs(os.path.join(folder, "data"))
    shutil.copyfile(UNINSTALL, os.path.join(folder, uninstaller_name))
    if planted:
        p.plant_beside(folder)
    if game:
        shutil.copyfile(os.path.join(FIXTURES, "Zordelo.exe"), os.path.join(folder, "Zordelo.exe"))
    with open(os.path.join(folder, "data", "level1.pak"), "wb") as f:
        f.write(b"\0" * 4096)
    with open(os.path.join(folder, "readme.txt"), "w") as f:
        f.write("Zordelo\n")
    if entry:
        win = p.to_windows(folder)
        for name, kind, data in [("DisplayName", "REG_SZ", "Zordel\u00f3"), ("DisplayVersion", "REG_SZ", "0.1.0"),
                                 ("Publisher", "REG_SZ", "Morvik"), ("InstallLocation", "REG_SZ", win),
                                 ("UninstallString", "REG_SZ", f'"{win}\\uninstall.exe"'),
                                 ("NoModify", "REG_DWORD", "1"), ("NoRepair", "REG_DWORD", "1")]:
            reg_add(p, UNINSTALL_KEY, name, kind, data)
    for place in (p.desktop, p.programs):
        os.makedirs(place, exist_ok=True)
        if shortcuts:
            with open(os.path.join(place, SHORTCUT_NAME), "wb") as f:
                f.write(b"L\0\0\0shortcut to the game")
    add_other_shortcuts(p)


def shortcut_entries(p, name=SHORTCUT_NAME):
    return {os.path.relpath(os.path.join(place, name), p.drive_c) for place in (p.desktop, p.programs)}


class UninstallCase(unittest.TestCase):
    display = None

    def prefix(self):
        p = Prefix(display=self.display)
        self.addCleanup(p.close)
        return p

    def default_folder(self, p):
        return os.path.join(p.local_appdata, "Programs", "Zordelo")

    def start_game(self, p, exe):
        """The stand-in game started from exe and staying alive; returns its process once it has
        recorded its start."""
        game = p.start(exe, env={"ZORDELO_GAME_SECONDS": "600"})
        self.addCleanup(game.wait)
        self.addCleanup(game.kill)
        self.assertTrue(wait_until(lambda: any(e["tool"] == "game" for e in p.standin_log()), 60), "game started")
        self.assertIsNone(game.poll())
        return game

    def assert_removal_script_only(self, p, log=None):
        """The stand-ins recorded exactly one run: PowerShell with the removal script, hidden
        behind the usual switches, which the stand-in carried out."""
        log = p.standin_log() if log is None else log
        self.assertEqual([e["tool"] for e in log], ["powershell"], log)
        expected = base64.b64encode(REMOVAL_SCRIPT.encode("utf-16-le")).decode("ascii")
        self.assertEqual(log[0]["argv"][1:], ["-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand", expected])
        self.assertEqual(log[0]["script"], REMOVAL_SCRIPT)
        self.assertEqual(log[0]["action"], "remove")

    def assert_only_removed(self, before, after, files, keys):
        changes = harness.snapshot_changes(before, after)
        self.assertEqual(changes, dict(NOTHING, files_removed=sorted(files), keys_removed=sorted(keys)))


class Silent(UninstallCase):
    def test_after_a_real_silent_install(self):
        p = self.prefix()
        folder = self.default_folder(p)
        add_other_shortcuts(p)
        before_install = p.snapshot()
        r = p.run(SETUP, ["--silent"])
        self.assertEqual(r.returncode, 0, r)
        for name in ("Zordelo.exe", "uninstall.exe"):
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        self.assertIsNotNone(p.reg_query(UNINSTALL_KEY))
        # The silent mode makes no shortcuts; the two that the page's options make are put in
        # place by hand.
        for entry in shortcut_entries(p):
            self.assertFalse(os.path.lexists(os.path.join(p.drive_c, entry)), entry)
            with open(os.path.join(p.drive_c, entry), "wb") as f:
                f.write(b"L\0\0\0shortcut to the game")
        before = p.snapshot()
        files = tree(folder)
        # The game that the installer unpacked, running (when the build packed our stand-in).
        game = None
        if os.path.realpath(harness.game_input()) == os.path.realpath(STANDIN_GAME_PACKED):
            game = self.start_game(p, os.path.join(folder, "Zordelo.exe"))
            p.clear_standin_log()

        r = p.run(os.path.join(folder, "uninstall.exe"), ["--silent"])
        self.assertEqual(r.returncode, 0, r)
        self.assertEqual(tree(folder), files, "right after the exit every file is still there")
        self.assertIsNone(p.reg_query(UNINSTALL_KEY), "the uninstall entry is gone")
        self.assert_removal_script_only(p)
        for entry in shortcut_entries(p):
            self.assertFalse(os.path.lexists(os.path.join(p.drive_c, entry)), entry)
        for entry in shortcut_entries(p, "Other.lnk"):
            self.assertTrue(os.path.isfile(os.path.join(p.drive_c, entry)), entry)
        if game:
            self.assertEqual(game.wait(timeout=15), 0, "the game was ended")
        self.assertTrue(gone(folder), "the install folder is removed within 15 s")

        after = p.snapshot()
        self.assert_only_removed(before, after, drive_entries_of(before, p, folder) | shortcut_entries(p), [ENTRY])
        # Against the state before the installation (shortcuts made by hand included), what is
        # left is what the installer made around its own: the Programs folder that holds the
        # install folder, and the (empty) Uninstall key that holds the entry in a fresh prefix.
        self.assertEqual(harness.snapshot_changes(before_install, after),
                         dict(NOTHING, files_added=[os.path.relpath(os.path.dirname(folder), p.drive_c)],
                              keys_added=[("user", ENTRY[1].rsplit("\\", 1)[0])]))
        self.assertEqual(after["registry"][("user", ENTRY[1].rsplit("\\", 1)[0])], set())

    def test_hand_made_install_with_the_game_running(self):
        # Tools under the system tools' names beside the uninstaller are never started: the log
        # holds PowerShell from PATH only, and Wine's taskkill and reg did their work.
        p = self.prefix()
        folder = self.default_folder(p)
        make_install(p, folder, planted=True)
        before = p.snapshot()
        files = tree(folder)
        self.assertIn(os.path.join("data", "level1.pak"), files)
        game = self.start_game(p, os.path.join(folder, "Zordelo.exe"))
        p.clear_standin_log()

        r = p.run(os.path.join(folder, "uninstall.exe"), ["--silent"])
        self.assertEqual(r.returncode, 0, r)
        self.assertEqual(tree(folder), files, "right after the exit every file is still there")
        self.assertIsNone(p.reg_query(UNINSTALL_KEY))
        self.assert_removal_script_only(p)
        self.assertEqual(game.wait(timeout=15), 0, "the game was ended (Wine reports 0 for a killed process)")
        # A game still running would keep its file, and so the folder, from being deleted.
        self.assertTrue(gone(folder), "the install folder is removed within 15 s")
        self.assert_only_removed(before, p.snapshot(), drive_entries_of(before, p, folder) | shortcut_entries(p),
                                 [ENTRY])

    def test_started_in_its_own_folder_the_removal_runs_from_the_temporary_folder(self):
        # As from Explorer: the install folder is the uninstaller's working folder. On Windows a
        # folder that is a process's working folder cannot be removed; Wine removes it anyway, so
        # a recording front for cmd.exe shows where the removal runs.
        p = self.prefix()
        folder = self.default_folder(p)
        make_install(p, folder)
        p.plant_system_tool("cmd.exe")
        r = p.run(os.path.join(folder, "uninstall.exe"), ["--silent"], cwd=folder)
        self.assertEqual(r.returncode, 0, r)
        self.assertTrue(wait_until(lambda: [e for e in p.standin_log() if e["tool"] == "cmd"], 30), p.standin_log())
        [cmd] = [e for e in p.standin_log() if e["tool"] == "cmd"]
        windows_folder = p.to_windows(folder)
        self.assertEqual(cmd["argv"][1:3], ["/C", "ping"])
        self.assertTrue(cmd["cmdline"].endswith(f'& rmdir /S /Q "{windows_folder}"'), cmd["cmdline"])
        self.assertEqual(cmd["cwd"].rstrip("\\"), f"C:\\users\\{p.user}\\Temp")
        self.assertTrue(gone(folder), "the install folder is removed within 15 s")

    def test_error_boxes_are_turned_off_before_anything_else(self):
        # Wine never shows the "no disk" box and passes no error mode on, so the uninstaller's own
        # calls are read from Wine's relay trace.
        p = self.prefix()
        folder = self.default_folder(p)
        make_install(p, folder)
        code, calls = p.relay_calls(os.path.join(folder, "uninstall.exe"), ["--silent"])
        self.assertEqual(code, 0)
        self.assertEqual(calls[0][0], "SetErrorMode", calls[:3])
        self.assertEqual(int(calls[0][1][0], 16) & 0x8001, 0x8001, "SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX")
        started = [args for name, args in calls if name == "CreateProcessW"]
        self.assertEqual(len(started), 4, "taskkill, reg delete, powershell, cmd")
        for args in started:
            self.assertEqual(int(args[-5], 16), 0x08000000 | 0x00000400 | 0x00080000, args)
        self.assertTrue(gone(folder))

    def test_entry_and_shortcuts_already_gone_still_removes_the_folder(self):
        p = self.prefix()
        folder = self.default_folder(p)
        make_install(p, folder, entry=False, shortcuts=False)
        before = p.snapshot()
        r = p.run(os.path.join(folder, "uninstall.exe"), ["--silent"])
        self.assertEqual(r.returncode, 0, r)
        self.assert_removal_script_only(p)
        self.assertTrue(gone(folder), "the install folder is removed within 15 s")
        self.assert_only_removed(before, p.snapshot(), drive_entries_of(before, p, folder), [])

    def test_silent_anywhere_on_the_command_line(self):
        p = self.prefix()
        folder = self.default_folder(p)
        make_install(p, folder)
        r = p.run(os.path.join(folder, "uninstall.exe"), ["first", "--silent", "last"])
        self.assertEqual(r.returncode, 0, r)
        self.assertIsNone(p.reg_query(UNINSTALL_KEY))
        self.assertTrue(gone(folder))


class Guard(UninstallCase):
    def test_copied_uninstaller_without_the_game_does_nothing(self):
        p = self.prefix()
        installed = self.default_folder(p)
        make_install(p, installed)
        # A game running from the real install folder shows that taskkill was not run.
        game = self.start_game(p, os.path.join(installed, "Zordelo.exe"))
        p.clear_standin_log()

        downloads = os.path.join(p.profile, "Downloads")
        lone = os.path.join(downloads, "Zordelo")
        make_install(p, lone, entry=False, shortcuts=False, game=False)
        dangling = os.path.join(downloads, "Linked")
        make_install(p, dangling, entry=False, shortcuts=False, game=False)
        os.symlink(os.path.join(downloads, "no-such-game.exe"), os.path.join(dangling, "Zordelo.exe"))
        files = p.snapshot_files()
        entry = p.reg_query(UNINSTALL_KEY)
        self.assertIsNotNone(entry)

        for folder in (lone, dangling):
            for args in ([], ["--silent"]):
                r = p.run(os.path.join(folder, "uninstall.exe"), args, timeout=60)
                self.assertEqual(r.returncode, 0, (folder, args, r))
        time.sleep(5)  # longer than a deferred removal would wait
        self.assertEqual(p.standin_log(), [], "no PowerShell was started")
        self.assertIsNone(game.poll(), "the game was not stopped")
        self.assertEqual(p.reg_query(UNINSTALL_KEY), entry, "the entry is unchanged")
        self.assertEqual(p.snapshot_files(), files, "no file changed")

    def test_links_are_followed_and_a_folder_named_like_the_game_counts(self):
        p = self.prefix()
        target = os.path.join(p.profile, "Documents", "real-game.exe")
        with open(target, "wb") as f:
            f.write(b"MZ")
        linked = os.path.join(p.local_appdata, "A", "Zordelo")
        make_install(p, linked, entry=False, shortcuts=False, game=False)
        os.symlink(target, os.path.join(linked, "Zordelo.exe"))
        as_folder = os.path.join(p.local_appdata, "B", "Zordelo")
        make_install(p, as_folder, entry=False, shortcuts=False, game=False)
        os.mkdir(os.path.join(as_folder, "Zordelo.exe"))
        for folder in (linked, as_folder):
            reg_add(p, UNINSTALL_KEY, "DisplayName", "REG_SZ", "x")
            r = p.run(os.path.join(folder, "uninstall.exe"), ["--silent"])
            self.assertEqual(r.returncode, 0, r)
            self.assertIsNone(p.reg_query(UNINSTALL_KEY), folder)
        self.assertEqual([e["tool"] for e in p.standin_log()], ["powershell", "powershell"])
        # Only the folder case is followed to its end: Wine's cmd treats a Unix symbolic link
        # unlike Windows treats a link (it deletes the target and keeps the link).
        self.assertTrue(gone(as_folder))


class Variants(UninstallCase):
    def test_folder_name_decides_between_whole_folder_and_two_files(self):
        p = self.prefix()
        base = os.path.join(p.profile, "My Games")
        whole = [os.path.join(base, "ZORDELO"), os.path.join(base, "A", "zordelo"), os.path.join(base, "B", "zOrDeLo")]
        two_files = [os.path.join(base, n) for n in ("Spiele", "Zordelo2", "Zordel\u00f3")]
        # An uninstaller under another name is not deleted by the two-file removal.
        renamed = os.path.join(base, "Other")
        for folder in whole + two_files:
            make_install(p, folder, entry=False, shortcuts=False)
        make_install(p, renamed, entry=False, shortcuts=False, uninstaller_name="remove.exe")
        for folder in whole + two_files:
            r = p.run(os.path.join(folder, "uninstall.exe"), ["--silent"])
            self.assertEqual(r.returncode, 0, r)
        self.assertEqual(p.run(os.path.join(renamed, "remove.exe"), ["--silent"]).returncode, 0)

        for folder in whole:
            self.assertTrue(gone(folder), f"{folder} removed whole")
        for folder in two_files + [renamed]:
            self.assertTrue(gone(os.path.join(folder, "Zordelo.exe")), folder)
        for folder in two_files:
            self.assertEqual(sorted(os.listdir(folder)), ["data", "readme.txt"], folder)
            self.assertTrue(os.path.isfile(os.path.join(folder, "data", "level1.pak")))
        self.assertEqual(sorted(os.listdir(renamed)), ["data", "readme.txt", "remove.exe"])
        self.assertTrue(os.path.isdir(os.path.join(base, "A")), "only the install folder goes")


class Boxes(UninstallCase):
    """The two message boxes, on an Xvfb screen of this suite's own."""

    @classmethod
    def setUpClass(cls):
        cls.x = XServer()
        cls.x.__enter__()
        cls.display = cls.x.display

    @classmethod
    def tearDownClass(cls):
        cls.x.__exit__(None, None, None)

    def start(self, p, folder, args=()):
        proc = p.start(os.path.join(folder, "uninstall.exe"), list(args))
        self.addCleanup(proc.wait)
        self.addCleanup(proc.kill)
        return proc

    def test_no_leaves_everything(self):
        for args in ((), ("--SILENT",), ("/silent",)):
            with self.subTest(args=args):
                p = self.prefix()
                folder = self.default_folder(p)
                make_install(p, folder)
                before = p.snapshot()
                proc = self.start(p, folder, args)
                box = self.x.wait_window(TITLE)
                self.assertIsNotNone(box, "the confirmation box appears")
                self.assertEqual(self.x.window_name(box), TITLE)
                self.x.key("n")
                self.assertEqual(proc.wait(timeout=60), 0)
                self.assertEqual(p.standin_log(), [])
                self.assertEqual(harness.snapshot_changes(before, p.snapshot()), NOTHING)

    def test_yes_then_completion_box_while_files_exist(self):
        p = self.prefix()
        folder = self.default_folder(p)
        make_install(p, folder)
        files = tree(folder)
        proc = self.start(p, folder)
        confirm = self.x.wait_window(TITLE)
        self.assertIsNotNone(confirm, "the confirmation box appears")
        self.x.key("Return")  # Yes is the default button
        done = self.x.wait_window(TITLE, exclude=(confirm,))
        self.assertIsNotNone(done, "the completion box appears")
        self.assertEqual(self.x.window_name(done), TITLE)
        self.assertNotIn(confirm, self.x.visible_windows(TITLE), "the confirmation box has gone")
        # Entry and shortcuts were handled before the box; the files wait for it.
        self.assertIsNone(p.reg_query(UNINSTALL_KEY))
        self.assert_removal_script_only(p)
        time.sleep(6)  # longer than the deferred removal waits
        self.assertIsNone(proc.poll(), "the uninstaller waits for the box")
        self.assertEqual(tree(folder), files, "files still there under the box")
        self.x.key("Return")
        self.assertEqual(proc.wait(timeout=60), 0)
        self.assertEqual(tree(folder), files, "still there right after the exit")
        self.assertTrue(gone(folder), "the install folder is removed within 15 s of the exit")


if __name__ == "__main__":
    unittest.main(verbosity=2)
