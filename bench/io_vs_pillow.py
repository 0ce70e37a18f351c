"""Pillow's half of bench/io_vs_pillow.sh: one round of the same loads and
saves of one picture, each step timed in this process in CPU time, printed
as "pillow case milliseconds" lines.
   /usr/bin/python3 bench/io_vs_pillow.py DATADIR KIND"""
import os
import sys

from pillow_steps import load, step as timed_step

data, kind = sys.argv[1], sys.argv[2]
src = os.path.join(data, kind)
out = os.path.join(data, "out-%s.pillow" % kind)


def step(name, work):
    timed_step(name, kind, work)


step("ppm_load", lambda: load(src + ".ppm"))
picture = load(src + ".ppm")
step("ppm_save", lambda: picture.save(out + ".ppm", "PPM"))
step("png_save", lambda: picture.save(out + ".png", "PNG"))
step("jpeg_save", lambda: picture.save(out + ".jpg", "JPEG", quality=75))
step("png_load", lambda: load(src + ".png"))
step("jpeg_load", lambda: load(src + ".jpg"))
