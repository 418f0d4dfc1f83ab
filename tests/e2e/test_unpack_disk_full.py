"""Unpacking onto a small disk. A tmpfs is mounted in a private mount namespace (so nothing leaks
out of the test) under a folder that Wine reaches as Z:, and this file runs itself again inside
that namespace, where a Wine prefix of its own (whose wineserver starts there and so sees the
mount) runs:
- the Win32 tests UnpackPayload.AFullDiskGivesTheIoErrorTextAlone and
  UnpackPayload.AReinstallThatCannotFitLeavesTheEarlierInstallAsItWas against the mount;
- setup.exe --silent into the mount: a first install, then a reinstall over an earlier, smaller
  version on a disk that other files have filled, which must fail with 1 before it touches the
  earlier files, and the same reinstall once there is room."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from harness import BUILD, SETUP, Prefix, unix_to_windows_z  # noqa: E402

WIN_TESTS = os.path.join(BUILD, "wintest", "win_tests.exe")
WIN_TEST_FILTER = ("UnpackPayload.AFullDiskGivesTheIoErrorTextAlone:"
                   "UnpackPayload.AReinstallThatCannotFitLeavesTheEarlierInstallAsItWas")
INSIDE = "ZORDELO_SMALL_DISK_MOUNT" in os.environ
GAME = harness.read_bytes(harness.game_input())
UNINSTALLER = harness.read_bytes(harness.UNINSTALL)
# Room for the payload three times over, so that each case can set up the fill it needs.
MOUNT_MIB = max(2, -(-3 * (len(GAME) + len(UNINSTALLER)) // (1 << 20)))


def can_mount():
    probe = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c",
                            'd=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs "$d"'], capture_output=True)
    return probe.returncode == 0


def free_bytes(path):
    st = os.statvfs(path)
    return st.f_bavail * st.f_frsize


def replace_file(path, data):
    if os.path.lexists(path):
        os.remove(path)
    with open(path, "wb") as f:
        f.write(data)


class UnpackOnASmallDisk(unittest.TestCase):
    """Outside: makes the namespace and the mount point, and runs SmallDisk inside."""

    def test_small_disk(self):
        if not shutil.which("unshare") or not can_mount():
            self.skipTest("no permission to mount a tmpfs in a private mount namespace")
        harness.ensure_template()  # made out here, where everything else makes it
        root = tempfile.mkdtemp(prefix="zordelo-small-disk-")
        os.makedirs(os.path.join(root, "mount"))
        self.addCleanup(shutil.rmtree, root, True)
        env = dict(os.environ, ZORDELO_SMALL_DISK_MOUNT=os.path.join(root, "mount"))
        script = 'mount -t tmpfs -o size="$1"m tmpfs "$ZORDELO_SMALL_DISK_MOUNT" || exit 90; exec "$2" "$3" -v'
        run = subprocess.run(["unshare", "-m", "--propagation", "private", "sh", "-c", script, "sh", str(MOUNT_MIB),
                              sys.executable, os.path.abspath(__file__)], env=env, stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=900)
        output = run.stdout + run.stderr
        print(output)
        self.assertEqual(run.returncode, 0, output)
        self.assertRegex(output, r"Ran 2 tests")
        self.assertNotIn("skipped", output)
        self.assertEqual(os.listdir(os.path.join(root, "mount")), [], "the mount stayed inside the namespace")


class SmallDisk(unittest.TestCase):
    """Inside the namespace, with the tmpfs mounted at ZORDELO_SMALL_DISK_MOUNT."""

    def setUp(self):
        self.mount = os.environ["ZORDELO_SMALL_DISK_MOUNT"]
        self.p = Prefix()
        self.addCleanup(self.p.close)

    def test_win32_unpacking(self):
        folder = os.path.join(self.mount, "win32")
        os.makedirs(folder)
        self.addCleanup(shutil.rmtree, folder, True)
        r = self.p.run(WIN_TESTS, ["--gtest_filter=" + WIN_TEST_FILTER],
                       env={"ZORDELO_SMALL_DISK": unix_to_windows_z(folder)}, timeout=600)
        output = (r.stdout + r.stderr).decode("utf-8", "replace")
        print(output)
        self.assertEqual(r.returncode, 0, output)
        self.assertIn("[  PASSED  ] 2 tests", output)
        self.assertNotIn("SKIPPED", output)

    def test_setup_reinstall_that_cannot_fit(self):
        folder = os.path.join(self.mount, "Games", "Zordelo")
        os.makedirs(os.path.dirname(folder))
        self.addCleanup(shutil.rmtree, os.path.dirname(folder), True)
        location = unix_to_windows_z(folder)
        game, uninstaller = os.path.join(folder, "Zordelo.exe"), os.path.join(folder, "uninstall.exe")
        self.assertEqual(self.p.run(SETUP, ["--silent", location]).returncode, 0, "the first install fits")
        self.assertEqual(harness.read_bytes(game), GAME)

        # An earlier, smaller version, and other files that leave 64 KiB less than it needs.
        earlier_game = bytes((i * 13 + (i >> 10)) & 0xFF for i in range(len(GAME) // 2))
        earlier_uninstaller = b"u" * (len(UNINSTALLER) // 2)
        replace_file(game, earlier_game)
        replace_file(uninstaller, earlier_uninstaller)
        needed = len(GAME) + len(UNINSTALLER) - len(earlier_game) - len(earlier_uninstaller)
        filler = os.path.join(self.mount, "other files.bin")
        self.addCleanup(lambda: os.path.exists(filler) and os.remove(filler))
        with open(filler, "wb") as f:
            f.write(b"x" * (free_bytes(self.mount) - needed + 65536))
        self.assertLess(free_bytes(self.mount), needed)
        stamps = {p: os.stat(p).st_mtime_ns for p in (game, uninstaller)}

        self.assertEqual(self.p.run(SETUP, ["--silent", location]).returncode, 1, "the reinstall cannot fit")
        self.assertEqual(harness.read_bytes(game), earlier_game, "the earlier game is byte for byte as it was")
        self.assertEqual(harness.read_bytes(uninstaller), earlier_uninstaller)
        self.assertEqual({p: os.stat(p).st_mtime_ns for p in stamps}, stamps, "neither file was opened for writing")
        self.assertEqual(sorted(os.listdir(folder)), ["Zordelo.exe", "uninstall.exe"])

        os.remove(filler)
        self.assertEqual(self.p.run(SETUP, ["--silent", location]).returncode, 0, "with room, it installs")
        self.assertEqual(harness.read_bytes(game), GAME)
        self.assertEqual(harness.read_bytes(uninstaller), UNINSTALLER)


if __name__ == "__main__":
    unittest.main(defaultTest="SmallDisk" if INSIDE else "UnpackOnASmallDisk")
