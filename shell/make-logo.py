#!/usr/bin/env python3
"""Writes logo.xpm: the 180 x 18 strip under the main dialog's message line.

The picture is our own: a dark blue band with "TIKo3" in a 5 x 7 pixel font at
scale 2, a gold ruler of second ticks (a long one every five) and a small clock
ring at the right end. Run it again after changing the artwork.
"""
import pathlib

W, H = 180, 18
GLYPHS = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "o": ["00000", "00000", "01110", "10001", "10001", "10001", "01110"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
}
PALETTE = {"b": "#10306A", "e": "#3C6CC8", "w": "#FFFFFF", "g": "#FFCC33"}

pix = [["b"] * W for _ in range(H)]
for x in range(W):
    pix[0][x] = pix[H - 1][x] = "e"
for y in range(H):
    pix[y][0] = pix[y][W - 1] = "e"

scale, x = 2, 6
for ch in "TIKo3":
    for gy, row in enumerate(GLYPHS[ch]):
        for gx, bit in enumerate(row):
            if bit == "1":
                for dy in range(scale):
                    for dx in range(scale):
                        pix[2 + gy * scale + dy][x + gx * scale + dx] = "w"
    x += 6 * scale

# The ruler: one tick every two pixels, a long one every tenth pixel.
for i, tx in enumerate(range(72, 152, 2)):
    top = 5 if i % 5 == 0 else 9
    for y in range(top, 13):
        pix[y][tx] = "g"
for tx in range(72, 151):
    pix[13][tx] = "g"

# A clock ring with two hands.
cx, cy, r = 166, 9, 7
for y in range(H):
    for x2 in range(W):
        d2 = (x2 - cx) ** 2 + (y - cy) ** 2
        if (r - 1.5) ** 2 <= d2 <= r * r:
            pix[y][x2] = "g"
for k in range(5):
    pix[cy - k][cx] = "w"
for k in range(4):
    pix[cy][cx + k] = "w"

lines = ["/* XPM */", "static const char* const logo_xpm[] = {", f"\"{W} {H} {len(PALETTE)} 1\","]
lines += [f"\"{k} c {v}\"," for k, v in PALETTE.items()]
lines += [f"\"{''.join(row)}\"," for row in pix]
lines[-1] = lines[-1].rstrip(",")
lines.append("};")
out = pathlib.Path(__file__).with_name("logo.xpm")
out.write_text("\n".join(lines) + "\n")
