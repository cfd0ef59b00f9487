#!/usr/bin/env python3
"""Draws the bar's button images and the class icon; the outputs are committed beside this script.

button100.bmp, button101.bmp, button102.bmp: 13 x 13, 8 bits per pixel, 256-colour table.
A grey bevelled round knob on the button-face grey, with a light in its centre: grey (collapsed),
light cyan (input line focused), pale blue (otherwise).
orvelcmd.ico: one 32 x 32 image of 16 colours.
Run: python3 res/drawimages.py (from anywhere); nothing but the standard library is needed.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

FACE = (192, 192, 192)
RING = (64, 64, 64)
LIGHT_EDGE = (255, 255, 255)
DARK_EDGE = (128, 128, 128)
KNOB = (160, 160, 160)
CENTRES = {100: (128, 128, 128), 101: (128, 255, 255), 102: (160, 192, 255)}


def knob_pixel(x, y, size, centre):
    """Colour of one pixel of a knob of the given size (pixel centres at +0.5)."""
    c = (size - 1) / 2.0
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    outer = size / 2.0 - 0.5
    if r > outer:
        return FACE
    if r > outer - 1.0:
        return RING
    if r > outer - 2.0:
        # The bevel: lit from the upper left.
        return LIGHT_EDGE if dx + dy < 0 else DARK_EDGE
    if r <= outer * 0.42:
        return centre
    return KNOB


def write_bmp8(path, pixels, width, height):
    palette = []
    for row in pixels:
        for p in row:
            if p not in palette:
                palette.append(p)
    table = palette + [(0, 0, 0)] * (256 - len(palette))
    stride = (width + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytes(palette.index(p) for p in row)
        data += line + b"\0" * (stride - width)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + colours + data)


# The 16 colours of the classic VGA palette; the icon uses a few of them.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
       (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_pixel(x, y):
    """A bar with the knob at its left end, seen on a transparent ground; None is transparent."""
    if 10 <= y <= 21:
        if x <= 31:
            if y in (10, 21) or x in (0, 31):
                return (128, 128, 128)
            if 2 <= x <= 11:
                p = knob_pixel(x - 2, y - 11, 10, (0, 255, 255))
                return p if p != FACE else (192, 192, 192)
            if 13 <= x <= 29 and 12 <= y <= 19:
                return (255, 255, 255) if y > 12 else (0, 0, 0)
            return (192, 192, 192)
    return None


def nearest_vga(p):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(VGA[i], p)))


def write_ico16(path):
    size = 32
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = [icon_pixel(x, y) for x in range(size)]
        for x in range(0, size, 2):
            a = nearest_vga(row[x]) if row[x] else 0
            b = nearest_vga(row[x + 1]) if row[x + 1] else 0
            xor.append((a << 4) | b)
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = info + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4,
                                                           len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + image)


def main():
    for number, centre in CENTRES.items():
        pixels = [[knob_pixel(x, y, 13, centre) for x in range(13)] for y in range(13)]
        write_bmp8(os.path.join(HERE, "button%d.bmp" % number), pixels, 13, 13)
    write_ico16(os.path.join(HERE, "orvelcmd.ico"))


if __name__ == "__main__":
    main()
