#!/usr/bin/env python3
"""Draws the editor's three images and writes them as PNG files.

Only the standard library is used, so anyone can regenerate the artwork:

    python3 resources/make_images.py [output-folder]
    python3 resources/make_images.py --check    # exit 1 unless the committed files match

The output is deterministic: running the script again gives byte-identical files, which the
build embeds as they are. Each file is an 8-bit RGBA PNG (colour type 6, not interlaced) with
the chunks IHDR, pHYs, IDAT and IEND only.
"""

import os
import struct
import sys
import zlib

PIXELS_PER_METRE = 2835  # 72 dpi

# ---------------------------------------------------------------------------------------------
# PNG writing


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def sub_filtered(row):
    """Filter type 1: each byte minus the byte one pixel to its left; smooth gradients then
    turn into long runs of small numbers that deflate well."""
    out = bytearray(len(row))
    out[:4] = row[:4]
    for i in range(4, len(row)):
        out[i] = (row[i] - row[i - 4]) & 0xFF
    return bytes(out)


def encode_png(width, height, rows, use_sub_filter):
    raw = bytearray()
    for row in rows:
        assert len(row) == width * 4
        if use_sub_filter:
            raw += b"\x01" + sub_filtered(row)
        else:
            raw += b"\x00" + row
    assert len(raw) == height * (width * 4 + 1)

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    phys = struct.pack(">IIB", PIXELS_PER_METRE, PIXELS_PER_METRE, 1)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"pHYs", phys)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------
# A tiny canvas with straight-alpha RGBA pixels


class Canvas:
    def __init__(self, width, height, colour=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [bytearray(bytes(colour) * width) for _ in range(height)]

    def blend(self, x, y, colour):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b, a = colour
        row = self.pixels[y]
        i = x * 4
        if a == 255:
            row[i:i + 4] = bytes(colour)
            return
        dst_a = row[i + 3]
        out_a = a + dst_a * (255 - a) // 255
        if out_a == 0:
            return
        for c, src in enumerate((r, g, b)):
            dst = row[i + c]
            row[i + c] = (src * a + dst * dst_a * (255 - a) // 255) // out_a
        row[i + 3] = out_a

    def fill_rect(self, x, y, w, h, colour):
        for yy in range(max(0, y), min(self.height, y + h)):
            for xx in range(max(0, x), min(self.width, x + w)):
                self.blend(xx, yy, colour)

    def rows(self):
        return [bytes(row) for row in self.pixels]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


# ---------------------------------------------------------------------------------------------
# Background, 512 x 512: a dark vertical gradient with a faint grid and soft diagonal bands


def draw_background():
    size = 512
    top, bottom = (24, 30, 48), (30, 46, 52)
    rows = []
    for y in range(size):
        base = mix(top, bottom, y / (size - 1))
        row = bytearray()
        for x in range(size):
            r, g, b = base
            if x % 32 == 0 or y % 32 == 0:
                r, g, b = r + 10, g + 12, b + 14
            band = ((x + y) // 64) % 2
            if band:
                r, g, b = r + 3, g + 4, b + 5
            row += bytes((min(r, 255), min(g, 255), min(b, 255), 255))
        rows.append(bytes(row))
    return encode_png(size, size, rows, use_sub_filter=True)


# ---------------------------------------------------------------------------------------------
# Title banner, 512 x 256: the name in blocky letters of our own on a transparent ground

GLYPHS = {
    "S": [".###.", "#...#", "#....", ".###.", "....#", "#...#", ".###."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "d": ["....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    # A plain stroke whose foot turns right: with a serif on top it would read as a "1".
    "l": [".#...", ".#...", ".#...", ".#...", ".#...", ".#...", "..##."],
}

BANNER_NAME = "Sorvandel"
CELL = 6  # each glyph dot becomes a CELL x CELL block


def draw_text(canvas, text, left, top, colour, cell):
    x = left
    for letter in text:
        for gy, line in enumerate(GLYPHS[letter]):
            for gx, dot in enumerate(line):
                if dot == "#":
                    canvas.fill_rect(x + gx * cell, top + gy * cell, cell, cell, colour)
        x += 6 * cell


def draw_banner():
    width, height = 512, 256
    canvas = Canvas(width, height)
    text_width = len(BANNER_NAME) * 6 * CELL - CELL
    left, top = 136, 34
    # The banner sits 130 px into the window, so the name lands right of the logo in the
    # empty band above the knobs.
    draw_text(canvas, BANNER_NAME, left + 3, top + 3, (0, 0, 0, 110), CELL)
    draw_text(canvas, BANNER_NAME, left, top, (232, 244, 248, 255), CELL)
    for x in range(text_width):
        fade = 1.0 - abs(x - text_width / 2) / (text_width / 2)
        colour = (109, 169, 154, int(round(220 * fade)))
        canvas.fill_rect(left + x, top + 7 * CELL + 8, 1, 2, colour)
    return encode_png(width, height, canvas.rows(), use_sub_filter=False)


# ---------------------------------------------------------------------------------------------
# Logo, 2000 x 2000: a ringed disc with five level bars. Drawn as horizontal spans so that
# four million pixels stay quick in pure Python; the editor shows it at 70 x 70, which smooths
# the hard edges.


def circle_span(y, cx, cy, radius):
    dy = y + 0.5 - cy
    if abs(dy) >= radius:
        return None
    half = (radius * radius - dy * dy) ** 0.5
    return int(round(cx - half)), int(round(cx + half))


def paint_span(row, start, end, colour):
    start, end = max(start, 0), min(end, len(row) // 4)
    if end > start:
        row[start * 4:end * 4] = bytes(colour) * (end - start)


def draw_logo():
    size = 2000
    centre = size / 2
    ring, face = (109, 169, 154, 255), (20, 26, 40, 255)
    bar_colour, cap_colour = (232, 244, 248, 255), (220, 158, 197, 255)
    bars = [(560, 520), (760, 900), (940, 1240), (1120, 820), (1300, 600)]  # (left, height)
    bar_width, bottom = 140, 1540
    rows = []
    for y in range(size):
        row = bytearray(size * 4)
        outer = circle_span(y, centre, centre, 980)
        if outer:
            paint_span(row, *outer, ring)
        inner = circle_span(y, centre, centre, 880)
        if inner:
            paint_span(row, *inner, face)
            for left, height in bars:
                top = bottom - height
                if top <= y < bottom:
                    colour = cap_colour if y < top + 90 else bar_colour
                    paint_span(row, max(left, inner[0]), min(left + bar_width, inner[1]), colour)
        rows.append(bytes(row))
    return encode_png(size, size, rows, use_sub_filter=False)


# ---------------------------------------------------------------------------------------------

IMAGES = {
    "background.png": draw_background,
    "title_banner.png": draw_banner,
    "logo.png": draw_logo,
}


def check(folder):
    """Compares freshly drawn images with the files in folder; returns the names that differ."""
    differing = []
    for name, draw in IMAGES.items():
        path = os.path.join(folder, name)
        existing = open(path, "rb").read() if os.path.exists(path) else None
        if existing != draw():
            differing.append(name)
    return differing


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    if len(sys.argv) > 1 and sys.argv[1] == "--check":
        differing = check(here)
        for name in differing:
            print(f"{name} differs from what make_images.py draws")
        return 1 if differing else 0

    folder = sys.argv[1] if len(sys.argv) > 1 else here
    os.makedirs(folder, exist_ok=True)
    for name, draw in IMAGES.items():
        data = draw()
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
