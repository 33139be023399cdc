#!/usr/bin/env python3
"""Writes the alarm pop-up's background, frame.bmp (170 x 120, 24-bit), a picture of the
program's own. Plain Python, no imaging library needed; the result is committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def blend(dst, src, a):
    return tuple(round(d * (1 - a) + s * a) for d, s in zip(dst, src))


def frame_pixel(x, y):
    """The pop-up's background. The window shows it from (9, 9); the program writes the text
    into (24, 24)-(146, 96)."""
    left, top, right, bottom = 9, 9, 168, 119
    # No line along the bottom: the window is nine pixels taller than what it shows of the
    # picture, so the sides run on and the background fades into the white below.
    if x in (left, right) and top <= y <= bottom or y == top and left <= x <= right:
        return (16, 48, 106)
    if left < x < right and top < y < top + 11:
        t = (x - left) / (right - left)
        return blend((16, 48, 106), (60, 108, 200), t)
    if left < x < right and y == top + 11:
        return (255, 204, 51)
    if left < x < right and top < y < bottom:
        t = (y - top) / (bottom - top)
        return blend((235, 242, 252), (255, 255, 255), t)
    return (255, 255, 255)


def write_bmp(path, width, height):
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = frame_pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "frame.bmp"), 170, 120)
