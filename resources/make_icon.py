#!/usr/bin/python3
"""Draws the program's icon, a green cheque over a ledger sheet, into
cheque-vendor.png (256 x 256, RGBA) with the standard library alone.
Run it again after changing a shape: python3 resources/make_icon.py"""
import os
import struct
import zlib

SIZE = 256
SS = 3  # samples per pixel side, for smooth edges


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def line(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / float(dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2.0) ** 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: (r - w / 2.0) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= (r + w / 2.0) ** 2


def outline(x0, y0, x1, y1, r, w):
    outer = rounded_rect(x0 - w / 2, y0 - w / 2, x1 + w / 2, y1 + w / 2, r + w / 2)
    inner = rounded_rect(x0 + w / 2, y0 + w / 2, x1 - w / 2, y1 - w / 2, max(r - w / 2, 0))
    return lambda x, y: outer(x, y) and not inner(x, y)


# Painted in order, later shapes over earlier ones: (shape, RGB).
SHAPES = [
    (rounded_rect(40, 20, 216, 236, 12), (0xF4, 0xF1, 0xE8)),
    (outline(40, 20, 216, 236, 12, 6), (0x5B, 0x67, 0x70)),
    (line(68, 60, 188, 60, 6), (0x9A, 0xA5, 0xAD)),
    (line(68, 84, 188, 84, 6), (0x9A, 0xA5, 0xAD)),
    (line(68, 108, 160, 108, 6), (0x9A, 0xA5, 0xAD)),
    (rounded_rect(12, 118, 244, 230, 10), (0x1F, 0x7A, 0x4D)),
    (outline(12, 118, 244, 230, 10, 6), (0x13, 0x4D, 0x30)),
    (line(36, 150, 132, 150, 7), (0xD9, 0xF2, 0xE3)),
    (line(36, 178, 112, 178, 7), (0xD9, 0xF2, 0xE3)),
    (line(36, 206, 220, 206, 7), (0xD9, 0xF2, 0xE3)),
    (circle(190, 164, 30), (0xF2, 0xC1, 0x4E)),
    (ring(190, 164, 30, 5), (0xB8, 0x86, 0x0B)),
    (line(182, 146, 182, 182, 6), (0x6B, 0x4A, 0x00)),
    (line(182, 146, 194, 150, 6), (0x6B, 0x4A, 0x00)),
    (line(194, 150, 194, 160, 6), (0x6B, 0x4A, 0x00)),
    (line(194, 160, 182, 164, 6), (0x6B, 0x4A, 0x00)),
    (line(182, 164, 198, 168, 6), (0x6B, 0x4A, 0x00)),
    (line(198, 168, 198, 178, 6), (0x6B, 0x4A, 0x00)),
    (line(198, 178, 182, 182, 6), (0x6B, 0x4A, 0x00)),
    (line(188, 140, 188, 188, 4), (0x6B, 0x4A, 0x00)),
]


def pixel(px, py):
    r = g = b = a = 0.0
    for sy in range(SS):
        for sx in range(SS):
            x, y = px + (sx + 0.5) / SS, py + (sy + 0.5) / SS
            colour = None
            for inside, rgb in SHAPES:
                if inside(x, y):
                    colour = rgb
            if colour:
                r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
    if a == 0:
        return b"\0\0\0\0"
    return bytes((round(r / a), round(g / a), round(b / a), round(255 * a / (SS * SS))))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main():
    rows = b"".join(b"\0" + b"".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE))
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(rows, 9))
           + chunk(b"IEND", b""))
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "cheque-vendor.png")
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
