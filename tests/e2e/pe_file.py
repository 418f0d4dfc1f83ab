"""A small reader for the parts of a PE32+ file that our tests look at: header fields, section
names (long ones, such as .debug_info, resolved through the COFF string table), imported DLL
names and the resource tree (type -> name -> language -> bytes)."""
import struct


class PeFile:
    def __init__(self, path=None, data=None):
        if data is None:
            with open(path, "rb") as f:
                data = f.read()
        self.data = d = data
        if d[:2] != b"MZ":
            raise ValueError("not an MZ file")
        self.pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = self.pe + 4
        self.machine, nsections, self.timestamp, self.symbol_table, self.symbol_count = struct.unpack_from(
            "<HHIII", d, coff)
        opt_size = struct.unpack_from("<H", d, coff + 16)[0]
        self.opt = coff + 20
        self.magic = struct.unpack_from("<H", d, self.opt)[0]
        self.section_alignment, self.file_alignment = struct.unpack_from("<II", d, self.opt + 32)
        self.subsystem = struct.unpack_from("<H", d, self.opt + 68)[0]
        ndirs = struct.unpack_from("<I", d, self.opt + 108)[0]
        self.dirs = [struct.unpack_from("<II", d, self.opt + 112 + 8 * i) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            off = self.opt + opt_size + 40 * i
            name = self.section_name(d[off:off + 8].rstrip(b"\0"))
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", d, off + 8)
            self.sections.append((name, va, vsize, rawptr, rawsize))

    def section_name(self, raw):
        """A name of more than 8 bytes is stored as "/offset" into the string table that follows
        the COFF symbols; without that table it stays as it is."""
        name = raw.decode("ascii", "replace")
        if name.startswith("/") and name[1:].isdigit() and self.symbol_table:
            strings = self.symbol_table + 18 * self.symbol_count
            start = strings + int(name[1:])
            end = self.data.find(b"\0", start)
            if 0 <= start < len(self.data) and end > start:
                return self.data[start:end].decode("ascii", "replace")
        return name

    def offset(self, rva):
        for _, va, vsize, rawptr, rawsize in self.sections:
            if va <= rva < va + max(vsize, rawsize):
                return rawptr + rva - va
        raise ValueError("rva %#x outside every section" % rva)

    def cstring(self, off):
        return self.data[off:self.data.index(b"\0", off)].decode("ascii")

    def imports(self):
        rva, size = self.dirs[1]
        names = []
        if not rva:
            return names
        off = self.offset(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, off + 12)[0]
            if name_rva == 0:
                return names
            names.append(self.cstring(self.offset(name_rva)))
            off += 20

    def resources(self):
        """{type: {name: {lang: bytes}}}; ids are ints, names are str."""
        rva, _ = self.dirs[2]
        if not rva:
            return {}
        base = self.offset(rva)
        d = self.data

        def read_dir(off, depth):
            named, ids = struct.unpack_from("<HH", d, off + 12)
            out = {}
            for i in range(named + ids):
                key, target = struct.unpack_from("<II", d, off + 16 + 8 * i)
                if key & 0x80000000:
                    p = base + (key & 0x7FFFFFFF)
                    n = struct.unpack_from("<H", d, p)[0]
                    key = d[p + 2:p + 2 + 2 * n].decode("utf-16-le")
                if target & 0x80000000:
                    out[key] = read_dir(base + (target & 0x7FFFFFFF), depth + 1)
                else:
                    data_rva, size = struct.unpack_from("<II", d, base + target)
                    out[key] = d[self.offset(data_rva):self.offset(data_rva) + size]
            return out

        return read_dir(base, 0)


def version_strings(blob):
    """The StringFileInfo strings of an RT_VERSION resource, with the fixed-info versions."""
    def node(off):
        length, value_len, vtype = struct.unpack_from("<HHH", blob, off)
        end_key = off + 6
        while blob[end_key:end_key + 2] != b"\0\0":
            end_key += 2
        key = blob[off + 6:end_key].decode("utf-16-le")
        value_off = (end_key + 2 + 3) & ~3
        return key, length, value_len, vtype, value_off

    out = {}
    key, length, value_len, _, value_off = node(0)
    assert key == "VS_VERSION_INFO", key
    fixed = blob[value_off:value_off + value_len]
    sig, _, fms, fls, pms, pls = struct.unpack_from("<IIIIII", fixed, 0)
    assert sig == 0xFEEF04BD
    out["#file"] = (fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF)
    out["#product"] = (pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF)

    def walk(off, end, depth):
        while off < end:
            key, length, value_len, vtype, value_off = node(off)
            if length == 0:
                break
            if depth == 2:  # a string
                raw = blob[value_off:value_off + 2 * value_len].decode("utf-16-le").rstrip("\0")
                out[key] = raw
            else:
                child = value_off + (value_len * (2 if vtype == 1 else 1))
                child = (child + 3) & ~3
                if key == "StringFileInfo" or depth == 1:
                    walk(child, off + length, depth + 1)
            off = (off + length + 3) & ~3

    walk((value_off + value_len + 3) & ~3, length, 0)
    return out


def embedded_zip(data):
    """The ZIP archive that a file carries, found back from its last end record (an archive
    without comment): the bytes from its first local header to the end record's end."""
    eocd = data.rfind(b"PK\x05\x06")
    if eocd < 0:
        raise ValueError("no ZIP end record")
    cd_size, cd_offset = struct.unpack_from("<II", data, eocd + 12)
    start = eocd - cd_size - cd_offset
    if start < 0:
        raise ValueError("ZIP end record points before the file's start")
    return data[start:eocd + 22]
