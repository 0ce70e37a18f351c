#!/usr/bin/python3
# Pillow's side of bench/ops_vs_pillow.sh: one round of each case with the
# same pictures and polygons; prints "case microseconds" lines.
#   ops_vs_pillow.py PICTURES... POLYGONS   (PICTURES as kind w h triples)
import sys
import time

from PIL import Image, ImageDraw

args = sys.argv[1:]
polygon_file = args.pop()


# Our operations work in place: the result replaces the picture, whose old
# pixels are released inside the timing.  Pillow's side does the same, the
# result taking the place of its source (`im = im.crop(...)`), so both
# sides pay for giving the old pixels back.
def timed(fn, picture):
    best = None
    for _ in range(5):
        held = [picture.copy()]
        start = time.perf_counter()
        held[0] = fn(held[0])
        took = (time.perf_counter() - start) * 1e6
        best = took if best is None else min(best, took)
    return int(best)


def thumbnail(im):
    im.thumbnail((256, 256))
    return im


def crop(im, box):
    kept = im.crop(box)
    kept.load()
    return kept


for i in range(0, len(args), 3):
    kind, w, h = args[i], int(args[i + 1]), int(args[i + 2])
    picture = Image.frombytes("RGBA", (w, h), open(kind + ".rgba", "rb").read())
    print("crop-%s %d" % (kind, timed(lambda im: crop(im, (100, 80, 100 + w // 2, 80 + h // 2)), picture)))
    print("flip-%s %d" % (kind, timed(lambda im: im.transpose(Image.Transpose.FLIP_LEFT_RIGHT), picture)))
    print("turn90-%s %d" % (kind, timed(lambda im: im.transpose(Image.Transpose.ROTATE_270), picture)))
    print("thumbnail-%s %d" % (kind, timed(thumbnail, picture)))
    canvas = Image.new("RGBA", (w, h), (40, 90, 160, 255))
    print("over-%s %d" % (kind, timed(lambda im: Image.alpha_composite(im, picture), canvas)))

polygons = []
for line in open(polygon_file):
    v = list(map(int, line.split()))
    polygons.append(list(zip(v[0::2], v[1::2])))
canvas = Image.new("RGBA", (1024, 1024), (0, 0, 0, 255))
draw = ImageDraw.Draw(canvas)
ink = (200, 60, 30, 255)
start = time.perf_counter()
for p in polygons:
    draw.polygon(p, fill=ink)
print("polygon10k %d" % ((time.perf_counter() - start) * 1e6))
