#!/usr/bin/env python3
"""Compares two screenshots of the editor in layout: the same size, and
pixels that agree everywhere except where text is drawn (cairo and GDI+
rasterise glyphs differently, and antialiased edges differ by a few levels).

Prints the mean absolute difference per channel and the share of pixels
whose largest channel difference exceeds TOLERANCE; fails when the sizes
differ or either figure is above its limit.

Usage: compare-png.py A.png B.png MAX_MEAN MAX_PERCENT_DIFFERING"""
import struct
import sys
import zlib

TOLERANCE = 48  # levels of 255: beyond an antialiasing difference


def read_png(path):
    """8-bit RGB or RGBA, not interlaced (what cairo and GDI+ write)."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"compare-png: {path} is not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit(f"compare-png: {path}: only 8-bit RGB(A) without interlace")
    bpp = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line) if bpp == 4 else bytes(v for x in range(width) for v in (*line[3 * x:3 * x + 3], 255)))
        previous = line
    return width, height, rows


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    a, b = read_png(sys.argv[1]), read_png(sys.argv[2])
    max_mean, max_percent = float(sys.argv[3]), float(sys.argv[4])
    if a[:2] != b[:2]:
        sys.exit(f"compare-png: sizes differ: {a[0]}x{a[1]} and {b[0]}x{b[1]}")
    width, height = a[:2]
    total = differing = 0
    for row_a, row_b in zip(a[2], b[2]):
        for x in range(width):
            d = [abs(row_a[4 * x + k] - row_b[4 * x + k]) for k in range(4)]
            total += sum(d)
            differing += max(d) > TOLERANCE
    mean = total / (width * height * 4)
    percent = 100 * differing / (width * height)
    print(f"  {width}x{height}: mean difference {mean:.2f} levels per channel, "
          f"{percent:.2f}% of pixels differ by more than {TOLERANCE}")
    if mean > max_mean or percent > max_percent:
        sys.exit(f"compare-png: more than {max_mean} levels or {max_percent}% apart")


main()
