#!/usr/bin/python3
# Pillow's side of bench/draw_vs_pillow.sh: the same primitives on a
# 1024 x 1024 RGBA canvas with Pillow's ImageDraw, opaque ink, best of
# ROUNDS in CPU time; prints "name microseconds-per-primitive" lines.
#   draw_vs_pillow.py SHAPES ROUNDS
import sys
import time

from PIL import Image, ImageDraw

shapes = [tuple(map(int, line.split())) for line in open(sys.argv[1])]
rounds = int(sys.argv[2])
ink = (200, 60, 30, 255)
canvas = Image.new("RGBA", (1024, 1024), (0, 0, 0, 255))
draw = ImageDraw.Draw(canvas)


def circle(s):
    draw.ellipse((s[0] - 50, s[1] - 50, s[0] + 50, s[1] + 50), fill=ink)


def oval(s):
    draw.ellipse((s[0] - 50, s[1] - 50, s[0] + 50, s[1] + 50), outline=ink)


def line1(s):
    draw.line(s, fill=ink, width=1)


def line5(s):
    draw.line(s, fill=ink, width=5)


def rect(side):
    def run(s):
        draw.rectangle((s[0] - side // 2, s[1] - side // 2, s[0] - side // 2 + side - 1,
                        s[1] - side // 2 + side - 1), fill=ink)
    return run


work = [("circle50", circle), ("aaline1", line1), ("line1", line1), ("rect256", rect(256)),
        ("rect16", rect(16)), ("aaline5", line5), ("oval50", oval)]
for name, fn in work:
    best = None
    for _ in range(rounds):
        start = time.process_time()
        for s in shapes:
            fn(s)
        took = (time.process_time() - start) / len(shapes) * 1e6
        best = took if best is None else min(best, took)
    print(name, "%.3f" % best)
