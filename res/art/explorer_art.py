#!/usr/bin/env python3
"""Draws the explorer's pictures: the list row icon, the tree icons, the
properties icon, the two header arrows and the toolbar strip.

Run from this folder; the files are committed, so the build does not need
Python. Icons reuse the writer of make_art.py.
"""
import struct

from make_art import CLEAR, blank, fill, rgba, write

OUTLINE = rgba("303840")


def box(img, x0, y0, x1, y1, colour):
    fill(img, x0, y0, x1, y1, colour)


def frame(img, x0, y0, x1, y1, colour):
    box(img, x0, y0, x1, y0, colour)
    box(img, x0, y1, x1, y1, colour)
    box(img, x0, y0, x0, y1, colour)
    box(img, x1, y0, x1, y1, colour)


def scaled(draw, size):
    """draw works on a 16 x 16 grid; 32 x 32 doubles each cell."""
    small = draw()
    if size == 16:
        return small
    img = blank(size)
    for y in range(size):
        for x in range(size):
            img[y][x] = small[y // 2][x // 2]
    return img


def filter_icon():
    """A crossed-out picture: one removed advert."""
    img = blank(16)
    box(img, 1, 3, 14, 12, OUTLINE)
    box(img, 2, 4, 13, 11, rgba("f4e8b0"))
    box(img, 3, 8, 7, 10, rgba("58a050"))
    box(img, 8, 6, 12, 10, rgba("4a80c0"))
    for i in range(10):
        img[2 + i + 1][3 + i] = rgba("c02020")
        img[2 + i + 1][4 + i] = rgba("c02020")
    return img


def folder(open_):
    img = blank(16)
    body = rgba("e8c050") if not open_ else rgba("f4d878")
    box(img, 1, 3, 6, 4, OUTLINE)
    box(img, 1, 4, 14, 13, OUTLINE)
    box(img, 2, 5, 13, 12, body)
    if open_:
        box(img, 3, 7, 15, 13, OUTLINE)
        box(img, 4, 8, 14, 12, rgba("fbe9a8"))
    return img


def host_icon():
    """A globe: one web server."""
    img = blank(16)
    sea = rgba("4a90d8")
    land = rgba("50a848")
    for y in range(16):
        for x in range(16):
            d = (x - 7.5) ** 2 + (y - 7.5) ** 2
            if d <= 49:
                img[y][x] = sea
            if 42 <= d <= 56:
                img[y][x] = OUTLINE
    box(img, 4, 4, 7, 7, land)
    box(img, 8, 9, 11, 11, land)
    return img


def properties_icon():
    img = blank(16)
    frame(img, 2, 1, 13, 14, OUTLINE)
    box(img, 3, 2, 12, 13, rgba("ffffff"))
    for y in (4, 7, 10):
        box(img, 4, y, 11, y, rgba("808890"))
    return img


def bmp24(pixels):
    """A bottom-up 24-bit BMP of rows of (r, g, b)."""
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    body = b""
    for row in reversed(pixels):
        line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        body += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 0, 0, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(body), 0, 0, 54) + header + body


