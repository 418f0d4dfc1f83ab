#!/usr/bin/env python3
"""Packs the payload archive of setup.exe.

    pack_payload.py [--libdeflate-gzip PROGRAM | --zlib-level N] OUT NAME=FILE [NAME=FILE ...]

Writes one ZIP archive with the given files, in the given order, every field fixed so that the
same inputs always give the same bytes: Deflate, plain names, general-purpose flags 0 (no data
descriptors), version made by 2.0 on MS-DOS, version needed 2.0, external attributes 0x81FF0000,
no extra fields, no comments, the central directory right after the last entry's data and the
end record after it. Every entry carries the same DOS date and time: from SOURCE_DATE_EPOCH (UTC)
when it is set, else 2025-01-01 00:00:00. Sizes must fit the 32-bit fields (no ZIP64).

The Deflate data comes from libdeflate at its strongest level, 12 (Debian package
libdeflate-tools; PROGRAM defaults to libdeflate-gzip on PATH), which packs a few percent
smaller than zlib's best and is still plain Deflate for any inflater. libdeflate works on whole
buffers, so it holds one file and its packed form in memory while it packs that file (about 1.7
times the file's size); the raw Deflate stream is cut out of its gzip output, whose CRC-32 and
size are checked against the file. --zlib-level N packs with zlib at level N instead, streaming
(for comparisons).
"""

import argparse
import os
import shutil
import struct
import subprocess
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
GZIP_HEADER = 10  # ID1 ID2 CM FLG MTIME(4) XFL OS, with FLG 0: no name, comment or extra field
GZIP_TRAILER = 8  # CRC-32 and size modulo 2^32


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


def checksum(path):
    """CRC-32 and size of a file, read piece by piece."""
    crc = size = 0
    with open(path, "rb") as f:
        while chunk := f.read(CHUNK):
            crc = zlib.crc32(chunk, crc)
            size += len(chunk)
    return crc, size


def deflate_zlib(path, level, out):
    """Writes the raw Deflate stream of a file at a zlib level; returns its length."""
    deflater = zlib.compressobj(level, zlib.DEFLATED, -15, 8, zlib.Z_DEFAULT_STRATEGY)
    packed = 0
    with open(path, "rb") as f:
        while chunk := f.read(CHUNK):
            piece = deflater.compress(chunk)
            packed += len(piece)
            out.write(piece)
    piece = deflater.flush()
    out.write(piece)
    return packed + len(piece)


def deflate_libdeflate(path, program, crc, size, out):
    """Writes the raw Deflate stream that libdeflate's level 12 makes of a file; returns its length.
    The stream is the gzip member's body: its fixed header and its trailer are checked and dropped."""
    proc = subprocess.Popen([program, "-12", "-c", path], stdout=subprocess.PIPE)
    header = proc.stdout.read(GZIP_HEADER)
    if len(header) != GZIP_HEADER or header[:4] != b"\x1f\x8b\x08\x00":
        proc.kill()
        proc.wait()
        sys.exit(f"pack_payload: {program} gave no plain gzip header for {path}")
    packed = 0
    tail = b""
    while chunk := proc.stdout.read(CHUNK):
        chunk = tail + chunk
        body = chunk[:-GZIP_TRAILER]
        tail = chunk[-GZIP_TRAILER:]
        packed += len(body)
        out.write(body)
    if proc.wait() != 0:
        sys.exit(f"pack_payload: {program} failed on {path} (exit {proc.returncode})")
    if len(tail) != GZIP_TRAILER or struct.unpack("<II", tail) != (crc, size & LIMIT):
        sys.exit(f"pack_payload: {program}'s output for {path} does not match the file (changed while packing?)")
    return packed


def pack(out_path, members, deflate):
    """deflate(path, crc, size, out) writes a file's raw Deflate stream to out and returns its length."""
    date, clock = dos_date_time()
    records = []
    tmp = out_path + ".tmp"
    with open(tmp, "wb") as out:
        for name, path in members:
            raw = name.encode("ascii")  # plain names only: flag bit 11 stays clear
            offset = out.tell()
            crc, size = checksum(path)
            if size > LIMIT or offset > LIMIT:
                sys.exit(f"pack_payload: {path} is too large for an archive without ZIP64")
            out.write(local_header(raw, date, clock, crc, 0, size))  # packed size filled in below
            packed = deflate(path, crc, size, out)
            if packed > LIMIT:
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
    parser = argparse.ArgumentParser(prog="pack_payload.py", description=__doc__.split("\n\n")[1],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    way = parser.add_mutually_exclusive_group()
    way.add_argument("--libdeflate-gzip", metavar="PROGRAM", help="libdeflate's gzip program (default: on PATH)")
    way.add_argument("--zlib-level", type=int, choices=range(0, 10), metavar="N", help="pack with zlib at level N")
    parser.add_argument("out", metavar="OUT")
    parser.add_argument("members", metavar="NAME=FILE", nargs="+")
    args = parser.parse_args(argv[1:])
    members = []
    for arg in args.members:
        name, sep, path = arg.partition("=")
        if not sep or not name:
            sys.exit(f"pack_payload: expected NAME=FILE, got {arg!r}")
        members.append((name, path))
    if args.zlib_level is not None:
        level = args.zlib_level
        pack(args.out, members, lambda path, crc, size, out: deflate_zlib(path, level, out))
        return
    program = args.libdeflate_gzip or shutil.which("libdeflate-gzip")
    if not program:
        sys.exit("pack_payload: libdeflate-gzip is missing (Debian package libdeflate-tools)")
    pack(args.out, members, lambda path, crc, size, out: deflate_libdeflate(path, program, crc, size, out))


if __name__ == "__main__":
    main(sys.argv)
