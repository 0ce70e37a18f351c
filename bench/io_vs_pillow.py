"""The Pillow half of bench/io_vs_pillow.sh: the same loads and saves, printed
as "name milliseconds" (best CPU time of the rounds) and "size:name bytes".
   /usr/bin/python3 bench/io_vs_pillow.py DATADIR ROUNDS"""
import os
import sys
import time

from PIL import Image

data, rounds = sys.argv[1], int(sys.argv[2])
photo = os.path.join(data, "photo")
out = os.path.join(data, "pil")


def best(name, work):
    start = time.perf_counter()
    work()
    repeat = max(1, int(0.3 / max(time.perf_counter() - start, 1e-6)))
    times = []
    for _ in range(rounds):
        start = time.process_time()
        for _ in range(repeat):
            work()
        times.append((time.process_time() - start) * 1000 / repeat)
    print("%s %.1f" % (name, min(times)))


def load(path):
    with Image.open(path) as im:
        im.load()
        return im.copy()


rgba = load(photo + ".png").convert("RGBA")
best("pillow_png_load", lambda: load(photo + ".png"))
best("pillow_png_save", lambda: rgba.save(out + ".png", "PNG"))
print("size:pillow_png_photo %d" % os.path.getsize(out + ".png"))
best("pillow_jpeg_load", lambda: load(photo + ".jpg"))
rgb = rgba.convert("RGB")
best("pillow_jpeg_save", lambda: rgb.save(out + ".jpg", "JPEG", quality=75))
best("pillow_ppm_load", lambda: load(photo + ".ppm"))
best("pillow_ppm_save", lambda: rgb.save(out + ".ppm", "PPM"))
