#!/usr/bin/env python3
"""Writes the small pictures that the splash tests wrap into resource-only DLLs.

Each picture has known pixels, so a test can assert every decoded byte. Run it
again after changing a picture here; the output is the same on every run.
Usage: make-test-pictures.py [--out-dir DIR]
"""

import argparse
import os
import struct
import zlib

GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}


def Chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def Png(width, height, colourType, rows, bitDepth=8, extraChunks=()):
    """rows: one list of sample values per row (already packed per colour type)."""
    sampleBytes = 2 if bitDepth == 16 else 1
    step = CHANNELS[colourType] * sampleBytes
    raw = bytearray()
    for row in rows:
        line = b"".join(sample.to_bytes(sampleBytes, "big") for sample in row)
        # The Sub filter: each byte as the difference from the pixel to its left.
        raw.append(1)
        raw += bytes((a - b) & 0xFF for a, b in zip(line, bytes(step) + line[:-step]))
    header = struct.pack(">IIBBBBB", width, height, bitDepth, colourType, 0, 0, 0)
    chunks = [Chunk(b"IHDR", header)]
    chunks += [Chunk(kind, data) for kind, data in extraChunks]
    chunks += [Chunk(b"IDAT", zlib.compress(bytes(raw), 9)), Chunk(b"IEND", b"")]
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


def Flatten(pixels):
    return [sample for pixel in pixels for sample in pixel]


def LargePicture():
    """1105 x 851, wider and taller than the 1024 x 768 test screen by odd amounts.

    Every pixel names its own place: red = x mod 256, green = y mod 256,
    blue = 0x80 | (x / 256) << 3 | y / 256, so no pixel is pure black by chance.
    Three blocks test the colour key and the disregarded alpha:
      x 100..199, y 100..199: pure black (see-through);
      x 200..299, y 100..199: red 0, green 0, blue 1 (opaque);
      x 300..399, y 100..199: the place's colour with alpha 0 (shown as stored).
    """
    width, height = 1105, 851
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            colour = [x & 0xFF, y & 0xFF, 0x80 | (x >> 8) << 3 | (y >> 8)]
            alpha = 255
            if 100 <= y < 200 and 100 <= x < 200:
                colour = [0, 0, 0]
            elif 100 <= y < 200 and 200 <= x < 300:
                colour = [0, 0, 1]
            elif 100 <= y < 200 and 300 <= x < 400:
                alpha = 0
            row += colour + [alpha]
        rows.append(row)
    return Png(width, height, RGBA, rows)


def Pictures():
    rgba = Png(3, 2, RGBA, [
        Flatten([(10, 20, 30, 255), (255, 0, 0, 255), (0, 255, 0, 255)]),
        Flatten([(0, 0, 255, 255), (1, 2, 3, 255), (250, 251, 252, 255)]),
    ])
    yield "rgba.png", rgba
    yield "grey.png", Png(2, 3, GREY, [[128, 0], [255, 7], [64, 200]])
    yield "grey-alpha.png", Png(2, 1, GREY_ALPHA, [[128, 64, 30, 0]])
    # Palette entries 0 and 1 carry alpha through tRNS; entry 2 is opaque.
    palette = bytes([10, 20, 30, 200, 100, 50, 0, 0, 0])
    yield "palette.png", Png(3, 1, PALETTE, [[0, 1, 2]], extraChunks=[(b"PLTE", palette), (b"tRNS", bytes([255, 128]))])
    yield "rgb.png", Png(2, 2, RGB, [[10, 20, 30, 40, 50, 60], [70, 80, 90, 0, 0, 0]])
    yield "rgba16.png", Png(1, 2, RGBA, [[0x1234, 0xABCD, 0x00FF, 0xFFFF], [0xFF00, 0x0001, 0x8080, 0x7FFF]], bitDepth=16)
    yield "half-transparent.png", Png(2, 1, RGBA, [Flatten([(200, 100, 50, 128), (90, 60, 30, 0)])])
    # A real picture cut off in the middle of its image data.
    stripes = Png(64, 64, RGB, [[(x * 4 + y) & 0xFF for x in range(64 * 3)] for y in range(64)])
    yield "truncated.png", stripes[:len(stripes) // 2]
    yield "not-an-image.bin", b"These bytes are a note, not a picture of any kind.\r\n"
    # A portable pixmap header that names a size too large to decode: the
    # decoder gives up after it has already reported the size.
    yield "oversized.pnm", b"P6\n30000 30000\n255\n"
    yield "large.png", LargePicture()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", default=os.path.join(here, "pictures"))
    arguments = parser.parse_args()
    os.makedirs(arguments.out_dir, exist_ok=True)
    for name, data in Pictures():
        path = os.path.join(arguments.out_dir, name)
        with open(path, "wb") as file:
            file.write(data)
        print(f"wrote {os.path.normpath(path)} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
