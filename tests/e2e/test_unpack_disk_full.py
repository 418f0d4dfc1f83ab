"""Unpacking onto a full disk: a 2 MiB tmpfs is mounted (in a private mount namespace, so nothing
leaks out of the test) under a folder that Wine reaches as Z:, and the Win32 test
UnpackPayload.AFullDiskGivesTheIoErrorTextAlone runs against it in its own Wine prefix."""
import os
import shutil
import subprocess
import tempfile
import unittest

BUILD = os.path.abspath(os.environ.get("ZORDELO_BUILD", "build/mingw"))
SOURCE = os.path.abspath(os.environ.get("ZORDELO_SOURCE", "."))
WIN_TESTS = os.path.join(BUILD, "wintest", "win_tests.exe")
TEST = "UnpackPayload.AFullDiskGivesTheIoErrorTextAlone"


def can_mount():
    probe = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c",
                            "d=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs \"$d\""],
                           capture_output=True)
    return probe.returncode == 0


class UnpackOnAFullDisk(unittest.TestCase):
    def setUp(self):
        if not shutil.which("unshare") or not can_mount():
            self.skipTest("no permission to mount a tmpfs in a private mount namespace")
        state = os.path.join(BUILD, "wine")
        subprocess.run([os.path.join(SOURCE, "scripts", "wine-prefix.sh"), state], check=True)
        self.work = tempfile.mkdtemp(prefix="disk-full-", dir=BUILD)
        # A prefix of our own (hard-linked from the template, registry copied), so that its
        # wineserver starts inside the namespace and sees the mount.
        template = os.path.join(state, "prefix")
        self.prefix = os.path.join(self.work, "prefix")
        subprocess.run(["cp", "-al", template, self.prefix], check=True)
        for reg in ("system.reg", "user.reg", "userdef.reg"):
            shutil.copyfile(os.path.join(template, reg), os.path.join(self.prefix, reg + ".new"))
            os.replace(os.path.join(self.prefix, reg + ".new"), os.path.join(self.prefix, reg))
        self.home = os.path.join(state, "home")
        self.mount = os.path.join(self.work, "small")
        os.mkdir(self.mount)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def test_full_disk(self):
        env = dict(os.environ, HOME=self.home, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d",
                   ZORDELO_SMALL_DISK="Z:" + self.mount.replace("/", "\\"), SMALL=self.mount,
                   WIN_TESTS=WIN_TESTS, TEST=TEST)
        script = ('mount -t tmpfs -o size=2m tmpfs "$SMALL" || exit 90\n'
                  'wine "$WIN_TESTS" --gtest_filter="$TEST"; status=$?\n'
                  'wineserver -k; exit $status\n')
        run = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c", script], env=env,
                             capture_output=True, text=True, timeout=600)
        output = run.stdout + run.stderr
        self.assertEqual(run.returncode, 0, output)
        self.assertIn("[  PASSED  ] 1 test", output)
        self.assertNotIn("SKIPPED", output)
        self.assertEqual(os.listdir(self.mount), [], "the mount stayed inside the namespace")


if __name__ == "__main__":
    unittest.main()
