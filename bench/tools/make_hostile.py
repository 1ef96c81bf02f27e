#!/usr/bin/env python3
"""Writes the hostile-file set into DIR: files that claim a huge picture but hold
almost nothing, one or more per format, and one honest large progressive JPEG that
holds little because its picture is nearly flat. Prints one line per file:
    name<TAB>claimed width x height<TAB>what it is
    make_hostile.py DIR
Small JPEGs are made with cjpeg (libjpeg-turbo-progs) and then given a huge frame."""
import struct
import subprocess
import sys
import zlib

HUGE = 16384  # 2^28 pixels: the largest picture the loaders accept


def cjpeg(width, height, rgb, *options):
    ppm = b"P6\n%d %d\n255\n" % (width, height) + rgb
    return subprocess.run(["cjpeg", *options], input=ppm, capture_output=True,
                          check=True).stdout


def small_jpeg(*options):
    rgb = bytes(v for y in range(16) for x in range(16) for v in (x * 16, y * 16, 128))
    return cjpeg(16, 16, rgb, *options)


def segments(jpeg):
    """(offset, marker, length) of each header segment up to and including the first SOS."""
    i = 2
    while i + 4 <= len(jpeg):
        marker = jpeg[i + 1]
        length = struct.unpack(">H", jpeg[i + 2:i + 4])[0]
        yield i, marker, length
        if marker == 0xDA:
            return
        i += 2 + length


def with_frame_size(jpeg, width, height):
    out = bytearray(jpeg)
    for offset, marker, _ in segments(jpeg):
        if marker in (0xC0, 0xC1, 0xC2):
            out[offset + 5:offset + 9] = struct.pack(">HH", height, width)
    return bytes(out)


def end_of_first_scan_header(jpeg):
    for offset, marker, length in segments(jpeg):
        if marker == 0xDA:
            return offset + 2 + length
    raise SystemExit("no scan in the JPEG")


def png_chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body +
            struct.pack(">I", zlib.crc32(kind + body)))


def png(width, height, rows):
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + bytes(width * 3) for _ in range(rows)), 9)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", data) +
            png_chunk(b"IEND", b""))


def tiff(width, height, compression, strip):
    """Little-endian RGB TIFF, 8 bits a sample, one strip holding `strip`."""
    entries = []  # (tag, type, count, value or offset)
    header = 8
    strip_offset = header
    bits_offset = strip_offset + len(strip)
    ifd_offset = bits_offset + 6 + (bits_offset + 6) % 2
    tags = [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 3, bits_offset),
            (259, 3, 1, compression), (262, 3, 1, 2), (273, 4, 1, strip_offset),
            (277, 3, 1, 3), (278, 4, 1, height), (279, 4, 1, len(strip)), (284, 3, 1, 1)]
    for tag, kind, count, value in tags:
        packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else \
            struct.pack("<I", value)
        entries.append(struct.pack("<HHI", tag, kind, count) + packed)
    body = strip + struct.pack("<HHH", 8, 8, 8)
    body += b"\0" * (ifd_offset - header - len(body))
    ifd = struct.pack("<H", len(entries)) + b"".join(entries) + struct.pack("<I", 0)
    return b"II*\0" + struct.pack("<I", ifd_offset) + body + ifd


def bmp(width, height):
    """24-bit BMP headers and one byte of pixels: 55 bytes."""
    row = (width * 3 + 3) // 4 * 4
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, row * height, 2835, 2835,
                       0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + row * height, 0, 0, 54) + info + b"\0"


def pcx(width, height):
    """A 24-bit run-length PCX header and two bytes of pixels: 130 bytes."""
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, width - 1, height - 1, 72, 72)
    header += bytes(48) + struct.pack("<BBHHHH", 0, 3, width, 1, 0, 0)
    header += bytes(128 - len(header))
    return header + b"\xc1\x00"


def flat_progressive_jpeg(width, height):
    """A picture of nearly flat colour (a faint vertical shading), progressive: most
    blocks hold only their DC value, so the file is small for its size."""
    rows = b"".join(bytes((100 + y * 8 // height, 120, 140)) * width for y in range(height))
    return cjpeg(width, height, rows, "-progressive", "-quality", "90", "-sample", "2x2")


def main():
    out = sys.argv[1]
    progressive = small_jpeg("-progressive", "-sample", "2x2")
    baseline = small_jpeg("-sample", "2x2")
    files = [
        ("pcx-header.pcx", HUGE, HUGE, "PCX header, two bytes of pixels", pcx(HUGE, HUGE)),
        ("bmp-55-bytes.bmp", HUGE, HUGE, "BMP headers, one byte of pixels", bmp(HUGE, HUGE)),
        ("jpeg-progressive-cut.jpg", HUGE, HUGE,
         "progressive JPEG that stops after its first scan header",
         with_frame_size(progressive[:end_of_first_scan_header(progressive)], HUGE, HUGE)),
        ("jpeg-progressive-small.jpg", HUGE, HUGE,
         "whole progressive JPEG of 16x16 pixels' data",
         with_frame_size(progressive, HUGE, HUGE)),
        ("jpeg-baseline-small.jpg", HUGE, HUGE, "whole baseline JPEG of 16x16 pixels' data",
         with_frame_size(baseline, HUGE, HUGE)),
        ("png-few-rows.png", HUGE, HUGE, "PNG holding 4 rows", png(HUGE, HUGE, 4)),
        ("tiff-raw-strip.tif", HUGE, HUGE, "uncompressed TIFF, 64 bytes of its strip",
         tiff(HUGE, HUGE, 1, bytes(64))),
        ("tiff-deflate-strip.tif", HUGE, HUGE, "deflate TIFF holding 4 rows",
         tiff(HUGE, HUGE, 8, zlib.compress(bytes(HUGE * 3 * 4), 9))),
        ("jpeg-honest-flat.jpg", 12000, 8000, "honest progressive JPEG, nearly flat colour",
         flat_progressive_jpeg(12000, 8000)),
    ]
    for name, width, height, what, data in files:
        with open(f"{out}/{name}", "wb") as f:
            f.write(data)
        print(f"{name}\t{width}x{height}\t{what}")


if __name__ == "__main__":
    main()
