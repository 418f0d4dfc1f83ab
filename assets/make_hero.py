#!/usr/bin/env python3
"""Paints the installer's hero picture: a lake at sunrise among wooded hills, with two anglers
on a jetty, and writes it as a 1000x300 baseline JPEG.

Made with ImageMagick 6.9.11-60 Q16 (Debian 12 `imagemagick`); other versions may round a few
pixels differently. Every shape comes from a fixed-seed generator, so one ImageMagick version
always writes the same bytes.

Usage: make_hero.py [output.jpg]   (default: hero.jpg beside this script)
"""
import os
import random
import subprocess
import sys
import tempfile

W, H = 1000, 300
HORIZON = 176  # the far shore line: water below, land above
SUN = (745, 122)
rng = random.Random(20240517)


def ridge(x0, x1, base, bumps, step=8):
    """Points of a hill line from x0 to x1: a sum of smooth humps over a base height."""
    import math
    pts = []
    x = x0
    while x <= x1:
        y = base
        for cx, width, height in bumps:
            d = (x - cx) / width
            y -= height * math.exp(-d * d)
        pts.append((x, y))
        x += step
    return pts


def poly(points):
    return "polygon " + " ".join(f"{x:.1f},{y:.1f}" for x, y in points)


def forest(points, dense, tmin, tmax, colour, jitter=3):
    """Conifers standing on a hill line: narrow triangles with a little trunk-less base."""
    out = [f"fill {colour}"]
    for i in range(len(points) - 1):
        (xa, ya), (xb, yb) = points[i], points[i + 1]
        for _ in range(dense):
            t = rng.random()
            x = xa + (xb - xa) * t
            y = ya + (yb - ya) * t + rng.uniform(0, jitter)
            h = rng.uniform(tmin, tmax)
            w = h * rng.uniform(0.28, 0.38)
            out.append(poly([(x, y - h), (x + w / 2, y + 1), (x - w / 2, y + 1)]))
    return out


def hill_with_trees(points, colour, tree_colour, dense, tmin, tmax, bottom, rows=0, shades=()):
    """A hill filled with its colour, conifers along its crest and, when rows > 0, further rows
    of trees down its slope in alternating shades so that it reads as woodland."""
    shape = points + [(points[-1][0], bottom), (points[0][0], bottom)]
    out = [f"fill {colour}", poly(shape)]
    for r in range(rows, 0, -1):
        drop = r * tmax * 0.55
        row = [(x, y + drop) for x, y in points if y + drop < bottom + tmax]
        if len(row) > 1:
            out += forest(row, dense, tmin, tmax, shades[r % len(shades)], jitter=tmax * 0.35)
    return out + forest(points, dense, tmin, tmax, tree_colour)


def mirror(points, axis, squash=0.8):
    return [(x, axis + (axis - y) * squash) for x, y in points]


