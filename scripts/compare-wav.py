#!/usr/bin/env python3
"""Compares two 32-bit float stereo WAV files sample by sample.

Usage: compare-wav.py A.wav B.wav TOLERANCE
Prints the frame count, the largest difference and where it is; fails when the
lengths differ or any sample differs by more than TOLERANCE.
"""
import struct
import sys


def samples(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit(f"{path}: not a WAV file")
    pos, fmt, body = 12, None, None
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        if chunk == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", data, pos + 8)
        elif chunk == b"data":
            body = data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    if fmt is None or body is None:
        sys.exit(f"{path}: no fmt or data chunk")
    tag, channels, rate, _, _, bits = fmt
    if tag not in (3, 0xFFFE) or bits != 32:
        sys.exit(f"{path}: not 32-bit float samples")
    return channels, rate, struct.unpack(f"<{len(body) // 4}f", body)


def main():
    a_path, b_path, tolerance = sys.argv[1], sys.argv[2], float(sys.argv[3])
    ca, ra, a = samples(a_path)
    cb, rb, b = samples(b_path)
    if (ca, ra, len(a)) != (cb, rb, len(b)):
        sys.exit(f"different shapes: {ca} ch {ra} Hz {len(a)} samples vs {cb} ch {rb} Hz {len(b)} samples")
    worst, where = 0.0, 0
    for i, (x, y) in enumerate(zip(a, b)):
        d = abs(x - y)
        if d > worst:
            worst, where = d, i
    peak = max(abs(x) for x in a)
    print(f"  {len(a) // ca} frames, peak {peak:.3f}, largest difference {worst:.3g} "
          f"(frame {where // ca}, channel {where % ca})")
    if worst > tolerance:
        sys.exit(f"compare-wav: the renders differ by more than {tolerance}")


if __name__ == "__main__":
    main()
