#!/usr/bin/env python3
"""Draws brelo's program icon and the two tree glyphs and writes them beside this script.

    brelo.ico   the program icon: 16x16, 32x32 and 48x48, 32 bits per pixel with alpha
    file.bmp    tree glyph of a file: a white sheet with a folded corner, 16x16, 8 bits per pixel
    folder.bmp  tree glyph of a folder: a yellow folder, same format
    file24.bmp, folder24.bmp, file32.bmp, folder32.bmp
                the same glyphs at 24x24 and 32x32 for screens of higher DPI, drawn from shapes
    marks.bmp, marks24.bmp, marks32.bmp
                the output tree's marks in one strip of eleven glyphs of 16, 24 and 32 pixels,
                in the order of their state image numbers: none (blank, never shown), replace,
                up to date, shared, same as input, converted, failed, skipped, stopped, not
                started, and a blank one that keeps the unmarked items in line

The glyphs use RGB(255,0,255) as background, which the tree's image list masks out.
Standard library only; the output is byte-for-byte reproducible. Run it after changing a drawing
and commit the three files it writes.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------------------------
# The two tree glyphs, drawn pixel by pixel. One character per pixel, top row first.

GLYPH_COLOURS = {
    ".": (255, 0, 255),   # background, masked out
    "k": (64, 64, 64),    # outline
    "w": (255, 255, 255), # paper
    "g": (192, 192, 192), # fold and text lines
    "y": (255, 208, 64),  # folder front
    "o": (224, 160, 32),  # folder back and tab
    "b": (160, 104, 16),  # folder outline
}

# The marks' palette: the glyphs' colours and their own.
MARK_COLOURS = dict(GLYPH_COLOURS, **{
    "O": (240, 140, 20),  # mark: replace, same as input
    "D": (150, 80, 0),    # mark outlines of orange
    "G": (40, 160, 60),   # mark: converted
    "H": (20, 90, 30),    # mark outline of green
    "R": (210, 40, 40),   # mark: failed, shared
    "S": (120, 10, 10),   # mark outline of red
    "A": (140, 140, 140), # mark: up to date, skipped, not started
    "K": (80, 80, 80),    # mark outline of grey
    "N": (40, 60, 120),   # mark: stopped
})

FILE_GLYPH = [
    "................",
    "..kkkkkkkk......",
    "..kwwwwwwkk.....",
    "..kwwwwwwkgk....",
    "..kwggggwkggk...",
    "..kwwwwwwkkkkk..",
    "..kwggggggggwk..",
    "..kwwwwwwwwwwk..",
    "..kwggggggggwk..",
    "..kwwwwwwwwwwk..",
    "..kwggggggggwk..",
    "..kwwwwwwwwwwk..",
    "..kwgggggwwwwk..",
    "..kwwwwwwwwwwk..",
    "..kkkkkkkkkkkk..",
    "................",
]

FOLDER_GLYPH = [
    "................",
    "................",
    ".bbbbb..........",
    "boooooob........",
    "bobbbbbbbbbbbb..",
    "bobyyyyyyyyyyyb.",
    "bobyyyyyyyyyyyb.",
    "boobyyyyyyyyyyyb",
    "boobyyyyyyyyyyyb",
    "boobyyyyyyyyyyyb",
    "booobyyyyyyyyyyb",
    "booobyyyyyyyyyyb",
    "booobyyyyyyyyyyb",
    ".bbbbbbbbbbbbbbb",
    "................",
    "................",
]


def glyph_bmp(rows, colours=GLYPH_COLOURS):
    """A bitmap file, 8 bits per pixel with a 256-entry palette, bottom-up rows. Widths that
    are a multiple of 4 need no row padding."""
    size = len(rows)
    width = len(rows[0])
    assert width % 4 == 0 and all(len(r) == width for r in rows)
    keys = sorted(colours)
    palette = [colours[k] for k in keys] + [(0, 0, 0)] * (256 - len(keys))
    index = {k: i for i, k in enumerate(keys)}
    pixels = b"".join(bytes(index[c] for c in row) for row in reversed(rows))
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, size, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette_bytes + pixels


# ---------------------------------------------------------------------------------------------
# The larger glyphs, drawn from shapes in the 16-pixel glyphs' coordinates. A pixel belongs to a
# shape when its centre does; a pixel of a shape next to one outside it is the shape's outline,
# so every outline is one pixel wide at every size. No smoothing: the background is masked by
# its exact colour.

def in_sheet(x, y):
    # The corner above the diagonal from (10, 1) to (14, 5) is folded away.
    return 2 <= x < 14 and 1 <= y < 15 and x - 10 < y - 1


def in_fold(x, y):
    return in_sheet(x, y) and x >= 10 and y < 5


def text_line(x0, x1, y):
    return lambda x, yy: x0 <= x < x1 and y <= yy < y + 0.9


FILE_SHAPES = [  # (inside, fill, outline or None); later shapes cover earlier ones
    (in_sheet, "w", "k"),
    (in_fold, "g", "k"),
    (text_line(4, 8, 4), "g", None),
    (text_line(4, 12, 6), "g", None),
    (text_line(4, 12, 8), "g", None),
    (text_line(4, 12, 10), "g", None),
    (text_line(4, 9, 12), "g", None),
]


def in_folder_back(x, y):
    return (0 <= x < 15 and 3 <= y < 14) or (1 <= x < 6 and 2 <= y < 4)


def in_folder_front(x, y):
    slant = (y - 4) * 0.2
    return 4 <= y < 14 and 2 + slant <= x < 15 + slant and x < 16


FOLDER_SHAPES = [
    (in_folder_back, "o", "b"),
    (in_folder_front, "y", "b"),
]


def drawn_glyph(shapes, size):
    """Rows of colour keys, top row first."""
    scale = size / 16
    rows = [["."] * size for _ in range(size)]
    for inside, fill, outline in shapes:
        def hit(px, py):
            if not (0 <= px < size and 0 <= py < size):
                return False
            return inside((px + 0.5) / scale, (py + 0.5) / scale)
        for py in range(size):
            for px in range(size):
                if not hit(px, py):
                    continue
                edge = outline and not all(
                    hit(px + dx, py + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                rows[py][px] = outline if edge else fill
    return ["".join(row) for row in rows]


# ---------------------------------------------------------------------------------------------
# The output tree's marks, drawn from shapes like the larger glyphs: a coloured disc (or
# triangle, or square) with a white sign, so each reads at a glance beside the file glyph.

def disc(r, cx=8, cy=8):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 < r * r


def ring(r0, r1, cx=8, cy=8):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 < r1 * r1


def bar(x0, y0, x1, y1, w):
    """The points within w of the segment from (x0, y0) to (x1, y1)."""
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= w * w
    return inside


def triangle(x, y):
    return 1.5 <= y < 14.5 and abs(x - 8) <= (y - 1.5) * 0.55


def anyof(*tests):
    return lambda x, y: any(t(x, y) for t in tests)


def replace_sign(x, y):
    # A circling arrow: a ring open at the top right, its head at the gap.
    angle = math.degrees(math.atan2(8 - y, x - 8)) % 360
    in_head = 8.6 <= x < 13.4 and 3.2 <= y < 7.2 and (x - 8.6) >= (y - 3.2) * 1.2
    return (ring(2.2, 3.8)(x, y) and not (20 < angle < 80)) or in_head


MARK_SHAPES = [
    [],
    [(disc(7), "O", "D"), (replace_sign, "w", None)],
    [(disc(7), "A", "K"), (anyof(bar(5, 6.5, 11, 6.5, 1.0), bar(5, 9.5, 11, 9.5, 1.0)), "w", None)],
    [(disc(7), "R", "S"), (bar(4.5, 8, 11.5, 8, 1.3), "w", None)],
    [(triangle, "O", "D"), (anyof(bar(8, 6, 8, 9.8, 0.9), disc(1.0, 8, 12.2)), "k", None)],
    [(disc(7), "G", "H"), (anyof(bar(4.8, 8.2, 7, 10.6, 1.1), bar(7, 10.6, 11.4, 5.4, 1.1)), "w",
                           None)],
    [(disc(7), "R", "S"), (anyof(bar(5.3, 5.3, 10.7, 10.7, 1.1), bar(10.7, 5.3, 5.3, 10.7, 1.1)),
                           "w", None)],
    [(disc(7), "A", "K"), (anyof(bar(5, 6.5, 11, 6.5, 1.0), bar(5, 9.5, 11, 9.5, 1.0)), "w", None)],
    [(lambda x, y: 2 <= x < 14 and 2 <= y < 14, "N", "k"),
     (lambda x, y: 5 <= x < 11 and 5 <= y < 11, "w", None)],
    [(ring(4.2, 6.5), "A", "K")],
    [],
]


def mark_strip(size):
    glyphs = [drawn_glyph(shapes, size) for shapes in MARK_SHAPES]
    return ["".join(g[row] for g in glyphs) for row in range(size)]


# ---------------------------------------------------------------------------------------------
# The program icon: a plain sheet, an arrow and a blue result sheet, drawn as shapes in unit
# coordinates and rendered at each size with 4x4 supersampling for smooth edges.

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def frame(x0, y0, x1, y1, t):
    outer, inner = rect(x0, y0, x1, y1), rect(x0 + t, y0 + t, x1 - t, y1 - t)
    return lambda x, y: outer(x, y) and not inner(x, y)


def arrow(x0, x1, yc, shaft, head):
    """Points right: a shaft of half-height shaft from x0, a triangular head ending at x1."""
    hx = x1 - head

    def inside(x, y):
        if x0 <= x < hx and abs(y - yc) <= shaft:
            return True
        return hx <= x < x1 and abs(y - yc) <= head * (x1 - x) / head
    return inside


def lines(x0, x1, y0, step, count, t):
    tests = [rect(x0, y0 + i * step, x1, y0 + i * step + t) for i in range(count)]
    return lambda x, y: any(test(x, y) for test in tests)


OUTLINE = (60, 60, 60, 255)
ICON_SHAPES = [  # painted in order: later shapes cover earlier ones
    (rect(0.06, 0.06, 0.56, 0.72), (250, 250, 250, 255)),
    (frame(0.06, 0.06, 0.56, 0.72, 0.05), OUTLINE),
    (lines(0.16, 0.46, 0.20, 0.11, 4, 0.045), (150, 150, 150, 255)),
    (rect(0.42, 0.30, 0.94, 0.94), (120, 170, 235, 255)),
    (frame(0.42, 0.30, 0.94, 0.94, 0.05), (30, 70, 150, 255)),
    (lines(0.52, 0.84, 0.46, 0.11, 4, 0.045), (235, 245, 255, 255)),
    (arrow(0.18, 0.80, 0.58, 0.075, 0.24), (50, 50, 50, 255)),
    (arrow(0.22, 0.76, 0.58, 0.040, 0.18), (245, 150, 30, 255)),
]


def render_icon(size, samples=4):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    colour = (0, 0, 0, 0)
                    for inside, c in ICON_SHAPES:
                        if inside(x, y):
                            colour = c
                    for i in range(3):
                        acc[i] += colour[i] * colour[3]
                    acc[3] += colour[3]
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(alpha),))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER (double height), 32-bit BGRA rows and the AND mask."""
    rows = render_icon(size)
    xor = b"".join(struct.pack("<BBBB", b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + bytes(mask)


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return header + entries + b"".join(images)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    write("file.bmp", glyph_bmp(FILE_GLYPH))
    write("folder.bmp", glyph_bmp(FOLDER_GLYPH))
    for size in (24, 32):
        write(f"file{size}.bmp", glyph_bmp(drawn_glyph(FILE_SHAPES, size)))
        write(f"folder{size}.bmp", glyph_bmp(drawn_glyph(FOLDER_SHAPES, size)))
    write("brelo.ico", icon_file([16, 32, 48]))
    write("marks.bmp", glyph_bmp(mark_strip(16), MARK_COLOURS))
    for size in (24, 32):
        write(f"marks{size}.bmp", glyph_bmp(mark_strip(size), MARK_COLOURS))
