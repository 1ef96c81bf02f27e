#!/usr/bin/env python3
"""Draws the viewer's pictures: the eight toolbar buttons (16 x 15, from the pixel
maps below, in the sixteen classic colours) and the application icon (a tiling of
diamonds, 16, 32 and 48 pixels square). Writes PNG files beside this script.

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


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, art in BUTTONS.items():
        write_png(os.path.join(here, name + ".png"), 16, 15, button_pixels(art))
    for size in (16, 32, 48):
        write_png(os.path.join(here, "tsn-viewer-%d.png" % size), size, size,
                  app_icon_pixels(size))


if __name__ == "__main__":
    main()
