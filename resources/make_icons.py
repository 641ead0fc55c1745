#!/usr/bin/env python3
"""Draws the program icon (a small green pond creature's face) and writes
resources/pondlet.ico with two images, 16x16 and 32x32, each a 32-bit BMP
with an AND mask. The drawing is done from a few shapes at 32x32 and scaled
down by averaging, so the two sizes are the same picture. Reproducible: run
it again and the file comes out byte for byte the same.

    python3 resources/make_icons.py [output.ico]
"""
import os
import struct
import sys

BODY = (86, 170, 74)        # pond green
BODY_DARK = (46, 112, 52)   # outline
BELLY = (170, 214, 120)
EYE_WHITE = (250, 250, 240)
PUPIL = (20, 30, 20)
MOUTH = (120, 40, 40)
CHEEK = (236, 140, 140)


def inside_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def colour_at(x, y):
    """The 32x32 master picture at the pixel centre (x, y), top-down; None is transparent."""
    # eyes sit on top of the head like a frog's
    for ex in (10.5, 21.5):
        if inside_ellipse(x, y, ex, 9.0, 2.2, 2.4) and y > 7.5:
            return PUPIL
        if inside_ellipse(x, y, ex, 9.0, 4.6, 4.8):
            return EYE_WHITE
        if inside_ellipse(x, y, ex, 9.0, 5.8, 6.0):
            return BODY_DARK
    if inside_ellipse(x, y, 16.0, 19.5, 14.6, 10.8):
        if not inside_ellipse(x, y, 16.0, 19.5, 13.4, 9.6):
            return BODY_DARK
        # a wide smile: a thin arc below the eyes
        if inside_ellipse(x, y, 16.0, 18.5, 7.5, 5.5) and not inside_ellipse(x, y, 16.0, 17.5, 7.5, 5.2) \
                and y > 19.0:
            return MOUTH
        for cx in (7.5, 24.5):
            if inside_ellipse(x, y, cx, 20.5, 2.2, 1.4):
                return CHEEK
        if inside_ellipse(x, y, 16.0, 27.0, 8.0, 4.0):
            return BELLY
        return BODY
    return None


def render(size):
    """Top-down rows of (r, g, b, a) at size x size, averaged from 4x4 samples per master pixel."""
    scale = 32 / size
    samples = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    c = colour_at(x, y)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = samples * samples
            if a * 2 < n:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), 255))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER (double height), 32-bit XOR pixels bottom-up, 1-bit AND mask."""
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico_file(sizes):
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'pondlet.ico')
    with open(target, 'wb') as f:
        f.write(ico_file([16, 32]))


if __name__ == '__main__':
    main()
