#!/usr/bin/python3
"""Draws the toolbar bitmaps and the program icon of Webcam into resources/.

Output (committed; run again only to change the art), for each screen scale in SCALES:
  toolbar_16color[_P].bmp  4 bits per pixel, standard 16-colour palette, key entry 7
  toolbar_normal[_P].bmp   24 bits per pixel, key colour red 226 green 227 blue 235
  toolbar_disabled[_P].bmp 8 bits per pixel, palette entry k = grey (k, k, k), key 227
  webcam.ico               16, 32 and 48 pixels, 32 bits per pixel
P is the scale in percent, left out at 100 %. At 100 % each bitmap is 410 x 48: five 82 x 48
buttons (Preview, Capture, Record, Stop, Option); at other scales every length grows with the
scale (the buttons are round(82 s) x round(48 s)). Stored bottom-up, the bottom-left pixel in the
key colour. Needs python3-pil (Debian) and DejaVu fonts.
Any other scale: make_toolbar_art.py PERCENT (writes only that scale's three bitmaps).
"""
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

BUTTON_W, BUTTON_H = 82, 48
SCALES = [100, 125, 150, 200, 300]
WORDS = ["Preview", "Capture", "Record", "Stop", "Option"]
KEY_RGB = (226, 227, 235)
KEY_GREY = 227
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
TEXT = (28, 38, 72)


class Scale:
    """Lengths of the art at `percent` % of its 96-DPI size."""

    def __init__(self, percent):
        self.percent = percent
        self.factor = percent / 100
        self.button_w = self.length(BUTTON_W)
        self.button_h = self.length(BUTTON_H)
        self.suffix = "" if percent == 100 else "_%d" % percent

    def length(self, value):
        return int(value * self.factor + 0.5)


