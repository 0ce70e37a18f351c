"""Pillow's half of bench/formats_vs_pillow.sh: one round of the same loads
and saves of one picture, each step timed in this process in CPU time,
printed as "pillow case milliseconds".  PCX and GIF saves quantise first
(quantize(256), quantize(254)), as ours do.
   /usr/bin/python3 bench/formats_vs_pillow.py DATADIR KIND"""
import os
import sys

from PIL import Image

from pillow_steps import load, step as timed_step

data, kind = sys.argv[1], sys.argv[2]
src = os.path.join(data, kind)
out = os.path.join(data, "out-%s.pillow" % kind)


def step(name, work):
    timed_step(name, kind, work)


picture = Image.open(src + ".ppm")
picture.load()
saves = {
    "bmp": lambda: picture.save(out + ".bmp", "BMP"),
    "pcx": lambda: picture.quantize(256).save(out + ".pcx", "PCX"),
    "sgi": lambda: picture.save(out + ".sgi", "SGI"),
    "gif": lambda: picture.quantize(254).save(out + ".gif", "GIF"),
}
for fmt, save in saves.items():
    step(fmt + "_save", save)
    step(fmt + "_load", lambda: load("%s.%s" % (src, fmt)))
step("pcx8_load", lambda: load(src + "-256.pcx"))
