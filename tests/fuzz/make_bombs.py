#!/usr/bin/env python3
"""Writes the two JPEG bombs into tests/fuzz/corpus/jpeg/: a baseline and a
progressive file, each a few bytes of scan data under a 30000 x 30000 frame.
Decoders without a bound take gigabytes for them; ours refuse them at once."""
import os
import struct
import sys

here = os.path.dirname(os.path.abspath(__file__))
out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus", "jpeg")


def segment(code, body):
    return b"\xff" + bytes([code]) + struct.pack(">H", len(body) + 2) + body


def jpeg(sof_code, scan):
    dqt = segment(0xDB, b"\x00" + bytes([1] * 64))
    sof = segment(sof_code, b"\x08" + struct.pack(">HH", 30000, 30000) + b"\x01\x01\x11\x00")
    # One code of length 1 in each table: category 0 for DC, EOB for AC.
    counts = b"\x01" + b"\x00" * 15
    dht = segment(0xC4, b"\x00" + counts + b"\x00" + b"\x10" + counts + b"\x00")
    return b"\xff\xd8" + dqt + sof + dht + scan


baseline = jpeg(0xC0, segment(0xDA, b"\x01\x01\x00\x00\x3f\x00") + b"\x00" * 64)
progressive = jpeg(0xC2, segment(0xDA, b"\x01\x01\x00\x00\x00\x00") + b"\x00" * 52)
os.makedirs(out, exist_ok=True)
for name, data in (("bomb_baseline.jpg", baseline), ("bomb_progressive.jpg", progressive)):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
    print(name, len(data), "bytes")