def draw_glyph(d, index, cx, cy, palette, f):
    """One button's picture, centred on (cx, cy), about 26 pixels across times `f`."""
    ink, accent, light = palette

    def box(x0, y0, x1, y1):
        return [cx + x0 * f, cy + y0 * f, cx + x1 * f, cy + y1 * f]

    if index == 0:  # Preview: a screen with a play triangle
        d.rounded_rectangle(box(-14, -10, 14, 9), 3 * f, fill=ink)
        d.rectangle(box(-11, -7, 11, 6), fill=light)
        d.polygon([(cx - 4 * f, cy - 5 * f), (cx - 4 * f, cy + 4 * f), (cx + 5 * f, cy)],
                  fill=accent)
        d.rectangle(box(-5, 10, 5, 12), fill=ink)
    elif index == 1:  # Capture: a camera
        d.rounded_rectangle(box(-14, -7, 14, 11), 3 * f, fill=ink)
        d.rectangle(box(-6, -11, 4, -7), fill=ink)
        d.ellipse(box(-8, -5, 8, 11), fill=light)
        d.ellipse(box(-5, -2, 5, 8), fill=accent)
        d.rectangle(box(9, -5, 12, -3), fill=light)
    elif index == 2:  # Record: a red dot in a ring
        d.ellipse(box(-13, -12, 13, 12), fill=ink)
        d.ellipse(box(-10, -9, 10, 9), fill=light)
        d.ellipse(box(-7, -6, 7, 6), fill=accent)
    elif index == 3:  # Stop: a square
        d.rounded_rectangle(box(-11, -11, 11, 11), 3 * f, fill=ink)
        d.rectangle(box(-6, -6, 6, 6), fill=accent)
    else:  # Option: a gear
        points = []
        for k in range(32):
            angle = 2 * math.pi * k / 32
            radius = (13 if (k // 2) % 2 == 0 else 9) * f
            points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
        d.polygon(points, fill=ink)
        d.ellipse(box(-5, -5, 5, 5), fill=light)
        d.ellipse(box(-2, -2, 2, 2), fill=accent)


def draw_strip(scale, background, text, palettes, antialias=True):
    """The five buttons side by side. The pictures are drawn without smoothing at the screen's
    pixel size, then the strip (drawn 4 times larger when antialiased) is shrunk."""
    sub = 4 if antialias else 1
    width, height = scale.button_w * 5, scale.button_h
    img = Image.new("RGB", (width * sub, height * sub), background)
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT, round(11 * scale.factor * sub))
    glyph_w, glyph_h = scale.length(40), scale.length(30)
    for i, word in enumerate(WORDS):
        x0 = i * scale.button_w * sub
        glyph = Image.new("RGB", (glyph_w, glyph_h), background)
        draw_glyph(ImageDraw.Draw(glyph), i, glyph_w / 2, glyph_h / 2, palettes[i], scale.factor)
        glyph = glyph.resize((glyph_w * sub, glyph_h * sub), Image.NEAREST)
        img.paste(glyph, (x0 + (scale.button_w - glyph_w) * sub // 2, scale.length(2) * sub))
        text_w = d.textlength(word, font=font)
        d.text((x0 + (scale.button_w * sub - text_w) / 2, scale.length(33) * sub), word,
               fill=text, font=font)
    if antialias:
        img = img.resize((width, height), Image.LANCZOS)
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


def normal_bitmap(scale):
    palettes = [((40, 60, 100), (34, 160, 70), (236, 244, 252)),
                ((50, 56, 70), (40, 110, 200), (200, 215, 235)),
                ((70, 70, 80), (220, 30, 36), (250, 250, 250)),
                ((60, 64, 78), (210, 70, 40), (250, 250, 250)),
                ((70, 90, 130), (240, 190, 40), (250, 250, 250))]
    img = draw_strip(scale, KEY_RGB, TEXT, palettes)
    # Keep the key colour exact where the background is, and nowhere else.
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y] == KEY_RGB:
                continue
            if max(abs(a - b) for a, b in zip(px[x, y], KEY_RGB)) <= 2:
                px[x, y] = KEY_RGB
    rows = [b"".join(struct.pack("<BBB", *reversed(px[x, y])) for x in range(img.width))
            for y in range(img.height)]
    write_bmp(os.path.join(OUT, "toolbar_normal%s.bmp" % scale.suffix), img.width, img.height,
              24, rows)
    return img


def disabled_bitmap(scale, normal):
    grey = [(k, k, k) for k in range(256)]
    px = normal.load()
    rows = []
    for y in range(normal.height):
        row = bytearray()
        for x in range(normal.width):
            if px[x, y] == KEY_RGB:
                row.append(KEY_GREY)
                continue
            r, g, b = px[x, y]
            luma = (299 * r + 587 * g + 114 * b) // 1000
            value = 120 + luma * 90 // 255  # washed out, as disabled buttons look
            row.append(value if value != KEY_GREY else KEY_GREY - 1)
        rows.append(bytes(row))
    write_bmp(os.path.join(OUT, "toolbar_disabled%s.bmp" % scale.suffix), normal.width,
              normal.height, 8, rows, grey)


def sixteen_colour_bitmap(scale):
    palettes = [((0, 0, 128), (0, 128, 0), (255, 255, 255)),
                ((0, 0, 0), (0, 0, 255), (255, 255, 255)),
                ((0, 0, 0), (255, 0, 0), (255, 255, 255)),
                ((0, 0, 0), (128, 0, 0), (255, 255, 255)),
                ((0, 0, 128), (255, 255, 0), (255, 255, 255))]
    img = draw_strip(scale, VGA[7], (0, 0, 0), palettes, antialias=False)
    px = img.load()
    rows = []
    for y in range(img.height):
        row = bytearray()
        for x in range(0, img.width, 2):
            hi = nearest(px[x, y], VGA)
            lo = nearest(px[x + 1, y], VGA) if x + 1 < img.width else 0
            row.append(hi << 4 | lo)
        rows.append(bytes(row))
    write_bmp(os.path.join(OUT, "toolbar_16color%s.bmp" % scale.suffix), img.width, img.height,
              4, rows, VGA)


def toolbar_bitmaps(percent):
    scale = Scale(percent)
    disabled_bitmap(scale, normal_bitmap(scale))
    sixteen_colour_bitmap(scale)


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
    if len(sys.argv) > 1:
        toolbar_bitmaps(int(sys.argv[1]))
    else:
        for percent in SCALES:
            toolbar_bitmaps(percent)
        write_icon(os.path.join(OUT, "webcam.ico"), [16, 32, 48])
