#!/usr/bin/python3
# Pillow's side of bench/palette_vs_pillow.sh: one round, each picture
# quantised by median cut with Floyd-Steinberg (256 colours for PCX, 254
# for GIF, as ours) and saved, the CPU time of each taken in this process;
# prints "format-kind milliseconds" lines.
#   palette_vs_pillow.py WORKDIR KIND...
import sys
import time

from PIL import Image

work, kinds = sys.argv[1], sys.argv[2:]
for kind in kinds:
    im = Image.open(f"{work}/{kind}.ppm")
    im.load()
    for fmt, colours in (("pcx", 256), ("gif", 254)):
        start = time.process_time()
        im.quantize(colours).save(f"{work}/{kind}.pillow.{fmt}", fmt.upper())
        print(f"{fmt}-{kind} {(time.process_time() - start) * 1000:.0f}")
