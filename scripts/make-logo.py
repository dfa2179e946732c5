#!/usr/bin/env python3
"""Draws Tavlio's logo and writes the splash picture and the program's icons.

The mark is a pane with a row of four tabs along its top, the first one
selected and joined to the pane, and a bold "T" on the pane.

    resources/splash.png  666 x 666, RGBA, 8 bits per sample, every pixel
                          opaque; the logo on pure black, which the splash
                          window's colour key makes see-through.
    resources/Tavlio.ico  62 and 32 pixels at 16 colours, 128 at 256 colours,
                          256 at 32 bits (PNG-compressed, with alpha) and
                          256 at 24 bits (uncompressed, with a mask).

The edge against the black is deliberate: the splash window shows every
pixel that is not pure black fully opaque, so an anti-aliased fringe would
become a ring of dark opaque pixels over whatever lies beneath. The outer
silhouette of the splash picture is therefore cut hard (a pixel is in or
out), and its outermost band is a dark rim, so the cut runs between the rim
and the screen and the steps of the cut are hardly visible. Every edge inside
the silhouette is anti-aliased. No pixel of the logo is pure black. The icons
carry real alpha, so their silhouette is anti-aliased.

Python's standard library only; the output is the same on every run.
Usage: make-logo.py [--out-dir DIR] [--check]
  --check  redraws and compares with the files in DIR, without writing.
"""

import argparse
import math
import os
import struct
import sys
import zlib

SPLASH_SIZE = 666

RIM = (20, 24, 34)
GRADIENT_START = (26, 184, 164)   # teal, top left of the pane
GRADIENT_END = (70, 98, 232)      # blue, bottom right of the pane
IDLE_TAB = (74, 88, 116)          # the tabs that are not selected
MONOGRAM = (238, 243, 250)

# Geometry on a unit square, y downwards.
PANE = (0.14, 0.38, 0.86, 0.82, 0.075)           # left, top, right, bottom, corner radius
TAB_TOP, TAB_IDLE_BOTTOM, TAB_RADIUS = 0.20, 0.345, 0.038
TAB_WIDTH, TAB_GAP, TAB_COUNT = 0.153, 0.036, 4
MONOGRAM_BAR = (0.315, 0.475, 0.685, 0.565, 0.018)
MONOGRAM_STEM = (0.452, 0.475, 0.548, 0.755, 0.018)
RIM_WIDTH = 0.009                                 # of the picture's size


def RoundedBoxDistance(x, y, box):
    """Signed distance from (x, y) to a rounded rectangle; negative inside."""
    left, top, right, bottom, radius = box
    cx, cy = (left + right) / 2, (top + bottom) / 2
    qx = abs(x - cx) - (right - left) / 2 + radius
    qy = abs(y - cy) - (bottom - top) / 2 + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def Tabs():
    boxes = []
    for index in range(TAB_COUNT):
        left = PANE[0] + index * (TAB_WIDTH + TAB_GAP)
        # The selected tab reaches down into the pane and joins it.
        bottom = PANE[1] + 0.1 if index == 0 else TAB_IDLE_BOTTOM
        boxes.append((left, TAB_TOP, left + TAB_WIDTH, bottom, TAB_RADIUS))
    return boxes


def Coverage(distancePixels):
    return min(max(0.5 - distancePixels, 0.0), 1.0)


def Blend(under, over, amount):
    return tuple(u + (o - u) * amount for u, o in zip(under, over))


