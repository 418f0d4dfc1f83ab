#!/usr/bin/env python3
"""Packs the payload archive of setup.exe.

    pack_payload.py OUT NAME=FILE [NAME=FILE ...]

Writes one ZIP archive with the given files, in the given order, every field fixed so that the
same inputs always give the same bytes: Deflate (zlib level 6), plain names, general-purpose
flags 0 (no data descriptors), version made by 2.0 on MS-DOS, version needed 2.0, external
attributes 0x81FF0000, no extra fields, no comments, the central directory right after the last
entry's data and the end record after it. Every entry carries the same DOS date and time: from
SOURCE_DATE_EPOCH (UTC) when it is set, else 2025-01-01 00:00:00. Files are streamed, never held
in memory whole. Sizes must fit the 32-bit fields (no ZIP64).
"""

import os
import struct
import sys
import time
import zlib

CHUNK = 1 << 20
DEFAULT_TIME = (2025, 1, 1, 0, 0, 0)
MADE_BY = 20  # high byte 0: MS-DOS; low byte 20: version 2.0
NEEDED = 20
METHOD_DEFLATE = 8
EXTERNAL_ATTRIBUTES = 0x81FF0000
LIMIT = 0xFFFFFFFF


def dos_date_time():
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch:
        t = time.gmtime(int(epoch))
        year, month, day, hour, minute, second = t[:6]
    else:
        year, month, day, hour, minute, second = DEFAULT_TIME
    year = min(max(year, 1980), 2107)
    if year == 1980 and (month, day) < (1, 1):
        month, day = 1, 1
    date = (year - 1980) << 9 | month << 5 | day
    clock = hour << 11 | minute << 5 | second // 2
    return date, clock


def local_header(name, date, clock, crc, packed, size):
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, NEEDED, 0, METHOD_DEFLATE, clock, date, crc, packed, size,
                       len(name), 0) + name


def central_record(name, date, clock, crc, packed, size, offset):
    return struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, MADE_BY, NEEDED, 0, METHOD_DEFLATE, clock, date, crc, packed,
                       size, len(name), 0, 0, 0, 0, EXTERNAL_ATTRIBUTES, offset) + name


def pack(out_path, members):
    date, clock = dos_date_time()
    records = []
    tmp = out_path + ".tmp"
    with open(tmp, "wb") as out:
        for name, path in members:
            raw = name.encode("ascii")  # plain names only: flag bit 11 stays clear
            offset = out.tell()
            out.write(local_header(raw, date, clock, 0, 0, 0))  # sizes and CRC filled in below
            deflater = zlib.compressobj(6, zlib.DEFLATED, -15, 8, zlib.Z_DEFAULT_STRATEGY)
            crc = size = packed = 0
            with open(path, "rb") as f:
                while True:
                    chunk = f.read(CHUNK)
                    if not chunk:
                        break
                    crc = zlib.crc32(chunk, crc)
                    size += len(chunk)
                    piece = deflater.compress(chunk)
                    packed += len(piece)
                    out.write(piece)
            piece = deflater.flush()
            packed += len(piece)
            out.write(piece)
            if size > LIMIT or packed > LIMIT or offset > LIMIT:
                sys.exit(f"pack_payload: {path} is too large for an archive without ZIP64")
            end = out.tell()
            out.seek(offset)
            out.write(local_header(raw, date, clock, crc, packed, size))
            out.seek(end)
            records.append(central_record(raw, date, clock, crc, packed, size, offset))
        directory_offset = out.tell()
        for record in records:
            out.write(record)
        directory_size = out.tell() - directory_offset
        out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(records), len(records), directory_size,
                              directory_offset, 0))
    os.replace(tmp, out_path)


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    members = []
    for arg in argv[2:]:
        name, sep, path = arg.partition("=")
        if not sep or not name:
            sys.exit(f"pack_payload: expected NAME=FILE, got {arg!r}")
        members.append((name, path))
    pack(argv[1], members)


if __name__ == "__main__":
    main(sys.argv)
