#!/usr/bin/env python3
"""Draws the skin bitmaps of the Vantrell installer and writes them as bzip2-compressed BMP
files (the form the bitmap resources take).

    make_bitmaps.py OUTDIR            the header, side picture and three offer logos
    make_bitmaps.py --tests OUTDIR    the bitmaps the unit tests need beside them
    make_bitmaps.py --png OUTDIR      the skin bitmaps as PNG files, to look at them

Shapes are sampled 4 x 4 times per pixel for smooth edges. The 32-bit logos carry
premultiplied alpha, as GDI's alpha blending expects, on a transparent background.
Text uses a small pixel font of our own, so the build needs no font renderer."""
import bz2
import math
import struct
import sys
import zlib
from pathlib import Path

SUB = 4  # samples per pixel along each axis

# 5 x 7 glyphs; '#' is ink. Only the letters of our wordmarks.
GLYPHS = {
    "S": [".###.", "#...#", "#....", ".###.", "....#", "#...#", ".###."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "d": ["....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "i": ["#", ".", "#", "#", "#", "#", "#"],
    "l": ["#", "#", "#", "#", "#", "#", "#"],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": ["....", "....", "#.##", "##..", "#...", "#...", "#..."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    "t": [".#..", ".#..", "###.", ".#..", ".#..", ".#..", "..##"],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "w": [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
}
GLYPH_HEIGHT = 7
SPACE_ADVANCE = 3


# Shapes: a bounding box and an inside test, in pixel coordinates.
class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.box = (cx - r, cy - r, cx + r, cy + r)

    def inside(self, x, y):
        return (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.r2


class RoundRect:
    def __init__(self, x0, y0, x1, y1, r):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r
        self.box = (x0, y0, x1, y1)

    def inside(self, x, y):
        if not (self.x0 <= x <= self.x1 and self.y0 <= y <= self.y1):
            return False
        dx = max(self.x0 + self.r - x, 0, x - (self.x1 - self.r))
        dy = max(self.y0 + self.r - y, 0, y - (self.y1 - self.r))
        return dx * dx + dy * dy <= self.r * self.r


class Stroke:
    """A polyline of the given width with round ends and joints."""

    BUCKET = 8  # segments are indexed by columns this wide, so long waves stay cheap

    def __init__(self, points, width):
        self.half = width / 2
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.box = (min(xs) - self.half, min(ys) - self.half, max(xs) + self.half, max(ys) + self.half)
        self.buckets = {}
        for a, b in zip(points, points[1:]):
            first = math.floor((min(a[0], b[0]) - self.half) / self.BUCKET)
            last = math.floor((max(a[0], b[0]) + self.half) / self.BUCKET)
            for column in range(first, last + 1):
                self.buckets.setdefault(column, []).append((a, b))

    def inside(self, x, y):
        for (ax, ay), (bx, by) in self.buckets.get(math.floor(x / self.BUCKET), ()):
            vx, vy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
            if (x - ax - t * vx) ** 2 + (y - ay - t * vy) ** 2 <= self.half ** 2:
                return True
        return False


class Text:
    """Pixel-font text with its top-left corner at (x, y), each font pixel scale wide."""

    def __init__(self, text, x, y, scale):
        self.cells, self.x, self.y, self.scale = set(), x, y, scale
        column = 0
        for ch in text:
            if ch == " ":
                column += SPACE_ADVANCE
                continue
            rows = GLYPHS[ch]
            for gy, row in enumerate(rows):
                for gx, cell in enumerate(row):
                    if cell == "#":
                        self.cells.add((column + gx, gy))
            column += len(rows[0]) + 1
        self.columns = column - 1
        self.box = (x, y, x + self.columns * scale, y + GLYPH_HEIGHT * scale)

    @staticmethod
    def width(text, scale):
        return Text(text, 0, 0, scale).columns * scale

    def inside(self, x, y):
        return (math.floor((x - self.x) / self.scale), math.floor((y - self.y) / self.scale)) in self.cells


class Canvas:
    """Premultiplied RGBA floats, 0..1, top row first."""

    def __init__(self, width, height, colour=None):
        self.width, self.height = width, height
        fill = [c / 255 for c in colour] + [1.0] if colour else [0.0, 0.0, 0.0, 0.0]
        self.pixels = [[list(fill) for _ in range(width)] for _ in range(height)]

    def paint(self, colour_at, shape=None, opacity=1.0):
        """Paints colour_at(x, y) -> (r, g, b) over the shape (everywhere without one)."""
        x0, y0, x1, y1 = shape.box if shape else (0, 0, self.width, self.height)
        for py in range(max(0, int(y0)), min(self.height, int(math.ceil(y1)) + 1)):
            for px in range(max(0, int(x0)), min(self.width, int(math.ceil(x1)) + 1)):
                cover = 1.0 if not shape else sum(
                    shape.inside(px + (i + 0.5) / SUB, py + (j + 0.5) / SUB)
                    for i in range(SUB) for j in range(SUB)) / (SUB * SUB)
                if cover:
                    a = cover * opacity
                    r, g, b = colour_at(px + 0.5, py + 0.5)
                    dst = self.pixels[py][px]
                    dst[0] = r / 255 * a + dst[0] * (1 - a)
                    dst[1] = g / 255 * a + dst[1] * (1 - a)
                    dst[2] = b / 255 * a + dst[2] * (1 - a)
                    dst[3] = a + dst[3] * (1 - a)


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def solid(colour):
    return lambda x, y: colour


# The brand's colours.
DEEP_BLUE = (22, 62, 118)
BLUE = (32, 96, 168)
TEAL = (0, 138, 150)
LIGHT_TEAL = (92, 190, 196)
MIST = (222, 238, 244)
INK = (38, 56, 74)
WHITE = (255, 255, 255)


def draw_mark(canvas, cx, cy, r, ring=None):
    """The Vantrell mark: a blue-to-teal disc with a white V and a wave under it."""
    if ring:
        canvas.paint(solid(ring), Circle(cx, cy, r + max(1.0, r / 10)))
    canvas.paint(lambda x, y: mix(BLUE, TEAL, (x - cx + y - cy + 2 * r) / (4 * r)), Circle(cx, cy, r))
    w = r / 5.5
    canvas.paint(solid(WHITE), Stroke([(cx - r * 0.45, cy - r * 0.45), (cx, cy + r * 0.35),
                                       (cx + r * 0.45, cy - r * 0.45)], w))
    canvas.paint(solid(LIGHT_TEAL), Stroke([(cx - r * 0.55, cy + r * 0.62), (cx - r * 0.2, cy + r * 0.5),
                                            (cx + r * 0.2, cy + r * 0.68), (cx + r * 0.55, cy + r * 0.56)],
                                           w * 0.6))


def draw_waves(canvas, top, amplitude, colour, opacity, count, spacing):
    for n in range(count):
        base = top + n * spacing
        points = [(x, base + amplitude * math.sin(x / 38 + n * 0.9)) for x in range(-4, canvas.width + 8, 4)]
        canvas.paint(solid(colour), Stroke(points, 1.6), opacity)


def header():
    c = Canvas(492, 63)
    c.paint(lambda x, y: mix(WHITE, MIST, (x / 492) ** 1.6))
    draw_waves(c, 40, 5, LIGHT_TEAL, 0.18, 3, 7)
    draw_mark(c, 456, 31, 21, ring=WHITE)
    return c


def side():
    c = Canvas(164, 312)
    c.paint(lambda x, y: mix(DEEP_BLUE, TEAL, y / 312 + (x - 82) / 900))
    draw_waves(c, 200, 7, WHITE, 0.10, 6, 14)
    draw_mark(c, 82, 92, 38, ring=WHITE)
    text = "Vantrell"
    width = Text.width(text, 2)
    c.paint(solid(WHITE), Text(text, (164 - width) // 2, 150, 2))
    return c


def logo(width, height, text, scale, icon):
    c = Canvas(width, height)
    size = height - 2
    icon(c, 1, 1, size)
    gap = max(3, size // 4)
    text_height = GLYPH_HEIGHT * scale
    c.paint(solid(INK), Text(text, 1 + size + gap, (height - text_height) // 2, scale))
    return c


def backup_icon(c, x, y, size):
    """A rounded tile with an arrow going up: safe keeping."""
    c.paint(lambda px, py: mix(TEAL, BLUE, (py - y) / size), RoundRect(x, y, x + size, y + size, size / 4))
    m = x + size / 2
    w = size / 8
    c.paint(solid(WHITE), Stroke([(m, y + size * 0.78), (m, y + size * 0.25)], w))
    c.paint(solid(WHITE), Stroke([(m - size * 0.24, y + size * 0.46), (m, y + size * 0.24),
                                  (m + size * 0.24, y + size * 0.46)], w))


def cleaner_icon(c, x, y, size):
    """A drop with a sparkle: a clean machine."""
    r = size * 0.36
    cx, cy = x + size / 2, y + size * 0.6
    colour = lambda px, py: mix(LIGHT_TEAL, TEAL, (py - y) / size)
    c.paint(colour, Circle(cx, cy, r))
    c.paint(colour, Stroke([(cx - r * 0.7, cy - r * 0.7), (cx, y + size * 0.06), (cx + r * 0.7, cy - r * 0.7)],
                           r * 0.5))
    c.paint(solid(WHITE), Circle(cx - r * 0.35, cy - r * 0.1, r * 0.22))


def vantrell_icon(c, x, y, size):
    draw_mark(c, x + size / 2, y + size / 2, size / 2 - 0.5)


SKIN = {
    "header.bmp": (header, 24),
    "side.bmp": (side, 24),
    "backup_logo.bmp": (lambda: logo(160, 26, "Stowline", 2, backup_icon), 32),
    "twp_logo.bmp": (lambda: logo(98, 19, "Tidewell Plus", 1, cleaner_icon), 32),
    "vantrell_logo.bmp": (lambda: logo(219, 35, "Vantrell", 3, vantrell_icon), 32),
}


def rows_of(canvas, bits):
    """Bottom-up rows of BGR or BGRA bytes, padded to four bytes."""
    rows = []
    for row in reversed(canvas.pixels):
        out = bytearray()
        for r, g, b, a in row:
            if bits == 24:  # opaque: premultiplied equals plain
                out += bytes((round(b * 255), round(g * 255), round(r * 255)))
            else:
                out += bytes((round(b * 255), round(g * 255), round(r * 255), round(a * 255)))
        out += bytes(-len(out) % 4)
        rows.append(bytes(out))
    return rows


def bmp_file(width, height, bits, pixels, file_size=None):
    """A BMP file: 14-byte file header, 40-byte information header, pixels at 54."""
    size = 54 + len(pixels)
    file_header = b"BM" + struct.pack("<IHHI", file_size or size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
    return file_header + info + pixels


def skin_bmp(name):
    draw, bits = SKIN[name]
    canvas = draw()
    return bmp_file(canvas.width, canvas.height, bits, b"".join(rows_of(canvas, bits)))


def png_file(canvas):
    raw = b"".join(b"\0" + bytes(round(v * 255) for px in row for v in
                                 ([px[0] / px[3], px[1] / px[3], px[2] / px[3], px[3]] if px[3] else [0] * 4))
                   for row in canvas.pixels)
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def test_bitmaps():
    # File-size field larger than the file: the cache must refuse it.
    small = bytes(8 * 2)
    oversized = bmp_file(2, 2, 24, small, file_size=54 + len(small) + 100)
    # 1024 x 1000 x 3 bytes: more than 2 MiB, less than 3 MiB once decompressed.
    large = bmp_file(1024, 1000, 24, bytes(range(256)) * (1024 * 1000 * 3 // 256))
    return {"test_oversized.bmp": oversized, "test_large.bmp": large}


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    flags = {a for a in argv if a.startswith("--")}
    if len(args) != 1 or flags - {"--tests", "--png"}:
        sys.exit(__doc__)
    out = Path(args[0])
    out.mkdir(parents=True, exist_ok=True)
    if "--png" in flags:
        for name, (draw, _) in SKIN.items():
            (out / name.replace(".bmp", ".png")).write_bytes(png_file(draw()))
        return
    files = test_bitmaps() if "--tests" in flags else {name: skin_bmp(name) for name in SKIN}
    for name, data in files.items():
        (out / (name + ".bz2")).write_bytes(bz2.compress(data, 9))


if __name__ == "__main__":
    main(sys.argv[1:])