class Logo:
    """The logo drawn at one size: colour and silhouette distance per pixel."""

    def __init__(self, size):
        self.size = size
        self.rim = max(RIM_WIDTH * size, 1.0)
        tabs = Tabs()
        self.selected = [PANE, tabs[0]]
        self.idle = tabs[1:]
        self.monogram = [MONOGRAM_BAR, MONOGRAM_STEM]

    def Distance(self, boxes, x, y):
        return min(RoundedBoxDistance(x, y, box) for box in boxes) * self.size

    def Pixel(self, column, row):
        """(red, green, blue) floats and the signed distance to the silhouette in pixels."""
        x, y = (column + 0.5) / self.size, (row + 0.5) / self.size
        selected = self.Distance(self.selected, x, y)
        idle = self.Distance(self.idle, x, y)
        outline = min(selected, idle)
        if outline > 1.0:
            return None, outline
        colour = RIM
        if idle < selected:
            colour = Blend(colour, IDLE_TAB, Coverage(idle + self.rim))
        else:
            shade = min(max(((x - PANE[0]) + (y - TAB_TOP)) / ((PANE[2] - PANE[0]) + (PANE[3] - TAB_TOP)), 0.0), 1.0)
            fill = Blend(GRADIENT_START, GRADIENT_END, shade)
            colour = Blend(colour, fill, Coverage(selected + self.rim))
            colour = Blend(colour, MONOGRAM, Coverage(self.Distance(self.monogram, x, y)))
        return colour, outline


def Byte(value):
    return int(min(max(round(value), 0), 255))


def SplashPixels():
    """Rows of RGBA bytes: the logo on pure black, silhouette cut hard."""
    logo = Logo(SPLASH_SIZE)
    rows = []
    for row in range(SPLASH_SIZE):
        line = bytearray(SPLASH_SIZE * 4)
        for column in range(SPLASH_SIZE):
            colour, outline = logo.Pixel(column, row)
            offset = column * 4
            line[offset + 3] = 255
            if colour is None or outline > 0.0:
                continue
            rgb = [Byte(c) for c in colour]
            if rgb == [0, 0, 0]:
                raise SystemExit("a pixel inside the logo came out pure black")
            line[offset:offset + 3] = bytes(rgb)
        rows.append(bytes(line))
    return rows


def IconPixels(size):
    """Rows of RGBA bytes with the silhouette's coverage as alpha."""
    logo = Logo(size)
    rows = []
    for row in range(size):
        line = bytearray(size * 4)
        for column in range(size):
            colour, outline = logo.Pixel(column, row)
            alpha = Byte(255 * Coverage(outline))
            if colour is None or alpha == 0:
                continue
            line[column * 4:column * 4 + 4] = bytes([Byte(c) for c in colour] + [alpha])
        rows.append(bytes(line))
    return rows


def Chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def ScanLines(rows, bytesPerPixel):
    """PNG scan lines, each with the Sub filter (flat areas become runs of zeros)."""
    out = bytearray()
    for line in rows:
        out.append(1)
        previous = bytes(bytesPerPixel) + line[:-bytesPerPixel]
        out.extend((a - b) & 0xFF for a, b in zip(line, previous))
    return bytes(out)


def EncodePng(rows, width, height, withColourChunks):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    chunks = [Chunk(b"IHDR", header)]
    if withColourChunks:
        chunks.append(Chunk(b"sRGB", bytes([0])))                           # perceptual
        chunks.append(Chunk(b"gAMA", struct.pack(">I", 45455)))            # 1 / 2.2
        chunks.append(Chunk(b"pHYs", struct.pack(">IIB", 3779, 3779, 1)))  # 96 per inch
    chunks.append(Chunk(b"IDAT", zlib.compress(ScanLines(rows, 4), 9)))
    chunks.append(Chunk(b"IEND", b""))
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


# The 16 colours of the classic Windows palette, in their usual order.
SIXTEEN_COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def Nearest(colour, palette):
    return min(range(len(palette)), key=lambda i: (sum((a - b) ** 2 for a, b in zip(colour, palette[i])), i))


def PopularPalette(rows):
    """256 colours: black for the transparent pixels, then the commonest colours."""
    counts = {}
    for line in rows:
        for offset in range(0, len(line), 4):
            if line[offset + 3] >= 128:
                key = tuple(c & 0xF8 for c in line[offset:offset + 3])
                counts[key] = counts.get(key, 0) + 1
    ranked = sorted(counts, key=lambda key: (-counts[key], key))
    palette = [(0, 0, 0)] + [tuple(c | 4 for c in key) for key in ranked if key != (0, 0, 0)][:255]
    return palette + [(0, 0, 0)] * (256 - len(palette))


