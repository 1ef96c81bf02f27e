#!/usr/bin/env python3
"""Draws the viewer's pictures: the eight toolbar buttons (16 x 15, from the pixel
maps below, in the sixteen classic colours, with NAME@2x.png at twice the size for
high-density screens) and the application icon (a tiling of diamonds, as PNG files
from 16 to 256 pixels square and as tsn-viewer.svg). Writes the files beside this
script.

    python3 src/ui/icons/make_icons.py
"""

import os
import struct
import zlib

PALETTE = {
    ".": None,
    "k": (0, 0, 0), "w": (255, 255, 255), "g": (192, 192, 192), "d": (128, 128, 128),
    "y": (255, 255, 0), "o": (128, 128, 0), "b": (0, 0, 255), "n": (0, 0, 128),
    "r": (255, 0, 0), "m": (128, 0, 0), "G": (0, 255, 0), "e": (0, 128, 0),
    "c": (0, 255, 255), "t": (0, 128, 128), "p": (128, 0, 128),
}

BUTTONS = {
    "open": """
................
.........kkk....
........k...k.k.
.............kk.
.kkk........kkk.
kyyykkkkkkk.....
kywyywyywyk.....
kwyywyywyyk.....
kyywyykkkkkkkkkk
kwyywkoooooooook
kyywkoooooooookk
kwykoooooooookk.
kykoooooooookk..
kkoooooooookk...
kkkkkkkkkkk.....""",
    "copy": """
kkkkkk..........
kwwwwkk.........
kwkkwkwk........
kwwwwkkkkkk.....
kwkkkknnnnnn....
kwwwwknwwwwnn...
kwkkkknwkkwnwn..
kwwwwknwwwwnnnn.
kwkkkknwkkkkwwn.
kwwwwknwwwwwwwn.
kkkkkknwkkkkkwn.
......nwwwwwwwn.
......nwkkkkkwn.
......nwwwwwwwn.
......nnnnnnnnn.""",
    "general": """
................
.kkkkkkkkkkkkkk.
.knnnnnnnnnnnnk.
.kwwwwwwwwwwwwk.
.kwwbbwwwwwwwwk.
.kwwbbwkkkkkkwk.
.kwwwwwwwwwwwwk.
.kwbbbwkkkkkkwk.
.kwwbbwwwwwwwwk.
.kwwbbwkkkkkwwk.
.kwbbbbwwwwwwwk.
.kwwwwwwwwwwwwk.
.kkkkkkkkkkkkkk.
................
................""",
    "business": """
................
................
kkkkkkkkkkkkkkkk
kwwwwwwwwwwwwwwk
kwwddwwwwwwwwwwk
kwdyydwkkkkkkwwk
kwdyydwwwwwwwwwk
kwwddwwkkkkkwwwk
kwbbbbwwwwwwwwwk
kbbbbbbwkkkkkkwk
kbbbbbbwwwwwwwwk
kwwwwwwwwwwwwwwk
kkkkkkkkkkkkkkkk
................
................""",
    "collection": """
................
.kkkkkkk.kkkkkkk
.krrrrrk.kbbbbbk
.krrrrrk.kbbbbbk
.krrrrrk.kbbbbbk
.krrrrrk.kbbbbbk
.kkkkkkk.kkkkkkk
................
.kkkkkkk.kkkkkkk
.keeeeek.kyyyyyk
.keeeeek.kyyyyyk
.keeeeek.kyyyyyk
.keeeeek.kyyyyyk
.kkkkkkk.kkkkkkk
................""",
    "copyright": """
................
.....mmmmmm.....
...mm......mm...
..m..........m..
..m...mmmm...m..
.m...mm..mm...m.
.m...m........m.
.m...m........m.
.m...m........m.
.m...mm..mm...m.
..m...mmmm...m..
..m..........m..
...mm......mm...
.....mmmmmm.....
................""",
    "print": """
................
....kkkkkkkk....
....kwwwwwwk....
....kwkkkkwk....
....kwwwwwwk....
.kkkkkkkkkkkkkk.
kggggggggggggggk
kgggggggggggeegk
kggggggggggggggk
kkkkkkkkkkkkkkkk
kgkwwwwwwwwwwkgk
.kkwkkkkkkkkwkk.
...kwwwwwwwwk...
...kkkkkkkkkk...
................""",
    "about": """
................
.....nnnnnn.....
...nnnnnnnnnn...
..nnnnwwwwnnnn..
.nnnnwwnnwwnnnn.
.nnnnnnnnwwnnnn.
.nnnnnnnwwnnnnn.
.nnnnnnwwnnnnnn.
.nnnnnnwwnnnnnn.
.nnnnnnnnnnnnnn.
..nnnnnwwnnnnn..
...nnnnwwnnnn...
.....nnnnnn.....
................
................""",
}


