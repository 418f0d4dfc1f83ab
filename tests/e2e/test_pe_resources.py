"""Both programs are self-contained PE32+ GUI executables importing only Windows system DLLs,
each carrying the seven-image icon, the version record and no application manifest; what ships
(both programs and the uninstall.exe packed into setup.exe's payload) carries no debug sections,
no symbols and no path of the machine that built it, and stays within its size."""
import io
import os
import struct
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from pe_file import PeFile, embedded_zip, version_strings  # noqa: E402

BUILD = os.path.abspath(os.environ.get("ZORDELO_BUILD", "build/mingw"))
SOURCE = os.path.abspath(os.environ.get("ZORDELO_SOURCE", "."))
PROGRAMS = ["setup.exe", "uninstall.exe"]
# The uninstaller's size in the product's own payload table; setup.exe is its payload plus the
# installer's program, page and resources.
UNINSTALL_MAX = 363_520
SETUP_MAX_OVER_PAYLOAD = 1 << 20
# Where the build machine keeps the sources, the build, the runtime libraries and their headers
# (debug sections would name them).
BUILD_MACHINE_PATHS = [SOURCE, BUILD, "/usr/x86_64-w64-mingw32/", "/usr/lib/gcc/", "/usr/share/mingw-w64/",
                       "/usr/include/", "/build/"]
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "oleaut32.dll", "shlwapi.dll", "msvcrt.dll", "comctl32.dll", "shcore.dll", "uuid.dll",
               "comdlg32.dll", "version.dll", "ws2_32.dll", "bcrypt.dll", "api-ms-win-crt-runtime-l1-1-0.dll"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


class PeResources(unittest.TestCase):
    def each(self):
        for name in PROGRAMS:
            with self.subTest(program=name):
                yield name, PeFile(os.path.join(BUILD, "bin", name))

    def test_headers_and_imports(self):
        for name, pe in self.each():
            self.assertEqual(pe.magic, 0x20B, "PE32+")
            self.assertEqual(pe.machine, 0x8664)
            self.assertEqual(pe.subsystem, 2, "Windows GUI subsystem")
            self.assertEqual(pe.timestamp, 0, "no build time in the header")
            # setup.exe's pages in the file are its pages in memory (its payload is mapped in
            # place); uninstall.exe has the usual 512-byte file alignment.
            file_alignment = 4096 if name == "setup.exe" else 512
            self.assertEqual((pe.file_alignment, pe.section_alignment), (file_alignment, 4096))
            imports = {n.lower() for n in pe.imports()}
            self.assertTrue(imports, "imports were read")
            self.assertLessEqual(imports, SYSTEM_DLLS, "only Windows system DLLs")
            for lib in ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
                self.assertNotIn(lib, imports)

    def test_icon_group_of_seven_images(self):
        for _, pe in self.each():
            res = pe.resources()
            groups = res.get(RT_GROUP_ICON, {})
            self.assertEqual(len(groups), 1)
            (group,) = [blob for langs in groups.values() for blob in langs.values()]
            reserved, kind, count = struct.unpack_from("<HHH", group, 0)
            self.assertEqual((reserved, kind, count), (0, 1, 7))
            icons = {k: next(iter(v.values())) for k, v in res[RT_ICON].items()}
            sizes = []
            for i in range(count):
                w, h, _, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
                image = icons[icon_id]
                self.assertEqual(len(image), size)
                side = w or 256
                sizes.append(side)
                if side == 256:
                    self.assertEqual(image[:8], b"\x89PNG\r\n\x1a\n", "256 px image is PNG")
                    self.assertEqual(struct.unpack(">II", image[16:24]), (256, 256))
                else:
                    header_size, dib_w, dib_h = struct.unpack_from("<Iii", image, 0)
                    self.assertEqual((header_size, dib_w, dib_h), (40, side, 2 * side))
            self.assertEqual(sorted(sizes), [16, 24, 32, 48, 64, 128, 256])

    def test_version_record_and_no_manifest(self):
        for _, pe in self.each():
            res = pe.resources()
            self.assertNotIn(RT_MANIFEST, res, "no application manifest")
            (blob,) = [b for langs in res[RT_VERSION].values() for b in langs.values()]
            v = version_strings(blob)
            self.assertEqual(v["#file"], (0, 1, 0, 0))
            self.assertEqual(v["#product"], (0, 1, 0, 0))
            self.assertEqual(v["ProductName"], "Zordeló")
            self.assertEqual(v["CompanyName"], "Morvik")
            self.assertEqual(v["FileDescription"], "Zordeló telepítő / eltávolító")
            self.assertEqual(v["FileVersion"], "0.1.0")
            self.assertEqual(v["ProductVersion"], "0.1.0")


class ShippedFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = {name: PeFile(os.path.join(BUILD, "bin", name)) for name in PROGRAMS}
        cls.payload = embedded_zip(cls.files["setup.exe"].data)
        with zipfile.ZipFile(io.BytesIO(cls.payload)) as z:
            cls.files["uninstall.exe in the payload"] = PeFile(data=z.read("uninstall.exe"))

    def test_no_debug_sections_symbols_or_build_paths(self):
        for name, pe in self.files.items():
            with self.subTest(file=name):
                names = [s[0] for s in pe.sections]
                self.assertIn(".text", names, "the section table was read")
                self.assertEqual([n for n in names if n.startswith(".debug") or n.startswith("/")], [])
                self.assertEqual((pe.symbol_table, pe.symbol_count), (0, 0), "no COFF symbol table")
                for path in BUILD_MACHINE_PATHS:
                    self.assertNotIn(path.encode(), pe.data, f"holds the build machine's path {path}")

    def test_sizes(self):
        uninstall = self.files["uninstall.exe"].data
        setup = self.files["setup.exe"].data
        self.assertEqual(self.files["uninstall.exe in the payload"].data, uninstall)
        self.assertLessEqual(len(uninstall), UNINSTALL_MAX)
        self.assertLessEqual(len(setup), len(self.payload) + SETUP_MAX_OVER_PAYLOAD,
                             f"setup.exe {len(setup)} bytes, payload {len(self.payload)} bytes")
        for name in PROGRAMS:
            with self.subTest(file=name):
                # The C++ library's report of an uncaught exception, with the demangler it needs,
                # is left out (src/common/terminate_handler_win.cpp).
                self.assertNotIn(b"terminate called after throwing", self.files[name].data)


if __name__ == "__main__":
    unittest.main()
