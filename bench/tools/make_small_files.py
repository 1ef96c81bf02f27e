"""Small card-carrying pictures for the scanning benchmarks: COUNT JPEGs and as many
PNGs of 96 x 64 pixels. Each JPEG has the example image's card comment and a numbered
ordinary comment (COM segments after the start marker); each PNG a numbered tEXt
before IDAT and the card in a tEXt after it, so a reader must walk past the pixels.
    python3 make_small_files.py EXAMPLE COUNT JPEG_DIR PNG_DIR
Needs cjpeg."""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

from jpeg_card import card_of, com

example, count, jpeg_dir, png_dir = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
digits = max(5, len(str(count - 1)))
w, h = 96, 64
pixels = bytes(v for y in range(h) for x in range(w) for v in (x * 2 % 256, y * 4 % 256, 128))
with tempfile.NamedTemporaryFile(suffix=".ppm") as ppm:
    ppm.write(b"P6\n%d %d\n255\n" % (w, h) + pixels)
    ppm.flush()
    base = subprocess.run(["cjpeg", "-quality", "85", ppm.name],
                          capture_output=True, check=True).stdout


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


card = card_of(example)
rows = b"".join(b"\0" + pixels[y * w * 3:(y + 1) * w * 3] for y in range(h))
idat = chunk(b"IDAT", zlib.compress(rows, 6))
ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
os.makedirs(jpeg_dir, exist_ok=True)
os.makedirs(png_dir, exist_ok=True)
for n in range(count):
    name = f"img{n:0{digits}d}"
    with open(f"{jpeg_dir}/{name}.jpg", "wb") as f:
        f.write(base[:2] + com(card) + com(b"Ordinary comment number %d" % n) + base[2:])
    with open(f"{png_dir}/{name}.png", "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + ihdr + chunk(b"tEXt", b"Comment\0number %d" % n) +
                idat + chunk(b"tEXt", b"Comment\0" + card) + chunk(b"IEND", b""))
