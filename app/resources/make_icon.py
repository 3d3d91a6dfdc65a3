#!/usr/bin/env python3
# Draws the application icon: a blue tile with a white tray and an orange
# arrow dropping into it (files going into the update tree). 32 x 32 pixels,
# 24 bits per pixel, no alpha, the form the window icon has always had; the
# same picture at another size for the desktop's icon theme. Shapes are
# drawn in a 32-unit square and sampled 4 x 4 per pixel so that the edges
# are smooth. Only the standard library is used, so anyone can regenerate
# the pictures:
#   python3 make_icon.py kelvarin.png
#   python3 make_icon.py kelvarin-128.png 128
import struct
import sys
import zlib

SIZE = 32
SAMPLES = 4
OUTSIDE = (240, 240, 240)
TRAY = (250, 250, 250)
ARROW = (245, 160, 40)
CORNER = 5.0


def background(y):
    top, bottom = (44, 110, 180), (18, 52, 104)
    t = y / SIZE
    return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))


def in_tile(x, y):
    # A square with rounded corners covering the whole picture.
    cx = min(max(x, CORNER), SIZE - CORNER)
    cy = min(max(y, CORNER), SIZE - CORNER)
    return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER ** 2


def in_tray(x, y):
    floor = 6 <= x <= 26 and 22.5 <= y <= 26.5
    left = 6 <= x <= 9.5 and 16 <= y <= 26.5
    right = 22.5 <= x <= 26 and 16 <= y <= 26.5
    return floor or left or right


def in_arrow(x, y):
    shaft = 13.5 <= x <= 18.5 and 4 <= y <= 13.5
    # Head: the triangle (8, 12), (24, 12), (16, 20.5).
    head = 12 <= y <= 20.5 and abs(x - 16) <= (20.5 - y) * 8 / 8.5
    return shaft or head


def pixel(px, py, scale):
    total = [0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (px + (sx + 0.5) / SAMPLES) * scale
            y = (py + (sy + 0.5) / SAMPLES) * scale
            if not in_tile(x, y):
                colour = OUTSIDE
            elif in_arrow(x, y):
                colour = ARROW
            elif in_tray(x, y):
                colour = TRAY
            else:
                colour = background(y)
            for i in range(3):
                total[i] += colour[i]
    return bytes(round(c / (SAMPLES * SAMPLES)) for c in total)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    size = int(sys.argv[2]) if len(sys.argv) > 2 else SIZE
    scale = SIZE / size
    rows = b"".join(b"\x00" + b"".join(pixel(x, y, scale) for x in range(size))
                    for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)  # 8-bit RGB
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
           + chunk(b"IEND", b""))
    with open(sys.argv[1] if len(sys.argv) > 1 else "kelvarin.png", "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
