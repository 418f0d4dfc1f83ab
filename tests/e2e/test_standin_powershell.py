"""The stand-in powershell.exe that the end-to-end suites put on PATH: it carries out exactly the
installer's shortcut script and the uninstaller's shortcut-removal script (shortcuts made and
deleted in Wine's Desktop and Start-menu Programs folders) and refuses every other script."""
import base64
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import FIXTURES, Prefix  # noqa: E402
from test_silent_install import shortcut_script  # noqa: E402

POWERSHELL = os.path.join(FIXTURES, "powershell.exe")
REMOVAL = ("foreach($d in 'Desktop','Programs'){ Remove-Item -Force -ErrorAction SilentlyContinue "
           "(Join-Path ([Environment]::GetFolderPath($d)) 'Zordeló.lnk') }")


def encoded(script):
    return base64.b64encode(script.encode("utf-16-le")).decode("ascii")


class StandinPowerShell(unittest.TestCase):
    def setUp(self):
        self.p = Prefix()
        self.addCleanup(self.p.close)
        self.desktop_lnk = os.path.join(self.p.desktop, harness.SHORTCUT_NAME)
        self.programs_lnk = os.path.join(self.p.programs, harness.SHORTCUT_NAME)

    def powershell(self, script):
        return self.recorded_run(["-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand", encoded(script)])

    def recorded_run(self, args):
        """Exit code and the log line of one run. A run that leaves no line never reached the
        stand-in (on a loaded machine Wine has been seen to fail a start now and then): it runs
        once more, and a second miss fails the test."""
        for attempt in range(2):
            before = len(self.p.standin_log())
            r = self.p.run(POWERSHELL, args)
            log = self.p.standin_log()
            if len(log) > before:
                self.assertEqual(len(log), before + 1)
                return r.returncode, log[-1]
        self.fail(f"the stand-in recorded nothing (exit {r.returncode}, stderr {r.stderr[-300:]!r})")

    def install_game(self, folder):
        os.makedirs(folder)
        with open(os.path.join(folder, "Zordelo.exe"), "wb") as f:
            f.write(harness.read_bytes(harness.game_input()))

    def test_shortcut_script_makes_the_wanted_shortcuts_with_their_four_properties(self):
        folder = os.path.join(self.p.drive_c, "Games", "O'Brien és Társa", "Zordelo")
        self.install_game(folder)
        location = self.p.to_windows(folder)
        exe = location + "\\Zordelo.exe"
        for desktop, start in ((False, False), (False, True), (True, True)):
            with self.subTest(desktop=desktop, start=start):
                code, log = self.powershell(shortcut_script(location, exe, desktop, start))
                self.assertEqual((code, log["action"]), (0, "shortcuts"))
                self.assertEqual(os.path.exists(self.desktop_lnk), desktop)
                self.assertEqual(os.path.exists(self.programs_lnk), start)
        for lnk in (self.desktop_lnk, self.programs_lnk):
            info = harness.read_shortcut(lnk)
            self.assertEqual(info["target"], exe)
            self.assertEqual(info["working_dir"], location)
            self.assertEqual((info["icon_location"], info["icon_index"]), (exe, 0))
            self.assertEqual(info["description"], "Zordeló")

    def test_removal_script_deletes_both_shortcuts_and_ignores_missing_ones(self):
        folder = os.path.join(self.p.drive_c, "Zordelo")
        self.install_game(folder)
        location = self.p.to_windows(folder)
        self.assertEqual(self.powershell(shortcut_script(location, location + "\\Zordelo.exe", True, True))[0], 0)
        os.chmod(self.desktop_lnk, 0o444)
        code, log = self.powershell(REMOVAL)
        self.assertEqual((code, log["action"], log["script"]), (0, "remove", REMOVAL))
        self.assertFalse(os.path.exists(self.desktop_lnk))
        self.assertFalse(os.path.exists(self.programs_lnk))
        self.assertEqual(self.powershell(REMOVAL)[0], 0)  # nothing left to remove

    def test_any_other_script_is_recorded_and_refused(self):
        location = "C:\\Zordelo"
        good = shortcut_script(location, location + "\\Zordelo.exe", True, False)
        others = [
            "Write-Output hello",
            "",
            good + " ",
            good.replace("$true", "1", 1),
            good.replace("'Zordeló.lnk'", "'Zordelo.lnk'", 1),
            good.replace("TargetPath='C:\\Zordelo\\Zordelo.exe'", "TargetPath='C:\\Zordelo\\Other.exe'"),
            shortcut_script("C:\\O'Brien", "C:\\O'Brien\\Zordelo.exe").replace("O''Brien", "O'Brien"),
            REMOVAL.replace("Programs", "Startup"),
        ]
        for script in others:
            with self.subTest(script=script[:60]):
                code, log = self.powershell(script)
                self.assertEqual((code, log["action"], log["script"]), (1, "refused", script))
        self.assertFalse(os.path.exists(self.desktop_lnk))
        code, log = self.recorded_run(["-Command", "Get-Date"])
        self.assertEqual((code, log["action"]), (1, "refused"))


if __name__ == "__main__":
    unittest.main()
