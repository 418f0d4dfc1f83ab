"""Unpacking onto a full disk: a 2 MiB tmpfs is mounted (in a private mount namespace, so nothing
leaks out of the test) under a folder that Wine reaches as Z:, and the Win32 test
UnpackPayload.AFullDiskGivesTheIoErrorTextAlone runs against it in a Wine prefix of its own,
whose wineserver starts inside the namespace and so sees the mount."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, Prefix, unix_to_windows_z  # noqa: E402

WIN_TESTS = os.path.join(BUILD, "wintest", "win_tests.exe")
TEST = "UnpackPayload.AFullDiskGivesTheIoErrorTextAlone"


def can_mount():
    probe = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c",
                            'd=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs "$d"'], capture_output=True)
    return probe.returncode == 0


class UnpackOnAFullDisk(unittest.TestCase):
    def setUp(self):
        if not shutil.which("unshare") or not can_mount():
            self.skipTest("no permission to mount a tmpfs in a private mount namespace")
        self.prefix = Prefix()
        self.addCleanup(self.prefix.close)
        self.mount = os.path.join(self.prefix.root, "small")
        os.mkdir(self.mount)

    def test_full_disk(self):
        env = self.prefix.env({"ZORDELO_SMALL_DISK": unix_to_windows_z(self.mount), "SMALL": self.mount,
                               "WIN_TESTS": WIN_TESTS, "TEST": TEST})
        script = ('mount -t tmpfs -o size=2m tmpfs "$SMALL" || exit 90\n'
                  'wine "$WIN_TESTS" --gtest_filter="$TEST"; status=$?\n'
                  'wineserver -k; exit $status\n')
        run = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c", script], env=env,
                             stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=600)
        output = run.stdout + run.stderr
        self.assertEqual(run.returncode, 0, output)
        self.assertIn("[  PASSED  ] 1 test", output)
        self.assertNotIn("SKIPPED", output)
        self.assertEqual(os.listdir(self.mount), [], "the mount stayed inside the namespace")


if __name__ == "__main__":
    unittest.main()