def bmp4(pixels, palette):
    """A bottom-up 16-colour BMP; pixels are palette indices."""
    h = len(pixels)
    w = len(pixels[0])
    stride = ((w + 1) // 2 + 3) & ~3
    body = b""
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            line[x // 2] |= p << (4 if x % 2 == 0 else 0)
        body += bytes(line)
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    pal += b"\0" * (64 - len(pal))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(body), 0, 0, 16, 16)
    off = 14 + 40 + 64
    return b"BM" + struct.pack("<IHHI", off + len(body), 0, 0, off) + header + pal + body


def arrow(apex_down):
    """9 x 9 outline triangle: dark grey on the left, white on the right,
    light grey behind. 0 light grey, 1 dark grey, 2 white."""
    px = [[0] * 9 for _ in range(9)]
    for i in range(8):
        # Rows from the base to the apex; the base is 9 wide at row 1.
        y = i + 1 if apex_down else 8 - i
        half = (8 - i) // 2
        left = 4 - half
        right = 4 + half
        if i == 0:
            for x in range(left, right + 1):
                px[y][x] = 1 if apex_down else 2
        px[y][left] = 1
        px[y][right] = 2
    return px


TOOLBAR_BACK = (255, 0, 255)


def toolbar():
    """Restore, Go to, Properties, Undo, Find, Find Next, Options, Help."""
    icons = []

    def cell():
        return [[TOOLBAR_BACK] * 16 for _ in range(15)]

    def put(c, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                c[y][x] = colour

    dark = (48, 56, 64)
    # Restore: an arrow coming out of a bin.
    c = cell()
    put(c, 3, 7, 12, 14, dark)
    put(c, 4, 8, 11, 13, (90, 143, 200))
    put(c, 7, 1, 8, 9, (40, 150, 40))
    put(c, 5, 3, 10, 3, (40, 150, 40))
    put(c, 6, 2, 9, 2, (40, 150, 40))
    icons.append(c)
    # Go to: a globe with an arrow.
    c = cell()
    for y in range(15):
        for x in range(16):
            d = (x - 7) ** 2 + (y - 7) ** 2
            if d <= 36:
                c[y][x] = (74, 144, 216)
            if 30 <= d <= 42:
                c[y][x] = dark
    put(c, 9, 10, 15, 11, (200, 40, 40))
    icons.append(c)
    # Properties: a sheet with lines.
    c = cell()
    put(c, 3, 1, 12, 14, dark)
    put(c, 4, 2, 11, 13, (255, 255, 255))
    for y in (4, 7, 10):
        put(c, 5, y, 10, y, (128, 136, 144))
    icons.append(c)
    # Undo: a curved arrow to the left.
    c = cell()
    put(c, 4, 5, 12, 6, (40, 90, 170))
    put(c, 11, 6, 12, 11, (40, 90, 170))
    put(c, 6, 10, 12, 11, (40, 90, 170))
    put(c, 2, 5, 3, 6, (40, 90, 170))
    put(c, 3, 3, 4, 8, (40, 90, 170))
    icons.append(c)
    # Find and Find Next: a magnifier, the second with a small arrow.
    for nxt in (False, True):
        c = cell()
        for y in range(15):
            for x in range(16):
                d = (x - 6) ** 2 + (y - 6) ** 2
                if 12 <= d <= 22:
                    c[y][x] = dark
                elif d < 12:
                    c[y][x] = (220, 236, 250)
        for i in range(5):
            put(c, 9 + i, 9 + i, 10 + i, 9 + i, dark)
        if nxt:
            put(c, 11, 1, 15, 2, (40, 150, 40))
            put(c, 14, 0, 14, 3, (40, 150, 40))
        icons.append(c)
    # Options: a gear.
    c = cell()
    for y in range(15):
        for x in range(16):
            d = (x - 7.5) ** 2 + (y - 7) ** 2
            if d <= 30:
                c[y][x] = (128, 136, 144)
            if d <= 6:
                c[y][x] = TOOLBAR_BACK
    put(c, 7, 0, 8, 14, (128, 136, 144))
    put(c, 1, 6, 14, 7, (128, 136, 144))
    put(c, 7, 6, 8, 7, TOOLBAR_BACK)
    icons.append(c)
    # Help: a question mark.
    c = cell()
    put(c, 5, 2, 10, 3, (40, 90, 170))
    put(c, 10, 3, 11, 6, (40, 90, 170))
    put(c, 7, 7, 10, 8, (40, 90, 170))
    put(c, 7, 8, 8, 10, (40, 90, 170))
    put(c, 7, 12, 8, 13, (40, 90, 170))
    icons.append(c)
    rows = []
    for y in range(15):
        row = []
        for c in icons:
            row += c[y]
        rows.append(row)
    return rows


if __name__ == "__main__":
    write("filter.ico", 1, [scaled(filter_icon, 32), filter_icon()])
    write("folder_closed.ico", 1, [scaled(lambda: folder(False), 32), folder(False)])
    write("folder_open.ico", 1, [scaled(lambda: folder(True), 32), folder(True)])
    write("host.ico", 1, [scaled(host_icon, 32), host_icon()])
    write("properties.ico", 1, [scaled(properties_icon, 32), properties_icon()])
    grey = [(192, 192, 192), (128, 128, 128), (255, 255, 255)]
    with open("sort_ascending.bmp", "wb") as f:
        f.write(bmp4(arrow(True), grey))
    with open("sort_descending.bmp", "wb") as f:
        f.write(bmp4(arrow(False), grey))
    with open("explorer_toolbar.bmp", "wb") as f:
        f.write(bmp24(toolbar()))
