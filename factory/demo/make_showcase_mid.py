#!/usr/bin/env python3
"""Writes showcase.mid, the piece `make demo` plays: seven two-bar sections at
120 BPM, each on another Showcase patch chosen by a MIDI program change.

Program numbers count the patches of the Showcase bank in the order the
plug-in lists them (category folders, then patches, each sorted without
regard to case), so this script reads factory/Showcase to find them. Run it
again after adding or renaming patches:  python3 factory/demo/make_showcase_mid.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BANK = os.path.join(HERE, '..', 'Showcase')
PPQ = 480
BAR = 4 * PPQ


def listing_key(name):
    return (name.lower(), name)


def programs():
    names = []
    for category in sorted(os.listdir(BANK), key=listing_key):
        folder = os.path.join(BANK, category)
        if not os.path.isdir(folder):
            continue
        names += [f[:-4] for f in sorted(os.listdir(folder), key=listing_key) if f.endswith('.txt')]
    return names


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def main():
    order = programs()
    C, D, E, F, G, A, B = 60, 62, 64, 65, 67, 69, 71
    # (patch, notes as (start tick in the section, length in ticks, key, velocity))
    q, e, s = PPQ, PPQ // 2, PPQ // 4
    sections = [
        ('LD Cyborg T800 QV', [(0, e, C, 100), (e, e, E, 96), (q, e, G, 100), (q + e, e + q, B, 110),
                               (3 * q, e, A, 96), (3 * q + e, e, G, 90), (BAR, q + e, E, 104),
                               (BAR + q + e, e, D, 90), (BAR + 2 * q, 2 * q - s, C, 100)]),
        ('PD Warm Blanket LP', [(0, BAR - s, n, 90) for n in (48, 55, 64, 71)] +
                               [(BAR, BAR - e, n, 90) for n in (45, 52, 60, 69)]),
        ('SQ Berlin Motor QV', [(0, 2 * BAR - e, n, 100) for n in (48, 55, 60)]),
        ('BS Rubber Floor QV', [(i * e, e - 40, k, 110 if i % 2 == 0 else 90)
                                for i, k in enumerate([36, 36, 48, 36, 39, 36, 43, 46] * 2)]),
        ('BR Gold Section QV', [(0, q + e, n, 110) for n in (53, 57, 60, 65)] +
                               [(2 * q, q, n, 100) for n in (55, 59, 62, 67)] +
                               [(BAR, 2 * BAR // 2 - e, n, 115) for n in (52, 55, 60, 64)]),
        ('GT Trance Gate QV', [(0, BAR, n, 100) for n in (57, 60, 64)] +
                              [(BAR, BAR - e, n, 100) for n in (53, 57, 60)]),
        ('KP Harp Wire NO', [(i * e, q, k, 95) for i, k in enumerate([48, 55, 60, 64, 67, 72, 76, 79,
                                                                        77, 74, 72, 67, 65, 62, 60, 55])]),
    ]
    events = [(0, bytes([0xFF, 0x51, 0x03]) + (500000).to_bytes(3, 'big'))]  # 120 BPM
    start = 0
    for patch, notes in sections:
        events.append((start, bytes([0xC0, order.index(patch)])))
        for at, length, key, velocity in notes:
            events.append((start + at + 1, bytes([0x90, key, velocity])))
            events.append((start + at + length, bytes([0x80, key, 0])))
        start += 2 * BAR
    # Note-offs sort before note-ons and program changes at the same tick.
    events.sort(key=lambda ev: (ev[0], 0 if ev[1][0] == 0x80 else 1))
    track, now = b'', 0
    for tick, data in events:
        track += var_len(tick - now) + data
        now = tick
    track += var_len(0) + b'\xFF\x2F\x00'
    with open(os.path.join(HERE, 'showcase.mid'), 'wb') as f:
        f.write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, PPQ))
        f.write(b'MTrk' + struct.pack('>I', len(track)) + track)


if __name__ == '__main__':
    main()
