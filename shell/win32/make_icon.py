#!/usr/bin/env python3
"""Draws the program's icon: an open book over a blue disc with two sync
arrows, at 16, 32, 48 and 256 pixels, into one .ico file (32-bit images)."""
import math
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel, drawn in a 1.0-wide coordinate space."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    cx, cy = u - 0.5, v - 0.5
    r = math.hypot(cx, cy)
    if r > 0.48:
        return (0, 0, 0, 0)
    # The book: two pages meeting at the spine.
    if 0.28 < v < 0.70 and 0.22 < u < 0.78 and abs(u - 0.5) > 0.015:
        page_top = 0.28 + 0.05 * abs(u - 0.5) / 0.28
        if v > page_top:
            line = (v - page_top) * 14 % 1.0
            if 0.3 < abs(u - 0.5) / 0.28 < 0.85 and line < 0.18 and size >= 32:
                return (150, 110, 60, 255)
            return (255, 255, 255, 255)
    # The sync ring.
    if 0.36 < r < 0.42:
        angle = math.atan2(cy, cx)
        if not (-0.35 < angle < 0.35 or angle > 2.8 or angle < -2.8):
            return (255, 230, 170, 255)
    return (190, 110, 30, 255)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("4B", *pixel(size, x, y)) for x in range(size)))
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"\0" * (mask_row * size)


def main(path):
    sizes = [16, 32, 48, 256]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