APP_ICON_SIZES = (16, 24, 32, 48, 64, 96, 128, 256)


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def button_pixels(art):
    rows = art.strip("\n").split("\n")
    assert len(rows) == 15 and all(len(r) == 16 for r in rows), rows
    return [[(0, 0, 0, 0) if PALETTE[c] is None else PALETTE[c] + (255,) for c in row]
            for row in rows]


def app_icon_pixels(size):
    """Diamonds in three colours with dark seams, in a rounded square."""
    tile = max(4, size // 4)
    colours = [(0, 128, 128), (255, 208, 0), (200, 40, 40)]
    seam = (0, 0, 96)
    radius = size / 6
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            cx = min(x + 0.5, size - x - 0.5)
            cy = min(y + 0.5, size - y - 0.5)
            if cx < radius and cy < radius and (radius - cx) ** 2 + (radius - cy) ** 2 > radius ** 2:
                row.append((0, 0, 0, 0))
                continue
            if x == 0 or y == 0 or x == size - 1 or y == size - 1:
                row.append(seam + (255,))
                continue
            u, v = x + y + size // 2, x - y + size * 2
            if u % tile == 0 or v % tile == 0:
                row.append(seam + (255,))
            else:
                row.append(colours[(u // tile + 2 * (v // tile)) % 3] + (255,))
        rows.append(row)
    return rows


def doubled(pixels):
    """Every pixel as two by two: the same drawing, sharp at twice the density."""
    return [[p for p in row for _ in (0, 1)] for row in pixels for _ in (0, 1)]


def app_icon_svg(size=48):
    """The application icon as vector shapes: the same diamonds, seams and corners."""
    tile = size // 4
    colours = ["#008080", "#ffd000", "#c82828"]
    radius = size / 6

    def point(u, v):
        return "%g,%g" % ((u + v - 2.5 * size) / 2, (u - v + 1.5 * size) / 2)

    cells = []
    # Lines u = const and v = const bound the diamonds; enough of them to cover.
    for i in range(-2, 3 * size // tile + 2):
        for j in range(-2, 4 * size // tile + 2):
            u, v = i * tile, j * tile
            corners = [point(u, v), point(u + tile, v), point(u + tile, v + tile),
                       point(u, v + tile)]
            cells.append('<polygon points="%s" fill="%s"/>' %
                         (" ".join(corners), colours[(i + 2 * j) % 3]))
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" '
        'viewBox="0 0 {s} {s}">\n'
        '<clipPath id="c"><rect width="{s}" height="{s}" rx="{r:g}"/></clipPath>\n'
        '<g clip-path="url(#c)" stroke="#000060" stroke-width="1">\n{cells}\n</g>\n'
        '<rect x="0.5" y="0.5" width="{w}" height="{w}" rx="{r:g}" fill="none" '
        'stroke="#000060"/>\n</svg>\n'
    ).format(s=size, w=size - 1, r=radius, cells="\n".join(cells))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, art in BUTTONS.items():
        pixels = button_pixels(art)
        write_png(os.path.join(here, name + ".png"), 16, 15, pixels)
        write_png(os.path.join(here, name + "@2x.png"), 32, 30, doubled(pixels))
    for size in APP_ICON_SIZES:
        write_png(os.path.join(here, "tsn-viewer-%d.png" % size), size, size,
                  app_icon_pixels(size))
    with open(os.path.join(here, "tsn-viewer.svg"), "w") as out:
        out.write(app_icon_svg())


if __name__ == "__main__":
    main()
