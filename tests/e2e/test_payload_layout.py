"""The payload archive, field by field: exactly the game executable and uninstall.exe, in that
order, Deflate, plain names, flags 0, made by 2.0 on MS-DOS, needed 2.0, attributes 0x81FF0000,
no extra fields or comments, one DOS time, the directory right after the data and nothing after
the end record; Deflate data smaller than zlib's strongest; embedded whole in setup.exe's .rdata;
and packing is deterministic, with libdeflate as with zlib."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, SETUP, SOURCE, UNINSTALL, game_input as game_exe  # noqa: E402
from pe_file import PeFile  # noqa: E402

PAYLOAD = os.path.join(BUILD, "assets", "payload.zip")
PACKER = os.path.join(SOURCE, "assets", "pack_payload.py")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def parse(archive):
    """Every field of a two-level ZIP walk; fails on anything it does not expect."""
    end = len(archive) - 22
    sig, disk, cd_disk, n_here, n_total, cd_size, cd_offset, comment = struct.unpack_from("<IHHHHIIH", archive, end)
    assert sig == 0x06054B50, "end record is the last 22 bytes"
    out = {"end": dict(disk=disk, cd_disk=cd_disk, here=n_here, total=n_total, cd_size=cd_size,
                       cd_offset=cd_offset, comment=comment), "entries": []}
    pos = cd_offset
    for _ in range(n_total):
        f = struct.unpack_from("<IHHHHHHIIIHHHHHII", archive, pos)
        name = archive[pos + 46:pos + 46 + f[10]]
        keys = ("sig", "made_by", "needed", "flags", "method", "time", "date", "crc", "packed", "size",
                "name_len", "extra_len", "comment_len", "disk", "internal", "external", "offset")
        c = dict(zip(keys, f), name=name, central_at=pos)
        lf = struct.unpack_from("<IHHHHHIIIHH", archive, c["offset"])
        lkeys = ("sig", "needed", "flags", "method", "time", "date", "crc", "packed", "size", "name_len", "extra_len")
        local = dict(zip(lkeys, lf))
        local["name"] = archive[c["offset"] + 30:c["offset"] + 30 + local["name_len"]]
        data_at = c["offset"] + 30 + local["name_len"] + local["extra_len"]
        c["local"] = local
        c["data"] = archive[data_at:data_at + c["packed"]]
        c["data_end"] = data_at + c["packed"]
        out["entries"].append(c)
        pos += 46 + c["name_len"] + c["extra_len"] + c["comment_len"]
    out["directory_end"] = pos
    return out


class PayloadLayout(unittest.TestCase):
    def test_fields(self):
        archive = read(PAYLOAD)
        z = parse(archive)
        inputs = [(b"Zordelo.exe", read(game_exe())), (b"uninstall.exe", read(UNINSTALL))]
        self.assertEqual(z["end"], dict(disk=0, cd_disk=0, here=2, total=2, cd_size=z["end"]["cd_size"],
                                        cd_offset=z["entries"][1]["data_end"], comment=0))
        self.assertEqual(z["end"]["cd_size"], 2 * 46 + 11 + 13, "two plain records, nothing else")
        self.assertEqual(z["directory_end"], len(archive) - 22, "the end record follows the directory")
        self.assertEqual(z["entries"][0]["offset"], 0)
        self.assertEqual(z["entries"][1]["offset"], z["entries"][0]["data_end"])
        times = set()
        for entry, (name, content) in zip(z["entries"], inputs):
            with self.subTest(name=name):
                self.assertEqual(entry["name"], name)
                expected = dict(sig=0x02014B50, made_by=20, needed=20, flags=0, method=8, crc=zlib.crc32(content),
                                size=len(content), name_len=len(name), extra_len=0, comment_len=0, disk=0,
                                internal=0, external=0x81FF0000)
                self.assertEqual({k: entry[k] for k in expected}, expected)
                local = entry["local"]
                self.assertEqual(local, dict(sig=0x04034B50, needed=20, flags=0, method=8, time=entry["time"],
                                             date=entry["date"], crc=entry["crc"], packed=entry["packed"],
                                             size=entry["size"], name_len=len(name), extra_len=0, name=name))
                inflater = zlib.decompressobj(-15)
                self.assertEqual(inflater.decompress(entry["data"]) + inflater.flush(), content)
                self.assertTrue(inflater.eof, "the Deflate stream ends with the packed data")
                times.add((entry["date"], entry["time"]))
        self.assertEqual(len(times), 1, "one DOS date and time for both entries")

    def test_packed_smaller_than_zlib_best(self):
        # The payload's Deflate data comes from libdeflate's strongest level: a few percent
        # smaller than what zlib makes at its own strongest, for the same inflater.
        z = parse(read(PAYLOAD))
        for entry, path in zip(z["entries"], (game_exe(), UNINSTALL)):
            with self.subTest(name=entry["name"]):
                deflater = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
                content = read(path)
                zlib_best = len(deflater.compress(content) + deflater.flush())
                self.assertLess(entry["packed"], zlib_best * 0.99, f"zlib level 9: {zlib_best} bytes")

    def test_info_zip_agrees(self):
        if not shutil.which("zipinfo") or not shutil.which("unzip"):
            self.skipTest("Info-ZIP is not installed")
        info = subprocess.run(["zipinfo", "-v", PAYLOAD], capture_output=True, text=True, check=True).stdout
        self.assertIn("central directory contains 2 entries", info)
        self.assertIn("There is no zipfile comment.", info)
        self.assertEqual(info.count("file system or operating system of origin:      MS-DOS, OS/2 or NT FAT"), 2)
        self.assertEqual(info.count("minimum software version required to extract:   2.0"), 2)
        self.assertEqual(info.count("non-MSDOS external file attributes:             81FF00 hex"), 2)
        self.assertEqual(info.count("length of extra field:                          0 bytes"), 2)
        self.assertEqual(info.count("extended local header:                          no"), 2)
        self.assertEqual(re.findall(r"^  (\S+)\n\n  offset of local header", info, re.M), ["Zordelo.exe", "uninstall.exe"])
        test = subprocess.run(["unzip", "-t", PAYLOAD], capture_output=True, text=True)
        self.assertEqual(test.returncode, 0, test.stdout + test.stderr)

    def test_embedded_whole_in_rdata(self):
        pe = PeFile(SETUP)
        archive = read(PAYLOAD)
        at = pe.data.find(archive)
        self.assertGreaterEqual(at, 0, "setup.exe holds the archive byte for byte")
        self.assertEqual(pe.data.find(archive, at + 1), -1)
        (rdata,) = [s for s in pe.sections if s[0] == ".rdata"]
        _, _, vsize, rawptr, rawsize = rdata
        self.assertTrue(rawptr <= at and at + len(archive) <= rawptr + min(vsize, rawsize), "inside .rdata")
        self.assertEqual((pe.file_alignment, pe.section_alignment), (4096, 4096), "mapped in place")

    def test_packing_is_deterministic(self):
        with tempfile.TemporaryDirectory() as tmp:
            args = ["Zordelo.exe=" + game_exe(), "uninstall.exe=" + UNINSTALL]

            def pack(name, epoch, options=()):
                env = dict(os.environ)
                env.pop("SOURCE_DATE_EPOCH", None)
                if epoch is not None:
                    env["SOURCE_DATE_EPOCH"] = str(epoch)
                out = os.path.join(tmp, name)
                subprocess.run([sys.executable, PACKER, *options, out] + args, env=env, check=True)
                return read(out)

            first, second = pack("a.zip", None), pack("b.zip", None)
            self.assertEqual(first, second, "two packs of the same inputs are byte-identical")
            built = parse(read(PAYLOAD))["entries"]
            self.assertEqual([e["data"] for e in parse(first)["entries"]], [e["data"] for e in built],
                             "the build packs the same Deflate data (its entry time may differ)")
            by_zlib = pack("z.zip", None, ["--zlib-level", "6"])
            self.assertEqual(by_zlib, pack("y.zip", None, ["--zlib-level", "6"]))
            for entry, content in zip(parse(by_zlib)["entries"], (read(game_exe()), read(UNINSTALL))):
                inflater = zlib.decompressobj(-15)
                self.assertEqual(inflater.decompress(entry["data"]) + inflater.flush(), content)
            default = parse(first)["entries"][0]
            self.assertEqual((default["date"], default["time"]), ((2025 - 1980) << 9 | 1 << 5 | 1, 0))
            # 2023-11-14 22:13:20 UTC
            dated = parse(pack("c.zip", 1700000000))["entries"]
            self.assertEqual({(e["date"], e["time"]) for e in dated}, {((2023 - 1980) << 9 | 11 << 5 | 14,
                                                                        22 << 11 | 13 << 5 | 10)})
            # The epoch of the DOS calendar itself.
            early = parse(pack("d.zip", 315532800))["entries"][1]
            self.assertEqual((early["date"], early["time"]), (0 << 9 | 1 << 5 | 1, 0))


if __name__ == "__main__":
    unittest.main()
