#!/usr/bin/python3
"""Draws the toolbar bitmaps and the program icon of Webcam into resources/.

Output (committed; run again only to change the art):
  toolbar_16color.bmp  bitmap 134: 4 bits per pixel, standard 16-colour palette, key entry 7
  toolbar_normal.bmp   bitmap 136: 24 bits per pixel, key colour red 226 green 227 blue 235
  toolbar_disabled.bmp bitmap 138: 8 bits per pixel, palette entry k = grey (k, k, k), key 227
  webcam.ico           icon 128: 16, 32 and 48 pixels, 32 bits per pixel
Each bitmap is 410 x 48: five 82 x 48 buttons (Preview, Capture, Record, Stop, Option), stored
bottom-up, the bottom-left pixel in the key colour. Needs python3-pil (Debian) and DejaVu fonts.
"""
import math
import os
import struct

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

BUTTON_W, BUTTON_H = 82, 48
WORDS = ["Preview", "Capture", "Record", "Stop", "Option"]
KEY_RGB = (226, 227, 235)
KEY_GREY = 227
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
TEXT = (28, 38, 72)


def draw_glyph(d, index, cx, cy, palette):
    """One button's picture, centred on (cx, cy), about 26 pixels across."""
    ink, accent, light = palette
    if index == 0:  # Preview: a screen with a play triangle
        d.rounded_rectangle([cx - 14, cy - 10, cx + 14, cy + 9], 3, fill=ink)
        d.rectangle([cx - 11, cy - 7, cx + 11, cy + 6], fill=light)
        d.polygon([(cx - 4, cy - 5), (cx - 4, cy + 4), (cx + 5, cy)], fill=accent)
        d.rectangle([cx - 5, cy + 10, cx + 5, cy + 12], fill=ink)
    elif index == 1:  # Capture: a camera
        d.rounded_rectangle([cx - 14, cy - 7, cx + 14, cy + 11], 3, fill=ink)
        d.rectangle([cx - 6, cy - 11, cx + 4, cy - 7], fill=ink)
        d.ellipse([cx - 8, cy - 5, cx + 8, cy + 11], fill=light)
        d.ellipse([cx - 5, cy - 2, cx + 5, cy + 8], fill=accent)
        d.rectangle([cx + 9, cy - 5, cx + 12, cy - 3], fill=light)
    elif index == 2:  # Record: a red dot in a ring
        d.ellipse([cx - 13, cy - 12, cx + 13, cy + 12], fill=ink)
        d.ellipse([cx - 10, cy - 9, cx + 10, cy + 9], fill=light)
        d.ellipse([cx - 7, cy - 6, cx + 7, cy + 6], fill=accent)
    elif index == 3:  # Stop: a square
        d.rounded_rectangle([cx - 11, cy - 11, cx + 11, cy + 11], 3, fill=ink)
        d.rectangle([cx - 6, cy - 6, cx + 6, cy + 6], fill=accent)
    else:  # Option: a gear
        points = []
        for k in range(32):
            angle = 2 * math.pi * k / 32
            radius = 13 if (k // 2) % 2 == 0 else 9
            points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
        d.polygon(points, fill=ink)
        d.ellipse([cx - 5, cy - 5, cx + 5, cy + 5], fill=light)
        d.ellipse([cx - 2, cy - 2, cx + 2, cy + 2], fill=accent)


def draw_strip(background, text, palettes, antialias=True):
    scale = 4 if antialias else 1
    img = Image.new("RGB", (BUTTON_W * 5 * scale, BUTTON_H * scale), background)
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT, 11 * scale)
    for i, word in enumerate(WORDS):
        x0 = i * BUTTON_W * scale
        glyph = Image.new("RGB", (40, 30), background)
        draw_glyph(ImageDraw.Draw(glyph), i, 20, 15, palettes[i])
        glyph = glyph.resize((40 * scale, 30 * scale), Image.NEAREST)
        img.paste(glyph, (x0 + (BUTTON_W * scale - 40 * scale) // 2, 2 * scale))
        width = d.textlength(word, font=font)
        d.text((x0 + (BUTTON_W * scale - width) / 2, 33 * scale), word, fill=text, font=font)
    if antialias:
        img = img.resize((BUTTON_W * 5, BUTTON_H), Image.LANCZOS)
    return img


def write_bmp(path, width, height, bits, rows, palette=None):
    """rows: top-down list of byte strings, already in the file's pixel encoding."""
    stride = ((width * bits + 31) // 32) * 4
    pixels = b"".join(r.ljust(stride, b"\0") for r in reversed(rows))  # bottom-up
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in (palette or []))
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       len(palette or []), 0)
    with open(path, "wb") as f:
        f.write(header + info + colours + pixels)


def nearest(colour, palette):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def normal_bitmap():
    palettes = [((40, 60, 100), (34, 160, 70), (236, 244, 252)),
                ((50, 56, 70), (40, 110, 200), (200, 215, 235)),
                ((70, 70, 80), (220, 30, 36), (250, 250, 250)),
                ((60, 64, 78), (210, 70, 40), (250, 250, 250)),
                ((70, 90, 130), (240, 190, 40), (250, 250, 250))]
    img = draw_strip(KEY_RGB, TEXT, palettes)
    # Keep the key colour exact where the background is, and nowhere else.
    px = img.load()
    for y in range(BUTTON_H):
        for x in range(BUTTON_W * 5):
            if px[x, y] == KEY_RGB:
                continue
            if max(abs(a - b) for a, b in zip(px[x, y], KEY_RGB)) <= 2:
                px[x, y] = KEY_RGB
    rows = [b"".join(struct.pack("<BBB", *reversed(px[x, y])) for x in range(img.width))
            for y in range(img.height)]
    write_bmp(os.path.join(OUT, "toolbar_normal.bmp"), img.width, img.height, 24, rows)
    return img


def disabled_bitmap(normal):
    grey = [(k, k, k) for k in range(256)]
    px = normal.load()
    rows = []
    for y in range(BUTTON_H):
        row = bytearray()
        for x in range(BUTTON_W * 5):
            if px[x, y] == KEY_RGB:
                row.append(KEY_GREY)
                continue
            r, g, b = px[x, y]
            luma = (299 * r + 587 * g + 114 * b) // 1000
            value = 120 + luma * 90 // 255  # washed out, as disabled buttons look
            row.append(value if value != KEY_GREY else KEY_GREY - 1)
        rows.append(bytes(row))
    write_bmp(os.path.join(OUT, "toolbar_disabled.bmp"), BUTTON_W * 5, BUTTON_H, 8, rows, grey)


def sixteen_colour_bitmap():
    palettes = [((0, 0, 128), (0, 128, 0), (255, 255, 255)),
                ((0, 0, 0), (0, 0, 255), (255, 255, 255)),
                ((0, 0, 0), (255, 0, 0), (255, 255, 255)),
                ((0, 0, 0), (128, 0, 0), (255, 255, 255)),
                ((0, 0, 128), (255, 255, 0), (255, 255, 255))]
    img = draw_strip(VGA[7], (0, 0, 0), palettes, antialias=False)
    px = img.load()
    rows = []
    for y in range(BUTTON_H):
        row = bytearray()
        for x in range(0, BUTTON_W * 5, 2):
            hi = nearest(px[x, y], VGA)
            lo = nearest(px[x + 1, y], VGA)
            row.append(hi << 4 | lo)
        rows.append(bytes(row))
    write_bmp(os.path.join(OUT, "toolbar_16color.bmp"), BUTTON_W * 5, BUTTON_H, 4, rows, VGA)


def icon_image(size):
    scale = 8
    big = Image.new("RGBA", (size * scale, size * scale), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    s = size * scale
    # A webcam: a round head with a lens on a small stand.
    d.ellipse([s * 0.14, s * 0.04, s * 0.86, s * 0.76], fill=(45, 52, 70, 255))
    d.ellipse([s * 0.26, s * 0.16, s * 0.74, s * 0.64], fill=(210, 222, 240, 255))
    d.ellipse([s * 0.34, s * 0.24, s * 0.66, s * 0.56], fill=(30, 90, 190, 255))
    d.ellipse([s * 0.42, s * 0.30, s * 0.52, s * 0.40], fill=(235, 245, 255, 255))
    d.rectangle([s * 0.44, s * 0.74, s * 0.56, s * 0.86], fill=(45, 52, 70, 255))
    d.rounded_rectangle([s * 0.22, s * 0.84, s * 0.78, s * 0.96], s * 0.04, fill=(45, 52, 70, 255))
    d.ellipse([s * 0.70, s * 0.12, s * 0.80, s * 0.22], fill=(220, 40, 40, 255))
    return big.resize((size, size), Image.LANCZOS)


def write_icon(path, sizes):
    entries = []
    for size in sizes:
        img = icon_image(size)
        px = img.load()
        xor = b"".join(struct.pack("<BBBB", px[x, y][2], px[x, y][1], px[x, y][0], px[x, y][3])
                       for y in reversed(range(size)) for x in range(size))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in reversed(range(size)):
            row = bytearray(mask_stride)
            for x in range(size):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                             0, 0, 0, 0)
        entries.append((size, header + xor + bytes(mask)))
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    data = b""
    for size, blob in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob),
                                 offset + len(data))
        data += blob
    with open(path, "wb") as f:
        f.write(directory + data)


if __name__ == "__main__":
    normal = normal_bitmap()
    disabled_bitmap(normal)
    sixteen_colour_bitmap()
    write_icon(os.path.join(OUT, "webcam.ico"), [16, 32, 48])
