#!/usr/bin/env python3
"""Draws brelo's program icon and the two tree glyphs and writes them beside this script.

    brelo.ico   the program icon: 16x16, 32x32 and 48x48, 32 bits per pixel with alpha
    file.bmp    tree glyph of a file: a white sheet with a folded corner, 16x16, 8 bits per pixel
    folder.bmp  tree glyph of a folder: a yellow folder, same format
    file24.bmp, folder24.bmp, file32.bmp, folder32.bmp
                the same glyphs at 24x24 and 32x32 for screens of higher DPI, drawn from shapes

The glyphs use RGB(255,0,255) as background, which the tree's image list masks out.
Standard library only; the output is byte-for-byte reproducible. Run it after changing a drawing
and commit the three files it writes.
"""
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


def glyph_bmp(rows):
    """A square bitmap file, 8 bits per pixel with a 256-entry palette, bottom-up rows. Sizes
    that are a multiple of 4 need no row padding."""
    size = len(rows)
    assert size % 4 == 0 and all(len(r) == size for r in rows)
    keys = sorted(GLYPH_COLOURS)
    palette = [GLYPH_COLOURS[k] for k in keys] + [(0, 0, 0)] * (256 - len(keys))
    index = {k: i for i, k in enumerate(keys)}
    pixels = b"".join(bytes(index[c] for c in row) for row in reversed(rows))
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
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