def PaddedRow(data):
    return bytes(data) + bytes(-len(data) % 4)


def IconBitmap(rows, size, bitCount):
    """An icon image as a DIB: header, palette, colour rows and mask rows, bottom up."""
    palette = []
    if bitCount == 4:
        palette = SIXTEEN_COLOURS
    elif bitCount == 8:
        palette = PopularPalette(rows)
    lookup = {}
    colourRows, maskRows = [], []
    for line in reversed(rows):
        values, mask = [], []
        for column in range(size):
            red, green, blue, alpha = line[column * 4:column * 4 + 4]
            opaque = alpha >= 128
            mask.append(0 if opaque else 1)
            if bitCount == 32:
                values.extend([blue, green, red, alpha])
            elif bitCount == 24:
                values.extend([blue, green, red] if opaque else [0, 0, 0])
            else:
                key = (red, green, blue)
                if key not in lookup:
                    lookup[key] = Nearest(key, palette)
                values.append(lookup[key] if opaque else 0)
        if bitCount == 4:
            values = [(values[i] << 4) | (values[i + 1] if i + 1 < size else 0) for i in range(0, size, 2)]
        colourRows.append(PaddedRow(values))
        maskBytes = bytearray((size + 7) // 8)
        for column, bit in enumerate(mask):
            if bit:
                maskBytes[column // 8] |= 0x80 >> (column % 8)
        maskRows.append(PaddedRow(maskBytes))
    colours = b"".join(colourRows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bitCount, 0, len(colours), 0, 0, len(palette), 0)
    table = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
    return header + table + colours + b"".join(maskRows)


# (size, bits per pixel, PNG-compressed), in the order the icon file lists them.
ICON_IMAGES = [(62, 4, False), (32, 4, False), (128, 8, False), (256, 32, True), (256, 24, False)]


def EncodeIcon():
    images = []
    for size, bitCount, compressed in ICON_IMAGES:
        rows = IconPixels(size)
        data = EncodePng(rows, size, size, False) if compressed else IconBitmap(rows, size, bitCount)
        images.append((size, bitCount, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bitCount, data in images:
        colourCount = 16 if bitCount == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colourCount, 0, 1, bitCount, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def PngPayload(data):
    """The chunks of a PNG with the image data decompressed, to compare pictures
    without depending on how one zlib build compresses."""
    chunks, position = [], 8
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        chunks.append((kind, zlib.decompress(body) if kind == b"IDAT" else body))
        position += 12 + length
    return chunks


def IconPayload(data):
    count = struct.unpack("<H", data[4:6])[0]
    parts = []
    for index in range(count):
        entry = data[6 + 16 * index:22 + 16 * index]
        length, offset = struct.unpack("<II", entry[8:16])
        image = data[offset:offset + length]
        parts.append((entry[:8], PngPayload(image) if image.startswith(b"\x89PNG") else image))
    return parts


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", default=os.path.join(here, "..", "resources"))
    parser.add_argument("--check", action="store_true")
    arguments = parser.parse_args()

    outputs = {
        "splash.png": (EncodePng(SplashPixels(), SPLASH_SIZE, SPLASH_SIZE, True), PngPayload),
        "Tavlio.ico": (EncodeIcon(), IconPayload),
    }
    failed = False
    for name, (data, payload) in outputs.items():
        path = os.path.join(arguments.out_dir, name)
        if arguments.check:
            with open(path, "rb") as file:
                committed = file.read()
            if payload(committed) != payload(data):
                print(f"{path} differs from what make-logo.py draws", file=sys.stderr)
                failed = True
        else:
            with open(path, "wb") as file:
                file.write(data)
            print(f"wrote {os.path.normpath(path)} ({len(data)} bytes)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
