#!/usr/bin/env python3
"""Draws the bar's button images and the class icon; the outputs are committed beside this script.

button100.bmp, button101.bmp, button102.bmp: 13 x 13, 8 bits per pixel, 256-colour table.
A grey bevelled round knob on the button-face grey, with a light in its centre: grey (collapsed),
light cyan (input line focused), pale blue (otherwise).
button110..112, button120..122, button130..132.bmp: the same knob drawn at 16, 20 and 26 pixels,
for 125, 150 and 200 %; 4 bits per pixel, a table of the five colours it uses.
orvelcmd.ico: one 32 x 32 image of 16 colours (the module's class icon).
hostapp.ico: the host program's icon, at 16, 20, 24, 32 and 48 pixels, so that the notification
area and the title bars get an image drawn at their own size at any DPI; its 32 x 32 image is the
module's.
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
# Resource id of the first image of each size; the three centres follow in the order above.
BUTTON_SIZE = 13
BUTTON_SETS = {BUTTON_SIZE: 100, 16: 110, 20: 120, 26: 130}
HOST_ICON_SIZES = (16, 20, 24, 32, 48)


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


def write_bmp(path, pixels, width, height, bits):
    """bits 8: a 256-colour table, as the 13-pixel images always had. bits 4: a table of just the
    colours used (a knob has five), which keeps the module small."""
    palette = []
    for row in pixels:
        for p in row:
            if p not in palette:
                palette.append(p)
    assert len(palette) <= 1 << bits
    table = palette + [(0, 0, 0)] * (256 - len(palette)) if bits == 8 else palette
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        indexes = [palette.index(p) for p in row]
        if bits == 4:
            indexes.append(0)
            line = bytes(indexes[i] << 4 | indexes[i + 1] for i in range(0, width, 2))
        else:
            line = bytes(indexes)
        data += line + b"\0" * (stride - len(line))
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       len(table), 0)
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


def scaled_icon_pixel(x, y, size):
    """The icon's design at another size: the same bar, knob and field, measured in 32ths."""
    if size == 32:
        return icon_pixel(x, y)
    def at(v):
        return int(round(v * size / 32.0))
    top, bottom, last = at(10), at(22) - 1, size - 1
    if not top <= y <= bottom:
        return None
    if y in (top, bottom) or x in (0, last):
        return (128, 128, 128)
    knob_left, knob_size = at(2), max(at(10), 5)
    if knob_left <= x < knob_left + knob_size:
        knob_top = (top + bottom + 1 - knob_size) // 2
        p = knob_pixel(x - knob_left, y - knob_top, knob_size, (0, 255, 255))
        return p if p != FACE else (192, 192, 192)
    field_left = knob_left + knob_size + 1
    if field_left <= x <= last - 2 and top + 2 <= y <= bottom - 2:
        return (255, 255, 255) if y > top + 2 else (0, 0, 0)
    return (192, 192, 192)


def nearest_vga(p):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(VGA[i], p)))


def ico16_image(size):
    """One 16-colour icon image: header, colours, colour rows and mask rows, each row padded to
    four bytes."""
    xor = bytearray()
    mask = bytearray()
    xor_stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = [scaled_icon_pixel(x, y, size) for x in range(size)] + [None]
        line = bytearray()
        for x in range(0, size, 2):
            a = nearest_vga(row[x]) if row[x] else 0
            b = nearest_vga(row[x + 1]) if x + 1 < size and row[x + 1] else 0
            line.append((a << 4) | b)
        xor += line + b"\0" * (xor_stride - len(line))
        bits = 0
        for x in range(mask_stride * 8):
            bits = (bits << 1) | (1 if x >= size or row[x] is None else 0)
        mask += bits.to_bytes(mask_stride, "big")
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return info + colours + bytes(xor) + bytes(mask)


def write_ico16(path, sizes=(32,)):
    images = [ico16_image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(directory + b"".join(images))


def main():
    for size, first in BUTTON_SETS.items():
        for index, centre in enumerate(CENTRES.values()):
            pixels = [[knob_pixel(x, y, size, centre) for x in range(size)] for y in range(size)]
            write_bmp(os.path.join(HERE, "button%d.bmp" % (first + index)), pixels, size, size,
                      8 if size == BUTTON_SIZE else 4)
    write_ico16(os.path.join(HERE, "orvelcmd.ico"))
    write_ico16(os.path.join(HERE, "hostapp.ico"), HOST_ICON_SIZES)


if __name__ == "__main__":
    main()
