"""Release builds: two builds from the same inputs and SOURCE_DATE_EPOCH give byte-identical
unsigned programs (no build time, no build path, no debug sections or symbols, fixed payload
times); a build signed with a throwaway self-signed certificate carries valid Authenticode
signatures on setup.exe and on the uninstall.exe inside its payload, and the signed setup.exe
still installs under Wine."""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, SOURCE, Prefix  # noqa: E402
from pe_file import PeFile, embedded_zip  # noqa: E402

EPOCH = 1700000000  # 2023-11-14 22:13:20 UTC


def release(build_dir, out_dir, **env):
    e = dict(os.environ, SOURCE_DATE_EPOCH=str(EPOCH), ZORDELO_RELEASE_BUILD=str(build_dir))
    for k in ("ZORDELO_SIGN_PKCS12", "ZORDELO_SIGN_PASSWORD", "ZORDELO_SIGN_TIMESTAMP_URL", "ZORDELO_GAME_EXE"):
        e.pop(k, None)
    e.update(env)
    r = subprocess.run(["bash", str(Path(SOURCE) / "scripts" / "release.sh"), str(out_dir)], env=e, capture_output=True,
                       text=True, timeout=1800)
    if r.returncode != 0:
        raise AssertionError(f"release.sh failed ({r.returncode}):\n{r.stdout}\n{r.stderr}")
    return r.stdout


def payload_of(setup_exe):
    """The ZIP archive embedded in setup.exe."""
    return zipfile.ZipFile(io.BytesIO(embedded_zip(Path(setup_exe).read_bytes())))


def verify(exe, ca):
    r = subprocess.run(["osslsigncode", "verify", "-CAfile", str(ca), "-in", str(exe)], capture_output=True,
                       text=True, timeout=120)
    return r.returncode, r.stdout + r.stderr


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="release-", dir=BUILD))
        cls.source = Path(SOURCE)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_unsigned_builds_are_byte_identical(self):
        out = {}
        for name in ("a", "b"):
            log = release(self.tmp / f"build-{name}", self.tmp / f"out-{name}")
            self.assertIn("game packed:", log)
            out[name] = self.tmp / f"out-{name}"
        for exe in ("setup.exe", "uninstall.exe"):
            a, b = (out["a"] / exe).read_bytes(), (out["b"] / exe).read_bytes()
            self.assertEqual(a, b, f"{exe} differs between two builds")
            pe = PeFile(out["a"] / exe)
            self.assertEqual(pe.timestamp, 0)
            self.assertEqual([s[0] for s in pe.sections if s[0].startswith(".debug")], [], f"{exe} is stripped")
            self.assertEqual((pe.symbol_table, pe.symbol_count), (0, 0), f"{exe} has no symbol table")
            for path in (str(self.tmp), str(SOURCE), str(BUILD)):
                self.assertNotIn(path.encode(), a, f"{exe} holds the build path {path}")
        sums = (out["a"] / "SHA256SUMS").read_text()
        self.assertIn("setup.exe", sums)
        self.assertIn("uninstall.exe", sums)
        want = time.gmtime(EPOCH)[:6]
        want = want[:5] + (want[5] - want[5] % 2,)
        for info in payload_of(out["a"] / "setup.exe").infolist():
            self.assertEqual(info.date_time, want, info.filename)

    def test_signed_programs_verify_and_still_install(self):
        keys = self.tmp / "keys"
        keys.mkdir()
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", keys / "key.pem",
                        "-out", keys / "cert.pem", "-days", "2", "-subj", "/CN=Zordelo Release Test",
                        "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=digitalSignature"],
                       check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", keys / "key.pem", "-in", keys / "cert.pem",
                        "-out", keys / "sign.p12", "-passout", "pass:throwaway pw"], check=True, capture_output=True)
        out = self.tmp / "out-signed"
        log = release(self.tmp / "build-signed", out, ZORDELO_SIGN_PKCS12=str(keys / "sign.p12"),
                      ZORDELO_SIGN_PASSWORD="throwaway pw")
        self.assertIn("signed:       yes", log)

        code, text = verify(out / "setup.exe", keys / "cert.pem")
        self.assertEqual(code, 0, text)
        self.assertIn("Signature verification: ok", text)
        self.assertIn("Zordelo Release Test", text)

        inner = self.tmp / "inner-uninstall.exe"
        inner.write_bytes(payload_of(out / "setup.exe").read("uninstall.exe"))
        self.assertEqual(inner.read_bytes(), (out / "uninstall.exe").read_bytes())
        code, text = verify(inner, keys / "cert.pem")
        self.assertEqual(code, 0, text)
        self.assertIn("Signature verification: ok", text)

        with Prefix() as wp:
            r = wp.run(str(out / "setup.exe"), ["--silent"], timeout=600)
            self.assertEqual(r.returncode, 0, r.stderr)
            installed = Path(wp.local_appdata) / "Programs" / "Zordelo"
            self.assertEqual((installed / "uninstall.exe").read_bytes(), inner.read_bytes())


if __name__ == "__main__":
    unittest.main()
