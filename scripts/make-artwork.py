#!/usr/bin/env python3
"""Draws the console's button and grid pictures as PNG files with alpha (stdlib only).

Run once after changing a shape: python3 scripts/make-artwork.py ui/images
Each picture is sampled 4x4 per pixel, so edges come out smooth.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SS = 4  # samples per pixel along each axis


def png_bytes(width, height, rgba_rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def render(width, height, colour, inside):
    """inside(x, y) -> bool in pixel coordinates (floats); colour is (r, g, b)."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            hits = 0
            for sy in range(SS):
                for sx in range(SS):
                    if inside(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS):
                        hits += 1
            alpha = round(255 * hits / (SS * SS))
            row.extend((*colour, alpha) if alpha else (0, 0, 0, 0))
        rows.append(row)
    return png_bytes(width, height, rows)


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        d1, d2, d3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        neg = d1 < 0 or d2 < 0 or d3 < 0
        pos = d1 > 0 or d2 > 0 or d3 > 0
        return not (neg and pos)

    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def cut(base, *holes):
    return lambda x, y: base(x, y) and not any(h(x, y) for h in holes)


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def rounded_square_outline(x0, y0, x1, y1, radius, thickness):
    def in_rounded(ax0, ay0, ax1, ay1, r):
        def inside(x, y):
            if not (ax0 <= x <= ax1 and ay0 <= y <= ay1):
                return False
            cx = min(max(x, ax0 + r), ax1 - r)
            cy = min(max(y, ay0 + r), ay1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        return inside

    outer = in_rounded(x0, y0, x1, y1, radius)
    inner = in_rounded(x0 + thickness, y0 + thickness, x1 - thickness, y1 - thickness,
                       max(radius - thickness, 0.5))
    return lambda x, y: outer(x, y) and not inner(x, y)


# Seven-segment-free digits drawn from strokes, in a 32x32 box.
def digit_one():
    return union(rect(15, 9, 18, 23), triangle((15, 9), (18, 9), (12, 13)),
                 rect(12, 21, 21, 23.5))


def digit_two():
    arc = lambda x, y: ring(16, 13.5, 5, 2.4)(x, y) and not (y > 13.5 and x < 16)
    diagonal = lambda x, y: abs((x - 11) + (y - 23) * 0.75) <= 1.7 and 11 <= x <= 21 and 14 <= y <= 23
    return union(arc, diagonal, rect(11, 21, 21.5, 23.5))


BLACK = (0, 0, 0)
BLUE = (0x43, 0x7B, 0xBF)
WHITE = (0xFF, 0xFF, 0xFF)
GREEN = (0x91, 0xDC, 0x5A)

C = 16.0
DISC = disc(C, C, 15.5)

SYMBOLS = {
    "play": triangle((12.5, 9), (12.5, 23), (24, 16)),
    "pause": union(rect(10.5, 9.5, 14, 22.5), rect(18, 9.5, 21.5, 22.5)),
    "rewind": union(rect(9.5, 10, 12.5, 22), triangle((22.5, 10), (22.5, 22), (13, 16))),
    "stop": rect(10.5, 10.5, 21.5, 21.5),
    "step": union(triangle((9.5, 10), (9.5, 22), (19, 16)), rect(19.5, 10, 22.5, 22)),
    "fast": union(triangle((7.5, 10.5), (7.5, 21.5), (16, 16)),
                  triangle((16, 10.5), (16, 21.5), (24.5, 16))),
}


def loop_sign():
    arc = ring(8, 8, 5.2, 3.2)
    gap = lambda x, y: (x > 8 and y < 8 and (y - 8) > -(x - 8) * 0.6)
    head = triangle((10.5, 2.0), (14.5, 5.5), (9.5, 6.8))
    return union(lambda x, y: arc(x, y) and not gap(x, y), head)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "ui/images")
    out.mkdir(parents=True, exist_ok=True)
    files = {}
    for name, symbol in SYMBOLS.items():
        shape = cut(DISC, symbol)
        files[f"{name}.png"] = render(32, 32, BLACK, shape)
        files[f"{name}_over.png"] = render(32, 32, BLUE, shape)
    frame = rounded_square_outline(4, 4, 28, 28, 5, 2.2)
    for digit, glyph in (("1", digit_one()), ("2", digit_two())):
        shape = union(frame, glyph)
        files[f"source{digit}.png"] = render(32, 32, WHITE, shape)
        files[f"source{digit}_down.png"] = render(32, 32, GREEN, shape)
    small = disc(8, 8, 7.6)
    files["pause_small.png"] = render(16, 16, WHITE, cut(small, rect(4.8, 4.2, 7, 11.8),
                                                              rect(9, 4.2, 11.2, 11.8)))
    files["loop_small.png"] = render(16, 16, WHITE, cut(small, loop_sign()))
    # App icon: a blue disc with a white play triangle inside an orange ring.
    files["vexto_icon.png"] = layered(64, 64, [(0xFF, 0x80, 0x40), BLUE, WHITE],
                                      [ring(32, 32, 31, 26), disc(32, 32, 25),
                                       triangle((25, 18), (25, 46), (48, 32))])
    files["vexto_logo.png"] = logo()
    for name, data in files.items():
        (out / name).write_bytes(data)
        print("wrote", out / name)


def layered(width, height, colours, shapes):
    """Paints shapes over each other (later on top), each in its colour, with coverage alpha."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for colour, shape in zip(colours, shapes):
                hits = sum(1 for sy in range(SS) for sx in range(SS)
                           if shape(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS))
                a = hits / (SS * SS)
                if a == 0:
                    continue
                # "over" compositing on premultiplied values
                for i in range(3):
                    acc[i] = colour[i] * a + acc[i] * (1 - a)
                acc[3] = a + acc[3] * (1 - a)
            if acc[3] > 0:
                row.extend((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(acc[3] * 255)))
            else:
                row.extend((0, 0, 0, 0))
        rows.append(row)
    return png_bytes(width, height, rows)


# Block letters for "VEXTO" on a 5x7 grid, scaled into the logo.
LETTERS = {
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "E": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
    "X": ["X...X", "X...X", ".X.X.", "..X..", ".X.X.", "X...X", "X...X"],
    "T": ["XXXXX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."],
    "O": [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
}


def logo():
    width, height = 140, 98
    cell = 4.0
    x0 = (width - (5 * 5 * cell + 4 * cell)) / 2
    y0 = 56

    def text(x, y):
        if not (y0 <= y < y0 + 7 * cell):
            return False
        col = int((x - x0) // cell)
        if col < 0:
            return False
        letter, within = divmod(col, 6)
        if letter >= 5 or within == 5:
            return False
        row = int((y - y0) // cell)
        return LETTERS["VEXTO"[letter]][row][within] == "X"

    cx, cy = 70, 28
    orange = ring(cx, cy, 22, 18)
    body = cut(disc(cx, cy, 17.5), triangle((cx - 5.5, cy - 10), (cx - 5.5, cy + 10), (cx + 11, cy)))
    return layered(width, height, [(0xFF, 0x80, 0x40), BLUE, (0x33, 0x33, 0x33)],
                   [orange, body, text])


if __name__ == "__main__":
    main()
