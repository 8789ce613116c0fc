#!/usr/bin/python3
"""Writes key_colour_probe.bmp for the toolbar tests: one 82 x 48 button image, 24 bits per
pixel, all in the key colour red 226 green 227 blue 235 except row 10 (from the top), whose
first pixels are the key colour one step off in each channel and direction, then black."""
import os
import struct

KEY = (226, 227, 235)
OFF = [(225, 227, 235), (227, 227, 235), (226, 226, 235), (226, 228, 235), (226, 227, 234),
       (226, 227, 236), (0, 0, 0)]
W, H = 82, 48

rows = []
for y in range(H):
    row = [KEY] * W
    if y == 10:
        row[:len(OFF)] = OFF
    rows.append(b"".join(struct.pack("<BBB", b, g, r) for (r, g, b) in row).ljust(248, b"\0"))
pixels = b"".join(reversed(rows))
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 0, 0, 0, 0)
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "key_colour_probe.bmp"), "wb") as f:
    f.write(header + info + pixels)
