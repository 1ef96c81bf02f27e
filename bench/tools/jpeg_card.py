"""The example image's card comment, and JPEGs given it.
    python3 jpeg_card.py EXAMPLE FILE...   puts the card comment into each JPEG FILE"""
import struct
import sys


def segments(data):
    """(marker, body) of each segment before the first scan."""
    i = 2
    while i + 4 <= len(data) and data[i] == 0xFF and data[i + 1] not in (0xDA, 0xD9):
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        yield data[i + 1], data[i + 4:i + 2 + length]
        i += 2 + length


def com(text):
    """A COM segment holding `text`."""
    return b"\xff\xfe" + struct.pack(">H", len(text) + 2) + text


def card_of(example):
    """The body of the example image's card comment (its first COM segment)."""
    return next(body for marker, body in segments(open(example, "rb").read()) if marker == 0xFE)


if __name__ == "__main__":
    card = com(card_of(sys.argv[1]))
    for path in sys.argv[2:]:
        data = open(path, "rb").read()
        with open(path, "wb") as f:
            f.write(data[:2] + card + data[2:])
