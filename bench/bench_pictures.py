"""The four kinds of picture the side-by-side benchmarks time, as PPM files.

    /usr/bin/python3 bench/bench_pictures.py OUTDIR [WIDTH HEIGHT] [KIND...]

Kinds: photo (smooth light under sensor grain, as a camera gives it),
smooth (a blurred plasma over a gradient, as a renderer gives it: no
grain), flat (a drawing in a few colours, hard edges), text (a screenshot
of text on a light background with a few coloured bars).  Seeded, so every
run writes the same bytes.  Pillow only: no numpy on these machines.
"""
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont


def plasma(w, h, cells, seed):
    """Three channels of low-resolution noise blown up bicubically."""
    random.seed(seed)
    small = Image.new("RGB", (cells, cells * h // w + 1))
    small.putdata([tuple(random.randint(0, 255) for _ in range(3))
                   for _ in range(small.width * small.height)])
    return small.resize((w, h), Image.BICUBIC)


def photo(w, h):
    base = plasma(w, h, 24, 3).filter(ImageFilter.GaussianBlur(6))
    grain = Image.merge("RGB", [Image.effect_noise((w, h), 9) for _ in range(3)])
    return ImageChops.add(base, grain, 1.0, -128)


def smooth(w, h):
    light = Image.merge("RGB", [Image.linear_gradient("L").resize((w, h), Image.BICUBIC)] * 3)
    return Image.blend(plasma(w, h, 12, 5).filter(ImageFilter.GaussianBlur(30)), light, 0.3)


def flat(w, h):
    random.seed(11)
    colours = [(255, 255, 255), (230, 57, 70), (29, 53, 87), (69, 123, 157), (241, 250, 238),
               (252, 191, 73), (42, 157, 143), (0, 0, 0)]
    im = Image.new("RGB", (w, h), colours[0])
    draw = ImageDraw.Draw(im)
    for _ in range(300):
        x, y = random.randrange(w), random.randrange(h)
        sx, sy = random.randint(40, w // 6), random.randint(40, h // 6)
        fill = random.choice(colours[1:])
        shape = random.randrange(3)
        if shape == 0:
            draw.rectangle((x, y, x + sx, y + sy), fill=fill)
        elif shape == 1:
            draw.ellipse((x, y, x + sx, y + sy), fill=fill)
        else:
            draw.polygon([(x, y), (x + sx, y + sy // 3), (x + sx // 2, y + sy)], fill=fill)
    for _ in range(200):
        draw.line([(random.randrange(w), random.randrange(h)) for _ in range(2)],
                  fill=random.choice(colours[1:]), width=random.randint(1, 8))
    return im


def text(w, h):
    random.seed(13)
    im = Image.new("RGB", (w, h), (250, 250, 250))
    draw = ImageDraw.Draw(im)
    try:
        font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 15)
    except OSError:
        font = ImageFont.load_default()
    words = ("the quick brown fox jumps over lazy dog image palette colour row filter "
             "deflate window button menu file edit view help save open").split()
    draw.rectangle((0, 0, w, 40), fill=(45, 52, 64))
    for column in range(0, w, w // 3):
        draw.rectangle((column, 40, column + 2, h), fill=(200, 200, 200))
        for y in range(60, h, 20):
            line = " ".join(random.choice(words) for _ in range(random.randint(3, 16)))
            colour = (20, 20, 20) if random.random() < 0.9 else (30, 80, 200)
            draw.text((column + 12, y), line, font=font, fill=colour)
    return im


KINDS = {"photo": photo, "smooth": smooth, "flat": flat, "text": text}


def main():
    out = sys.argv[1]
    args = sys.argv[2:]
    w, h = 4000, 3000
    if len(args) >= 2 and args[0].isdigit():
        w, h, args = int(args[0]), int(args[1]), args[2:]
    os.makedirs(out, exist_ok=True)
    for kind in args or KINDS:
        KINDS[kind](w, h).save(os.path.join(out, kind + ".ppm"))


main()
