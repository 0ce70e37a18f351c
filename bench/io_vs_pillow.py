"""Pillow's half of bench/io_vs_pillow.sh: one round of the same loads and
saves of one picture, each step timed in this process in CPU time, printed
as "pillow case milliseconds" lines.
   /usr/bin/python3 bench/io_vs_pillow.py DATADIR KIND"""
import os
import sys
import time

from PIL import Image

data, kind = sys.argv[1], sys.argv[2]
src = os.path.join(data, kind)
out = os.path.join(data, "out-%s.pillow" % kind)


def step(name, work):
    """Steps shorter than 50 ms are repeated until they add up to that."""
    runs = 0
    start = time.process_time()
    while True:
        work()
        runs += 1
        spent = time.process_time() - start
        if spent >= 0.05:
            break
    print("pillow %s-%s %.3f" % (name, kind, spent * 1000 / runs))


def load(path):
    with Image.open(path) as im:
        im.load()
        return im


step("ppm_load", lambda: load(src + ".ppm"))
picture = load(src + ".ppm")
step("ppm_save", lambda: picture.save(out + ".ppm", "PPM"))
step("png_save", lambda: picture.save(out + ".png", "PNG"))
step("jpeg_save", lambda: picture.save(out + ".jpg", "JPEG", quality=75))
step("png_load", lambda: load(src + ".png"))
step("jpeg_load", lambda: load(src + ".jpg"))
