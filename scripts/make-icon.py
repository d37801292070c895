#!/usr/bin/python3
"""make-icon.py OUTPUT.ico: draws the setup icon, a blue box with a white
arrow pointing into it, as two 32 x 32 images of 8 and 24 bits per pixel."""
import struct
import sys

SIZE = 32
BACKGROUND, BOX, EDGE, ARROW = 0, 1, 2, 3
COLOURS = {BACKGROUND: (0, 0, 0), BOX: (0x2f, 0x6f, 0xc8), EDGE: (0x17, 0x3b, 0x73),
           ARROW: (0xff, 0xff, 0xff)}


def pixel(x, y):
    """Colour index at (x, y), y counted from the top."""
    # Arrow: a shaft above the box and a head reaching into it.
    if 13 <= x <= 18 and 2 <= y <= 12:
        return ARROW
    if 13 <= y <= 21 and abs(x - 15.5) <= 21 - y:
        return ARROW
    if 4 <= x <= 27 and 12 <= y <= 29:
        edge = x in (4, 27) or y in (12, 29)
        return EDGE if edge else BOX
    return BACKGROUND


def transparent(x, y):
    return pixel(x, y) == BACKGROUND


def image(bits):
    rows = []
    for y in reversed(range(SIZE)):  # a DIB stores the bottom row first
        if bits == 8:
            row = bytes(pixel(x, y) for x in range(SIZE))
        else:
            row = b"".join(bytes(reversed(COLOURS[pixel(x, y)])) for x in range(SIZE))
        rows.append(row)
    palette = b""
    if bits == 8:
        palette = b"".join(bytes(reversed(COLOURS.get(i, (0, 0, 0)))) + b"\0" for i in range(256))
    mask = b""
    for y in reversed(range(SIZE)):
        value = 0
        for x in range(SIZE):
            value = (value << 1) | transparent(x, y)
        mask += struct.pack(">I", value)  # 32 pixels: one 4-byte row, first pixel in the top bit
    pixels = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bits, 0,
                         len(pixels) + len(mask), 0, 0, 256 if bits == 8 else 0, 0)
    return header + palette + pixels + mask


def main():
    images = [(8, image(8)), (24, image(24))]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for bits, data in images:
        directory += struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + b"".join(data for _, data in images))


if __name__ == "__main__":
    main()
