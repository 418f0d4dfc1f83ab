#!/usr/bin/env python3
"""Draws the program icon (a gold crown over a pickaxe on a dark tile) and writes icon.ico
with seven images: 16, 24, 32, 48, 64 and 128 px as 32-bit DIBs and 256 px as PNG.
Deterministic: the same script always writes the same bytes."""
import struct, sys, zlib

BG = (13, 15, 20)
EDGE = (43, 37, 22)
GOLD_TOP = (255, 224, 138)
GOLD_BOT = (201, 125, 20)
STEEL = (159, 178, 201)
HANDLE = (120, 78, 38)

def inside(poly, x, y):
    c = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]; xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            c = not c
        j = i
    return c

def rounded(x, y, r):
    # inside a unit square with corner radius r
    cx = min(max(x, r), 1 - r); cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

CROWN = [(0.22, 0.30), (0.36, 0.44), (0.50, 0.20), (0.64, 0.44), (0.78, 0.30), (0.78, 0.56), (0.22, 0.56)]
HANDLE_POLY = [(0.47, 0.58), (0.53, 0.58), (0.53, 0.86), (0.47, 0.86)]
HEAD = [(0.24, 0.66), (0.50, 0.58), (0.76, 0.66), (0.76, 0.70), (0.50, 0.64), (0.24, 0.70)]

def sample(x, y):
    if not rounded(x, y, 0.18):
        return None
    if not rounded((x - 0.03) / 0.94, (y - 0.03) / 0.94, 0.16):
        return EDGE + (255,)
    if inside(CROWN, x, y):
        t = (y - 0.20) / 0.36
        return tuple(round(a + (b - a) * t) for a, b in zip(GOLD_TOP, GOLD_BOT)) + (255,)
    if inside(HEAD, x, y):
        return STEEL + (255,)
    if inside(HANDLE_POLY, x, y):
        return HANDLE + (255,)
    return BG + (255,)

def render(size, ss=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(ss):
                for sx in range(ss):
                    c = sample((px + (sx + 0.5) / ss) / size, (py + (sy + 0.5) / ss) / size)
                    if c:
                        for k in range(3):
                            acc[k] += c[k] * c[3]
                        acc[3] += c[3]
            n = ss * ss
            a = acc[3] / n
            if acc[3]:
                row.append(tuple(round(acc[k] / acc[3]) for k in range(3)) + (round(a),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows

def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for p in r for v in p) for r in rows)
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))

def dib(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((p[2], p[1], p[0], p[3])) for r in reversed(rows) for p in r)
    mask_row = ((size + 31) // 32) * 4
    mask = b"".join(
        bytes(sum(1 << (7 - b) for b in range(8) if x * 8 + b < size and r[x * 8 + b][3] == 0) for x in range(mask_row))
        for r in reversed(rows))
    return header + pixels + mask

def main(out):
    sizes = [16, 24, 32, 48, 64, 128, 256]
    images = [(s, png(render(s, 2)) if s == 256 else dib(render(s))) for s in sizes]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for s, data in images:
        entries += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(head + entries + b"".join(d for _, d in images))

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "icon.ico")
