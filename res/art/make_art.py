#!/usr/bin/env python3
"""Draws the bin icon (bin.ico) and the drag cursor (drag.cur) of the program.

Both are written as 32-bit images with an AND mask, so they look the same on
every system. Run from this folder; the files are committed, so the build does
not need Python.
"""
import struct


def rgba(hex_colour, alpha=255):
    v = int(hex_colour, 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255, alpha)


CLEAR = (0, 0, 0, 0)


def blank(size):
    return [[CLEAR for _ in range(size)] for _ in range(size)]


def fill(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if 0 <= y < len(img) and 0 <= x < len(img):
                img[y][x] = colour


def draw_bin(size):
    """A waste bin with a lid and ribs, scaled to size (16 to 64)."""
    img = blank(size)
    s = size / 32.0

    def box(x0, y0, x1, y1, colour):
        fill(img, round(x0 * s), round(y0 * s), round(x1 * s), round(y1 * s), colour)

    outline = rgba("202830")
    body = rgba("5a8fc8")
    light = rgba("9cc4ee")
    lid = rgba("3c6ea8")
    # Body tapers slightly: rows of decreasing width.
    for y in range(9, 30):
        inset = (y - 9) // 7
        box(7 + inset, y, 24 - inset, y, outline)
        box(8 + inset, y, 23 - inset, y, body)
    box(8, 29, 23, 30, outline)
    # Ribs.
    for x in (11, 15, 19):
        box(x, 12, x + 1, 26, light)
    # Lid and handle.
    box(4, 6, 27, 8, outline)
    box(5, 6, 26, 7, lid)
    box(12, 3, 19, 5, outline)
    box(14, 4, 17, 5, CLEAR)
    return img


def draw_cursor(size=32):
    """An arrow with a small bin beside it; hot spot at the arrow's tip."""
    img = blank(size)
    black = rgba("000000")
    white = rgba("ffffff")
    for y in range(0, 17):
        for x in range(0, y // 1 + 1):
            if x > 11:
                break
            edge = x == 0 or x == y or y == 16
            img[y][x] = black if edge else white
    # Stem.
    for y in range(12, 21):
        img[y][5] = black
        img[y][6] = white
        img[y][7] = white
        img[y][8] = black
    img[20][6] = black
    img[20][7] = black
    small = draw_bin(16)
    for y in range(16):
        for x in range(16):
            if small[y][x][3]:
                img[14 + y][14 + x] = small[y][x]
    return img


def dib(img):
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(
        bytes((b, g, r, a)) for row in reversed(img) for (r, g, b, a) in row
    )
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(img):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def write(path, kind, images, hotspot=(0, 0)):
    data = [dib(img) for img in images]
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, data):
        size = len(img)
        if kind == 1:
            a, b = 1, 32
        else:
            a, b = hotspot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(data))


if __name__ == "__main__":
    write("bin.ico", 1, [draw_bin(64), draw_bin(48), draw_bin(32), draw_bin(16)])
    write("drag.cur", 2, [draw_cursor()], hotspot=(0, 0))