def scene():
    d = ["stroke none"]
    # Far hills, hazy blue, with a low saddle behind the sun.
    far = ridge(0, W, HORIZON - 8, [(120, 140, 40), (330, 110, 30), (520, 150, 22), (900, 160, 46), (1000, 60, 20)])
    d += ["fill-opacity 0.9", "fill #4a5a73", poly(far + [(W, HORIZON + 2), (0, HORIZON + 2)])]
    d += forest(far[::2], 2, 5, 9, "#435269", jitter=4)
    # Middle hills, wooded, blue-green.
    mid = ridge(0, W, HORIZON + 1, [(40, 120, 62), (250, 90, 34), (430, 70, 16), (1010, 120, 58), (860, 60, 18)])
    d += ["fill-opacity 1"] + hill_with_trees(mid, "#263a39", "#21332f", 3, 9, 18, HORIZON + 3, rows=4,
                                                shades=("#1f312d", "#2b413d", "#243834"))
    # Lake reflections of the hills: darker, flattened, partly transparent.
    d += ["fill-opacity 0.35", "fill #1b2a33", poly(mirror(far, HORIZON + 2, 0.55) + [(W, HORIZON), (0, HORIZON)])]
    d += ["fill-opacity 0.55", "fill #16242a", poly(mirror(mid, HORIZON + 3, 0.7) + [(W, HORIZON), (0, HORIZON)])]
    # Glitter of the sun on the water: short bright dashes, denser near the sun's column.
    d += ["stroke-linecap round"]
    for i in range(260):
        y = rng.uniform(HORIZON + 3, 292)
        spread = 18 + (y - HORIZON) * 0.9
        x = SUN[0] + rng.gauss(0, spread * 0.45)
        ln = rng.uniform(3, 10) * (0.6 + (y - HORIZON) / 120)
        a = max(0.15, 0.85 - (y - HORIZON) / 180)
        d += [f"stroke-opacity {a:.2f}", "stroke #ffe3a0", "stroke-width 1.2",
              f"line {x - ln / 2:.1f},{y:.1f} {x + ln / 2:.1f},{y:.1f}"]
    # Faint ripple lines across the whole lake.
    for i in range(90):
        y = rng.uniform(HORIZON + 6, 298)
        x = rng.uniform(250, 980)
        ln = rng.uniform(14, 60)
        d += ["stroke-opacity 0.18", "stroke #9fb4c8", "stroke-width 1",
              f"line {x:.1f},{y:.1f} {x + ln:.1f},{y:.1f}"]
    d += ["stroke none", "stroke-opacity 1"]
    # Near left shore: a dark wooded slope coming down into the water.
    near_left = ridge(0, 300, 300, [(-30, 220, 215), (120, 70, 40)], step=6)
    near_left = [(x, min(y, 300)) for x, y in near_left] + [(330, 300)]
    d += ["fill-opacity 1", "fill #0f1913", poly(near_left + [(0, 300)])]
    d += hill_with_trees(near_left[:-1], "#0f1913", "#0c150f", 4, 16, 34, 300, rows=13,
                         shades=("#0b140e", "#142219", "#101c15"))
    # Near right shore.
    near_right = ridge(860, W, 300, [(1030, 140, 175), (960, 40, 25)], step=6)
    d += hill_with_trees(near_right, "#0f1913", "#0c150f", 4, 16, 32, 300, rows=9,
                         shades=("#0b140e", "#142219", "#101c15"))
    # The jetty: a plank deck from the right shore out into the lake, seen from the side.
    deck_y, x0, x1 = 214, 560, 905
    posts = [x0 + 6 + i * 48 for i in range(8)]
    for px in posts:  # posts and their wavy reflections
        d += ["fill #1a130c", f"rectangle {px},{deck_y} {px + 5},{deck_y + 22}"]
        d += ["fill-opacity 0.5", "fill #120d08", f"rectangle {px},{deck_y + 24} {px + 5},{deck_y + 32}",
              "fill-opacity 1"]
    d += ["fill #2a1d12", f"rectangle {x0},{deck_y - 5} {x1},{deck_y + 2}"]
    d += ["fill #5a3f22", f"rectangle {x0},{deck_y - 6} {x1},{deck_y - 5}"]
    # Anglers, dark against the sunrise. One stands, one sits with his legs over the edge.
    ink = "#0b0c0f"
    sx = 596  # the standing angler at the end of the jetty, casting out over the lake
    top = deck_y - 6
    d += [f"fill {ink}",
          f"roundrectangle {sx - 6},{top - 40} {sx + 6},{top - 16} 4,4",  # body
          f"rectangle {sx - 5},{top - 18} {sx - 1},{top}",  # legs
          f"rectangle {sx + 1},{top - 18} {sx + 5},{top}",
          f"circle {sx},{top - 46} {sx + 5},{top - 46}",  # head
          f"polygon {sx - 9},{top - 49} {sx + 9},{top - 49} {sx + 5},{top - 54} {sx - 5},{top - 54}",  # hat
          f"polygon {sx - 3},{top - 37} {sx - 17},{top - 31} {sx - 16},{top - 28} {sx - 2},{top - 32}"]  # arm
    d += ["fill none", f"stroke {ink}", "stroke-width 1.8",
          f"path 'M {sx - 16},{top - 30} Q {sx - 46},{top - 78} {sx - 84},{top - 66}'",
          "stroke #f3e2b4", "stroke-width 0.7", "stroke-opacity 0.75",
          f"path 'M {sx - 84},{top - 66} Q {sx - 90},{top - 20} {sx - 92},{deck_y + 34}'",
          "stroke none", "stroke-opacity 1"]
    cx = 700  # the sitting angler, legs over the edge, his line dangling in front of the deck
    d += [f"fill {ink}",
          f"roundrectangle {cx - 7},{top - 30} {cx + 6},{top} 4,4",  # body
          f"circle {cx},{top - 36} {cx + 5},{top - 36}",  # head
          f"polygon {cx - 6},{top - 40} {cx + 7},{top - 40} {cx + 4},{top - 44} {cx - 4},{top - 44}",  # cap
          f"polygon {cx - 6},{top - 2} {cx - 16},{top} {cx - 18},{deck_y + 12} {cx - 13},{deck_y + 12} {cx - 10},{top + 5}",  # legs
          f"polygon {cx - 4},{top - 24} {cx - 18},{top - 18} {cx - 17},{top - 15} {cx - 3},{top - 19}",  # arm
          f"rectangle {cx + 12},{top - 9} {cx + 23},{top}"]  # bucket
    d += ["fill none", f"stroke {ink}", "stroke-width 1.6",
          f"path 'M {cx - 17},{top - 16} Q {cx - 34},{top - 50} {cx - 56},{top - 50}'",
          "stroke #f3e2b4", "stroke-width 0.7", "stroke-opacity 0.75",
          f"line {cx - 56},{top - 50} {cx - 57},{deck_y + 40}", "stroke none", "stroke-opacity 1"]
    # A few birds high over the lake.
    d += ["fill none", "stroke #2a2a33", "stroke-width 1.4"]
    for bx, by, s in [(600, 62, 6), (622, 70, 5), (585, 78, 4)]:
        d += [f"path 'M {bx - s},{by} Q {bx - s / 2},{by - s * 0.7} {bx},{by} Q {bx + s / 2},{by - s * 0.7} {bx + s},{by}'"]
    return "\n".join(d) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "hero.jpg")
    # The drawing is too long for one argument, and Debian's ImageMagick policy refuses "@file"
    # reads, so it goes through a vector file rendered on a clear layer and laid over the sky.
    tmp = tempfile.TemporaryDirectory()
    mvg = os.path.join(tmp.name, "scene.mvg")
    with open(mvg, "w") as f:
        f.write(f"viewbox 0 0 {W} {H}\n" + scene())
    sky_h = HORIZON + 4
    cmd = [
        "convert",
        # sky: deep blue above, warm gold at the horizon
        "(", "-size", f"{W}x{sky_h}", "gradient:#1d2c47-#f0b760", ")",
        # lake: the sky's colours mirrored, darker toward the viewer
        "(", "-size", f"{W}x{H - sky_h}", "gradient:#d9a255-#0e1a26", ")",
        "-append",
        # sun and its glow, screened over sky and water
        "(", "-size", "700x460", "radial-gradient:#ffe7a8-#00000000", "-channel", "A", "-evaluate", "multiply", "0.85",
        "+channel", ")", "-geometry", f"+{SUN[0] - 350}+{SUN[1] - 230}", "-compose", "screen", "-composite",
        "-compose", "over",
        "-fill", "#fff4cf", "-draw", f"circle {SUN[0]},{SUN[1]} {SUN[0] + 15},{SUN[1]}",
        "(", "-size", f"{W}x{H}", "-background", "none", f"mvg:{mvg}", ")", "-geometry", "+0+0", "-composite",
        # a touch of atmosphere: soften everything very slightly
        "-blur", "0x0.6",
        "-strip", "-interlace", "none", "-sampling-factor", "2x2,1x1,1x1", "-quality", "82",
        f"jpeg:{out}",
    ]
    subprocess.run(cmd, check=True)
    tmp.cleanup()


if __name__ == "__main__":
    main()
