"""setup.exe --silent under Wine, each case in its own prefix: where it installs, the installed
files, the uninstall entry as Wine's reg reads it back, the shortcut script that PowerShell
received, the exit status, and that nothing else on C: or in the registry changed."""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import Prefix, SETUP, UNINSTALL_KEY  # noqa: E402

SHORTCUT_TEMPLATE = (
    "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
    "if({0}){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) '{1}.lnk'}; "
    "if({2}){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) '{1}.lnk'}; "
    "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='{3}'; $l.WorkingDirectory='{4}'; "
    "$l.IconLocation='{3},0'; $l.Description='{1}'; $l.Save()}")


def shortcut_script(location, exe, desktop=False, start=False):
    values = {"{0}": "$true" if desktop else "$false", "{1}": "Zordeló", "{2}": "$true" if start else "$false",
              "{3}": exe.replace("'", "''"), "{4}": location.replace("'", "''")}
    out, i = [], 0
    while i < len(SHORTCUT_TEMPLATE):
        piece = SHORTCUT_TEMPLATE[i:i + 3]
        if piece in values:
            out.append(values[piece])
            i += 3
        else:
            out.append(SHORTCUT_TEMPLATE[i])
            i += 1
    return "".join(out)


def expected_entry(location, total):
    exe = location + "\\Zordelo.exe" if not location.endswith(("\\", "/")) else location + "Zordelo.exe"
    uninstaller = exe[:-len("Zordelo.exe")] + "uninstall.exe"
    return {
        "DisplayName": ("REG_SZ", "Zordeló"),
        "DisplayVersion": ("REG_SZ", "0.1.0"),
        "Publisher": ("REG_SZ", "Morvik"),
        "DisplayIcon": ("REG_SZ", exe),
        "InstallLocation": ("REG_SZ", location),
        "UninstallString": ("REG_SZ", '"' + uninstaller + '"'),
        "EstimatedSize": ("REG_DWORD", total // 1024),
        "NoModify": ("REG_DWORD", 1),
        "NoRepair": ("REG_DWORD", 1),
    }


GAME = harness.read_bytes(harness.game_input())
UNINSTALLER = harness.read_bytes(harness.UNINSTALL)
TOTAL = len(GAME) + len(UNINSTALLER)


class SilentInstall(unittest.TestCase):
    def setUp(self):
        self.p = Prefix()
        self.addCleanup(self.p.close)

    def command_line(self, *args):
        return '"' + self.p.to_windows(SETUP) + '"' + "".join(" " + a for a in args)

    def assert_installed(self, unix_folder, location, before, after, created_above=()):
        """The two files, the entry (reg query and the registry file), the one PowerShell run, and
        that the only changes are the folder, the folders made above it and the entry."""
        p = self.p
        self.assertEqual(sorted(os.listdir(unix_folder)), ["Zordelo.exe", "uninstall.exe"])
        self.assertEqual(harness.read_bytes(os.path.join(unix_folder, "Zordelo.exe")), GAME)
        self.assertEqual(harness.read_bytes(os.path.join(unix_folder, "uninstall.exe")), UNINSTALLER)
        want = expected_entry(location, TOTAL)
        got = p.reg_query(UNINSTALL_KEY)
        self.assertEqual({k: t for k, (t, _) in got.items()}, {k: t for k, (t, _) in want.items()})
        for name, (kind, value) in want.items():
            if kind == "REG_SZ":
                self.assertTrue(harness.oem_matches(value, got[name][1]), (name, value, got[name][1]))
            else:
                self.assertEqual(got[name][1], value, name)
        self.assertEqual(harness.registry_values(after, "user", UNINSTALL_KEY.split("\\", 1)[1]), want)
        # PowerShell once, and nothing of the windowed start: no WebView2 check, no download
        # (Wine has no WebView2 runtime, so a check would have started curl).
        self.assertEqual([r["tool"] for r in p.standin_log()], ["powershell"])
        runs = [r for r in p.standin_log() if r["tool"] == "powershell"]
        self.assertEqual(runs[0]["argv"][1:5], ["-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand"])
        self.assertEqual(runs[0]["script"], shortcut_script(location, want["DisplayIcon"][1]))
        self.assertEqual(runs[0]["action"], "shortcuts")
        for folder in (p.desktop, p.programs):
            self.assertFalse(os.path.exists(os.path.join(folder, harness.SHORTCUT_NAME)))
        changes = harness.snapshot_changes(before, after)
        inside = os.path.relpath(unix_folder, p.drive_c) if unix_folder.startswith(p.drive_c) else None
        added = [f for f in changes["files_added"]
                 if not (inside and (f == inside or f.startswith(inside + os.sep))) and f not in created_above]
        self.assertEqual(added, [])
        self.assertEqual(changes["files_removed"], [])
        self.assertEqual(changes["files_changed"], [])
        entry = UNINSTALL_KEY.split("\\", 1)[1]
        # reg add makes the entry's key, and any key above it that was missing
        self.assertIn(("user", entry), changes["keys_added"])
        self.assertEqual([k for k in changes["keys_added"] if not (k[0] == "user" and (entry + "\\").startswith(k[1] + "\\"))],
                         [])
        self.assertEqual(changes["keys_removed"], [])
        self.assertEqual(changes["keys_changed"], [])

    def test_no_folder_installs_into_local_app_data_programs(self):
        before = self.p.snapshot()
        r = self.p.run(SETUP, ["--silent"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual((r.stdout, r.stderr), (b"", b""))
        after = self.p.snapshot()
        folder = os.path.join(self.p.local_appdata, "Programs", "Zordelo")
        location = "C:\\users\\" + self.p.user + "\\AppData\\Local\\Programs\\Zordelo"
        programs = os.path.relpath(os.path.join(self.p.local_appdata, "Programs"), self.p.drive_c)
        self.assertFalse(programs in before["files"])
        self.assertEqual(self.p.to_windows(folder), location)
        self.assertEqual(after["files"][programs], ("dir",))
        self.assert_installed(folder, location, before, after, created_above=(programs,))

    def test_folder_argument_is_normalised(self):
        d = os.path.join(self.p.root, "drive_d")
        self.p.map_drive("d", d)
        os.makedirs(os.path.join(d, "Games"))
        cases = [
            # (folder as typed, exact argument text, install location, its Unix path, new folders above)
            ("D:\\Games", "D:\\Games", "D:\\Games\\Zordelo", os.path.join(d, "Games", "Zordelo"), ()),
            ("a folder with blanks and accents", '"C:\\Játékok és Más\\Árvíztűrő tükör"',
             "C:\\Játékok és Más\\Árvíztűrő tükör\\Zordelo",
             os.path.join(self.p.drive_c, "Játékok és Más", "Árvíztűrő tükör", "Zordelo"),
             ("Játékok és Más", os.path.join("Játékok és Más", "Árvíztűrő tükör"))),
            ("already named zordelo", "D:\\Other\\zordelo", "D:\\Other\\zordelo", os.path.join(d, "Other", "zordelo"),
             ()),
            ("trailing blanks, extra arguments", '"  D:\\Third\\ZORDELO\\ \t" ignored "also ignored"',
             "D:\\Third\\ZORDELO\\", os.path.join(d, "Third", "ZORDELO"), ()),
        ]
        for label, argument, location, unix_folder, created in cases:
            with self.subTest(label):
                self.p.clear_standin_log()
                self.p.wine_tool("reg", "delete", UNINSTALL_KEY, "/f")
                before = self.p.snapshot()
                code = self.p.run_exact(SETUP, self.command_line("--silent", argument))
                self.assertEqual(code, 0)
                after = self.p.snapshot()
                self.assert_installed(unix_folder, location, before, after, created_above=created)

    def test_empty_folder_argument_installs_under_the_current_folder(self):
        cwd = os.path.join(self.p.root, "current")
        os.makedirs(cwd)
        before = self.p.snapshot()
        code = self.p.run_exact(SETUP, self.command_line("--silent", '""'), cwd=cwd)
        self.assertEqual(code, 0)
        after = self.p.snapshot()
        self.assert_installed(os.path.join(cwd, "Zordelo"), "Zordelo", before, after)

    def test_a_location_naming_an_existing_file_fails_with_1_and_changes_nothing(self):
        blocker = os.path.join(self.p.drive_c, "Games", "Zordelo")
        os.makedirs(os.path.dirname(blocker))
        with open(blocker, "wb") as f:
            f.write(b"not a folder")
        before = self.p.snapshot()
        code = self.p.run_exact(SETUP, self.command_line("--silent", "C:\\Games"))
        self.assertEqual(code, 1)
        after = self.p.snapshot()
        self.assertEqual(harness.snapshot_changes(before, after),
                         {k: [] for k in harness.snapshot_changes(before, before)})
        self.assertIsNone(self.p.reg_query(UNINSTALL_KEY))
        self.assertEqual(self.p.standin_log(), [])  # no PowerShell run
        # and the same below a file: the folder step meets the file on its way down
        code = self.p.run_exact(SETUP, self.command_line("--silent", "C:\\Games\\Zordelo\\sub"))
        self.assertEqual(code, 1)
        self.assertEqual(harness.read_bytes(blocker), b"not a folder")

    def test_quoted_folder_ending_in_a_backslash_keeps_the_quote_and_fails(self):
        # "C:\My Games\" : the backslash and the closing quote become one literal quote, so the
        # folder text is C:\My Games" and later text joins it; a quote cannot be in a folder name.
        before = self.p.snapshot()
        code = self.p.run_exact(SETUP, self.command_line("--silent", '"C:\\My Games\\"', "tail"))
        self.assertEqual(code, 1)
        self.assertEqual(harness.snapshot_changes(before, self.p.snapshot())["files_added"], [])

    def test_other_spellings_run_the_windowed_start(self):
        # The windowed start cannot show anything without a display and ends on its own; what
        # matters here is that none of these installs anything.
        for args in (["--SILENT"], ["/silent"], ["-silent"], ["x", "--silent"]):
            with self.subTest(args=args):
                self.p.run_exact(SETUP, self.command_line(*args), timeout=120)
                self.assertFalse(os.path.exists(os.path.join(self.p.local_appdata, "Programs", "Zordelo")))
                self.assertIsNone(self.p.reg_query(UNINSTALL_KEY))
                self.assertEqual([r for r in self.p.standin_log() if r["tool"] == "powershell"], [])

    def test_a_running_game_is_ended_before_its_file_is_replaced(self):
        folder = os.path.join(self.p.local_appdata, "Programs", "Zordelo")
        self.assertEqual(self.p.run(SETUP, ["--silent"]).returncode, 0)
        game = self.p.start(os.path.join(folder, "Zordelo.exe"), env={"ZORDELO_GAME_SECONDS": "300"})
        self.addCleanup(game.kill)
        deadline = time.time() + 60
        while not [r for r in self.p.standin_log() if r["tool"] == "game"] and time.time() < deadline:
            time.sleep(0.2)
        self.assertTrue([r for r in self.p.standin_log() if r["tool"] == "game"], "the game did not start")
        self.assertIsNone(game.poll(), "the game is running")
        os.utime(os.path.join(folder, "Zordelo.exe"), ns=(0, 0))
        started = time.time()
        r = self.p.run(SETUP, ["--silent"])
        self.assertEqual(r.returncode, 0)
        game.wait(timeout=30)  # ended by taskkill, long before its 300 s
        self.assertLess(time.time() - started, 120)
        self.assertEqual(harness.read_bytes(os.path.join(folder, "Zordelo.exe")), GAME)
        self.assertNotEqual(os.stat(os.path.join(folder, "Zordelo.exe")).st_mtime_ns, 0, "written anew")

    def test_tools_beside_setup_are_never_started(self):
        # setup.exe in the Downloads folder, where earlier downloads lie under the tools' names.
        downloads = os.path.join(self.p.profile, "Downloads")
        os.makedirs(downloads, exist_ok=True)
        setup = os.path.join(downloads, "setup.exe")
        shutil.copyfile(SETUP, setup)
        self.p.plant_beside(downloads)
        before = self.p.snapshot()
        r = self.p.run(setup, ["--silent"], cwd=downloads)
        self.assertEqual(r.returncode, 0, r.stderr)
        after = self.p.snapshot()
        folder = os.path.join(self.p.local_appdata, "Programs", "Zordelo")
        location = "C:\\users\\" + self.p.user + "\\AppData\\Local\\Programs\\Zordelo"
        programs = os.path.relpath(os.path.join(self.p.local_appdata, "Programs"), self.p.drive_c)
        # Only the real tools ran (the log holds the stand-in PowerShell found on PATH, and no
        # "planted" start), and the entry shows that Wine's reg did its work.
        self.assert_installed(folder, location, before, after, created_above=(programs,))

    def test_error_boxes_are_turned_off_before_anything_else(self):
        # Wine never shows the "no disk" box and passes no error mode on to children, so the
        # program's own calls are read from Wine's relay trace.
        code, calls = self.p.relay_calls(SETUP, ["--silent"])
        self.assertEqual(code, 0)
        self.assertEqual(calls[0][0], "SetErrorMode", calls[:3])
        self.assertEqual(int(calls[0][1][0], 16) & 0x8001, 0x8001, "SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX")
        started = [args for name, args in calls if name == "CreateProcessW"]
        self.assertEqual(len(started), 1 + 1 + 9, "taskkill, powershell and nine reg add")
        for args in started:
            flags = int(args[-5], 16)
            # hidden, Unicode environment, an explicit list of inherited handles; never the
            # default error mode, which would drop the mode for the tool
            self.assertEqual(flags, 0x08000000 | 0x00000400 | 0x00080000, args)

    def test_a_drive_without_a_medium_fails_with_1(self):
        # An empty card reader: the drive letter exists, its medium does not.
        link = os.path.join(self.p.prefix, "dosdevices", "e:")
        os.symlink(os.path.join(self.p.root, "no-medium"), link)
        before = self.p.snapshot()
        code = self.p.run_exact(SETUP, self.command_line("--silent", "E:\\"))
        self.assertEqual(code, 1)
        self.assertEqual(harness.snapshot_changes(before, self.p.snapshot()),
                         {k: [] for k in harness.snapshot_changes(before, before)})
        self.assertEqual(self.p.standin_log(), [])

    def test_installing_twice_replaces_the_payload_files_and_leaves_others_alone(self):
        folder = os.path.join(self.p.local_appdata, "Programs", "Zordelo")
        self.assertEqual(self.p.run(SETUP, ["--silent"]).returncode, 0)
        os.makedirs(os.path.join(folder, "saves"))
        extras = {"notes.txt": b"my notes", os.path.join("saves", "slot1.dat"): b"\x00\x01saved"}
        for name, data in extras.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        with open(os.path.join(folder, "uninstall.exe"), "wb") as f:
            f.write(b"damaged")
        with open(os.path.join(folder, "Zordelo.exe"), "ab") as f:
            f.write(b"x" * 5000)  # longer than the real one: the rewrite must cut it
        stamps = {n: os.stat(os.path.join(folder, n)).st_mtime_ns for n in extras}
        before = self.p.snapshot()
        self.assertEqual(self.p.run(SETUP, ["--silent"]).returncode, 0)
        after = self.p.snapshot()
        self.assertEqual(harness.read_bytes(os.path.join(folder, "Zordelo.exe")), GAME)
        self.assertEqual(harness.read_bytes(os.path.join(folder, "uninstall.exe")), UNINSTALLER)
        for name, data in extras.items():
            self.assertEqual(harness.read_bytes(os.path.join(folder, name)), data)
            self.assertEqual(os.stat(os.path.join(folder, name)).st_mtime_ns, stamps[name])
        changes = harness.snapshot_changes(before, after)
        inside = os.path.relpath(folder, self.p.drive_c)
        self.assertEqual(changes["files_added"], [])
        self.assertEqual(changes["files_removed"], [])
        self.assertEqual(changes["files_changed"],
                         [os.path.join(inside, "Zordelo.exe"), os.path.join(inside, "uninstall.exe")])
        self.assertEqual(changes["keys_changed"], [])  # the same nine values written again


if __name__ == "__main__":
    unittest.main()
