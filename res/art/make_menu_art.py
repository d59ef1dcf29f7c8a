#!/usr/bin/env python3
"""Draws the menu images of the program: the command image strip (toolbar 150)
and the check mark, each at 100%, 150% and 200% screen scaling.

Every picture is described once on a 16 x 16 grid of shapes and sampled at the
size asked for, so the larger strips are drawn, not stretched. Light grey
(192, 192, 192) is the transparent colour of the strips and is never used by a
picture. Run from this folder; the bitmaps are committed, so the build does not
need Python.
"""
import math
import struct

CLEAR = (192, 192, 192)


def hexc(text):
    v = int(text, 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


INK = hexc("1e2430")
WHITE = hexc("fcfcfc")
PAPER = hexc("f4f1e6")
LINE = hexc("7a8494")
BLUE = hexc("2f6fc0")
SKY = hexc("8cbcf0")
GREEN = hexc("2e9a48")
RED = hexc("c8342c")
YELLOW = hexc("f0c040")
BROWN = hexc("a0682c")
STEEL = hexc("5a6a80")


# Shapes on the 16-unit grid; each is (test(u, v) -> bool, colour).
def rect(x0, y0, x1, y1, colour):
    return (lambda u, v: x0 <= u < x1 and y0 <= v < y1, colour)


def disc(cx, cy, r, colour):
    return (lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 < r * r, colour)


def ring(cx, cy, r0, r1, colour, start=0.0, end=360.0):
    def test(u, v):
        d = math.hypot(u - cx, v - cy)
        if not r0 <= d < r1:
            return False
        a = math.degrees(math.atan2(cy - v, u - cx)) % 360
        return start <= a <= end if start <= end else (a >= start or a <= end)
    return (test, colour)


def seg(x0, y0, x1, y1, width, colour):
    def test(u, v):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(u - (x0 + t * dx), v - (y0 + t * dy)) < width / 2
    return (test, colour)


def poly(points, colour):
    def test(u, v):
        inside = False
        n = len(points)
        for i in range(n):
            (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
            if (ya > v) != (yb > v) and u < (xb - xa) * (v - ya) / (yb - ya) + xa:
                inside = not inside
        return inside
    return (test, colour)


def framed(x0, y0, x1, y1, fill):
    return [rect(x0, y0, x1, y1, INK), rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)]


def page(fill=PAPER):
    return [poly([(2.5, 0.5), (10.5, 0.5), (13.5, 3.5), (13.5, 15.5), (2.5, 15.5)], INK),
            poly([(3.5, 1.5), (10, 1.5), (12.5, 4), (12.5, 14.5), (3.5, 14.5)], fill)]


def magnifier(cx=6.0, cy=6.0):
    return [disc(cx, cy, 5.2, INK), disc(cx, cy, 4.0, SKY), disc(cx - 1.3, cy - 1.3, 1.2, WHITE),
            seg(cx + 3.6, cy + 3.6, 14.6, 14.6, 2.6, BROWN)]


def bin_picture(ox=0.0):
    return ([poly([(2 + ox, 4), (14 + ox, 4), (12.5 + ox, 15.5), (3.5 + ox, 15.5)], INK),
             poly([(3.2 + ox, 5), (12.8 + ox, 5), (11.5 + ox, 14.5), (4.5 + ox, 14.5)], SKY)]
            + [rect(x + ox, 6, x + 1 + ox, 13.5, BLUE) for x in (5.5, 7.5, 9.5)]
            + [rect(1 + ox, 2, 15 + ox, 4, INK), rect(6 + ox, 0.5, 10 + ox, 2, INK)])


def arrow_left(y, colour):
    return [poly([(1, y), (6, y - 4.5), (6, y - 2), (9, y - 2), (9, y + 2), (6, y + 2), (6, y + 4.5)],
                 colour)]


PICTURES = {
    # Open: a folder.
    32777: [poly([(0.5, 3), (6, 3), (7.5, 4.5), (14.5, 4.5), (14.5, 14), (0.5, 14)], INK),
            rect(1.5, 5.5, 13.5, 13, YELLOW), rect(1.5, 4, 5.5, 5.5, YELLOW)],
    # Restore: an arrow climbing out of the bin.
    32779: bin_picture() + [seg(8, 12, 8, 4, 2.4, GREEN),
                            poly([(3.5, 5.5), (8, 0.5), (12.5, 5.5)], GREEN)],
    # Go to web page: a globe.
    32804: [disc(8, 8, 7.2, INK), disc(8, 8, 6.0, BLUE), ring(8, 8, 0, 6, SKY, 100, 170),
            rect(1.5, 7.4, 14.5, 8.6, GREEN), rect(7.4, 1.5, 8.6, 14.5, GREEN),
            ring(8, 8, 3.2, 4.2, GREEN)],
    # Properties: a card with lines and a tick.
    32782: page() + [rect(5, y, 11, y + 1, LINE) for y in (4, 7, 10)]
    + [seg(5, 12.5, 7, 14, 1.6, GREEN), seg(7, 14, 11, 10, 1.6, GREEN)],
    # Undo: a turning arrow.
    32778: [ring(9, 9, 3.2, 5.8, BLUE, 300, 150), rect(3, 6, 6, 9, BLUE),
            poly([(0.5, 8), (6.5, 8), (3.5, 12.5)], BLUE)],
    32803: magnifier(),
    # Find next: the magnifier with a small arrow.
    32800: magnifier(6, 6) + [poly([(10, 0.5), (15.5, 4), (10, 7.5)], GREEN)],
    # Options: a gear.
    32775: [poly([(8 + (7.5 if i % 2 == 0 else 5.5) * math.cos(math.radians(i * 22.5)),
                    8 + (7.5 if i % 2 == 0 else 5.5) * math.sin(math.radians(i * 22.5)))
                   for i in range(16)], INK),
            disc(8, 8, 5.0, STEEL), disc(8, 8, 2.2, INK), disc(8, 8, 1.2, WHITE)],
    # Help: a question mark in a blue disc.
    32797: [disc(8, 8, 7.5, INK), disc(8, 8, 6.5, BLUE), ring(8, 6, 1.4, 3.2, WHITE, 320, 200),
            rect(7, 8, 9, 10.5, WHITE), rect(7, 11.5, 9, 13.5, WHITE)],
    # Exit: a door and a red arrow.
    32776: framed(1, 0.5, 9, 15.5, BROWN) + [disc(7, 8, 0.8, YELLOW),
                                             seg(8, 8, 13, 8, 2.4, RED),
                                             poly([(11, 3.5), (15.8, 8), (11, 12.5)], RED)],
    # About: an "i" in a blue disc.
    57664: [disc(8, 8, 7.5, INK), disc(8, 8, 6.5, BLUE), rect(7, 6.5, 9, 12.5, WHITE),
            disc(8, 4.2, 1.2, WHITE)],
    # View HTML source: a page with angle brackets.
    32787: page() + [seg(7, 6, 4.5, 9, 1.5, BLUE), seg(4.5, 9, 7, 12, 1.5, BLUE),
                     seg(9, 6, 11.5, 9, 1.5, BLUE), seg(11.5, 9, 9, 12, 1.5, BLUE)],
    # Home page: a house.
    32809: [poly([(8, 0.5), (15.5, 7.5), (0.5, 7.5)], INK), poly([(8, 2), (13, 6.8), (3, 6.8)], RED),
            rect(2.5, 7, 13.5, 15.5, INK), rect(3.5, 7.5, 12.5, 14.5, PAPER),
            rect(6.5, 10, 9.5, 15.5, BROWN)],
    # Recycle bin (show or hide).
    32783: bin_picture(),
    32772: bin_picture(),
    # Check new version: a green arrow into a tray.
    32799: [seg(8, 0.5, 8, 8, 3, GREEN), poly([(3, 7), (13, 7), (8, 12)], GREEN),
            rect(1, 11, 15, 15.5, INK), rect(2, 12, 14, 14.5, SKY)],
    # Expand all and collapse all: a plus and a minus box.
    32791: framed(1.5, 1.5, 14.5, 14.5, WHITE) + [rect(4, 7, 12, 9, INK), rect(7, 4, 9, 12, INK)],
    32790: framed(1.5, 1.5, 14.5, 14.5, WHITE) + [rect(4, 7, 12, 9, INK)],
}

# The order of the strip and of the toolbar resource's buttons.
STRIP = [32777, 32779, 32804, 32782, 32778, 32803, 32800, 32775, 32797, 32776, 57664, 32787,
         32809, 32783, 32772, 32799, 32791, 32790]

# The check mark on the grid of the 19 x 19 check image (greys become the
# system's three-dimensional colours when it is loaded).
CHECK = [poly([(5, 9), (8, 12), (14, 5), (14, 8), (8, 15), (5, 12)], (0, 0, 0))]


def sample(shapes, size, grid=16.0):
    img = [[CLEAR] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            u, v = (x + 0.5) * grid / size, (y + 0.5) * grid / size
            for test, colour in shapes:
                if test(u, v):
                    img[y][x] = colour
    return img


def write_bmp(path, img):
    height, width = len(img), len(img[0])
    stride = (width * 3 + 3) & ~3
    rows = b"".join(
        bytes(c for (r, g, b) in row for c in (b, g, r)) + bytes(stride - width * 3)
        for row in reversed(img))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def strip(size):
    pictures = [sample(PICTURES[cmd], size) for cmd in STRIP]
    return [sum((p[y] for p in pictures), []) for y in range(size)]


if __name__ == "__main__":
    for percent in (100, 150, 200):
        write_bmp(f"menu_images_{percent}.bmp", strip(16 * percent // 100))
        write_bmp(f"menu_check_{percent}.bmp",
                  sample(CHECK, (19 * percent + 50) // 100, grid=19.0))
    # The toolbar resource in the system's layout (words: version 1, button
    # width, button height, button count, one command id per button), written
    # as raw data because resource compilers differ in how they lay out the
    # TOOLBAR statement.
    with open("menu_toolbar.rc", "w") as f:
        f.write("// Written by make_menu_art.py: the commands of the menu image strip.\n")
        f.write("IDR_MENU_IMAGES 241\nBEGIN\n")
        f.write(f"    1, 16, 16, {len(STRIP)},\n")
        for i, cmd in enumerate(STRIP):
            f.write(f"    {cmd}{',' if i + 1 < len(STRIP) else ''}\n")
        f.write("END\n")
