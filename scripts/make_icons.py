#!/usr/bin/env python3
"""Draws the stub's two icons and writes them as .ico files (one 32 x 32 image, 16 colours).

    program.ico  the program's icon: an open cardboard box with a blue arrow rising out of it
    replace.ico  the file-replace picture: two document sheets with curved arrows between them,
                 the sheet that gets replaced crossed out in red

The output is a pure function of this script (no time stamps), so running it again gives the same
bytes. The .ico files are committed as sources; run this only after changing a drawing:

    scripts/make_icons.py [--preview DIR]     # writes resources/*.ico (and enlarged PNGs)
    scripts/make_icons.py --check             # fails when the committed files differ
"""

import argparse
import math
import os
import struct
import sys
import zlib

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None  # transparent pixel


class Canvas:
    def __init__(self):
        self.pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    def put(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if (x0, y0) == (x1, y1):
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, points, colour):
        """Fills a convex or concave polygon by the even-odd rule at pixel centres."""
        for y in range(SIZE):
            cy = y + 0.5
            crossings = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= cy < by) or (by <= cy < ay):
                    crossings.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(SIZE):
                    if left <= x + 0.5 < right:
                        self.put(x, y, colour)

    def arc(self, cx, cy, radius, start, end, colour, width=2):
        """A thick arc around (cx, cy) from angle start to end (degrees, y axis pointing down)."""
        steps = 4 * int(abs(end - start))
        for i in range(steps + 1):
            angle = math.radians(start + (end - start) * i / steps)
            for r in range(width):
                self.put(round(cx + (radius - r) * math.cos(angle)),
                         round(cy + (radius - r) * math.sin(angle)), colour)


def sheet(canvas, x0, y0, x1, y1):
    """A document sheet with a folded top-right corner and lines of text."""
    fold = 5
    outline = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    canvas.polygon([(x + 0.5, y + 0.5) for x, y in outline], WHITE)
    corner = [(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]
    canvas.polygon([(x + 0.5, y + 0.5) for x, y in corner], SILVER)
    for a, b in zip(outline, outline[1:] + outline[:1]):
        canvas.line(*a, *b, BLACK)
    canvas.line(x1 - fold, y0, x1 - fold, y0 + fold, BLACK)
    canvas.line(x1 - fold, y0 + fold, x1, y0 + fold, BLACK)
    for y in range(y0 + fold + 3, y1 - 1, 2):
        canvas.line(x0 + 2, y, x1 - 2 - (3 if y % 4 == 0 else 0), y, GRAY)


def draw_replace():
    canvas = Canvas()
    # The new file (top left) replaces the existing one (bottom right).
    sheet(canvas, 1, 1, 14, 18)
    sheet(canvas, 17, 13, 30, 30)
    # Crossed out in red: a thick X over the replaced sheet.
    for offset in (0, 1):
        canvas.line(18 + offset, 16, 29, 28 - offset, RED)
        canvas.line(18 + offset, 28, 29, 16 + offset, RED)
    # Two curved arrows between the sheets: over the top from the new sheet to the old one, and
    # under the bottom back again.
    canvas.arc(22, 10, 7, 195, 300, BLUE)
    canvas.polygon([(24.5, 1.5), (30.5, 5.5), (24.5, 9.5)], BLUE)
    canvas.arc(9, 22, 7, 15, 120, BLUE)
    canvas.polygon([(7.5, 22.5), (1.5, 26.5), (7.5, 30.5)], BLUE)
    return canvas


def draw_program():
    canvas = Canvas()
    # Box: front face, right side and two open flaps, in cardboard yellow with olive edges.
    front = [(3, 14), (21, 14), (21, 30), (3, 30)]
    side = [(21, 14), (29, 10), (29, 25), (21, 30)]
    canvas.polygon([(x + 0.5, y + 0.5) for x, y in front], YELLOW)
    canvas.polygon([(x + 0.5, y + 0.5) for x, y in side], OLIVE)
    canvas.polygon([(3.5, 14.5), (0.5, 20.5), (15.5, 20.5), (21.5, 14.5)], YELLOW)
    canvas.polygon([(21.5, 14.5), (29.5, 10.5), (31.5, 15.5), (24.5, 19.5)], YELLOW)
    for a, b in [((3, 14), (21, 14)), ((21, 14), (21, 30)), ((3, 30), (21, 30)),
                 ((3, 20), (3, 30)), ((21, 30), (29, 25)), ((29, 10), (29, 25)),
                 ((3, 14), (0, 20)), ((0, 20), (15, 20)), ((15, 20), (21, 14)),
                 ((29, 10), (31, 15)), ((31, 15), (24, 19)), ((21, 14), (29, 10))]:
        canvas.line(*a, *b, OLIVE)
    canvas.line(6, 24, 16, 24, OLIVE)
    # The arrow rising out of the box: what the stub does, taking files out of the cabinet.
    canvas.fill(12, 7, 17, 17, BLUE)
    canvas.polygon([(7.5, 8.5), (14.5, 0.5), (21.5, 8.5)], BLUE)
    canvas.line(13, 8, 13, 16, AQUA)
    canvas.line(14, 2, 10, 7, AQUA)
    return canvas


def ico_bytes(canvas):
    """One 32 x 32, 4-bit image in an .ico file: header, palette, colour rows, then the mask."""
    colour_rows, mask_rows = [], []
    for row in reversed(canvas.pixels):  # bottom-up
        indices = [BLACK if c is CLEAR else c for c in row]
        colour_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for x, c in enumerate(row):
            if c is CLEAR:
                bits |= 1 << (SIZE - 1 - x)
        mask_rows.append(struct.pack(">I", bits))
    pixels = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(pixels) + len(mask),
                       0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = info + palette + pixels + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return header + entry + image


def png_bytes(canvas, scale=8):
    """An enlarged PNG of the drawing, for looking at it; transparent pixels show as a checkerboard."""
    rows = []
    for y in range(SIZE * scale):
        row = bytearray([0])
        for x in range(SIZE * scale):
            c = canvas.pixels[y // scale][x // scale]
            if c is CLEAR:
                rgb = (0xE0, 0xE0, 0xE0) if ((x // 4 + y // 4) % 2) else (0xB0, 0xB0, 0xB0)
            else:
                rgb = PALETTE[c]
            row += bytes(rgb)
        rows.append(bytes(row))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    side = SIZE * scale
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..",
                                                      "resources"))
    parser.add_argument("--preview", help="also write enlarged PNGs into this folder")
    parser.add_argument("--check", action="store_true",
                        help="compare with the files instead of writing them")
    args = parser.parse_args()
    stale = []
    for name, draw in (("program", draw_program), ("replace", draw_replace)):
        canvas = draw()
        path = os.path.join(args.out, name + ".ico")
        if args.check:
            with open(path, "rb") as committed:
                if committed.read() != ico_bytes(canvas):
                    stale.append(path)
            continue
        with open(path, "wb") as out:
            out.write(ico_bytes(canvas))
        if args.preview:
            with open(os.path.join(args.preview, name + ".png"), "wb") as out:
                out.write(png_bytes(canvas))
    if stale:
        sys.exit("not what scripts/make_icons.py draws: " + ", ".join(stale))


if __name__ == "__main__":
    main()
