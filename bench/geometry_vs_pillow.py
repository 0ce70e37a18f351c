# The Pillow counterparts of geometry_vs_pillow.tcl on the same picture,
# single thread, best CPU time of REPEATS.  Usage: python3 geometry_vs_pillow.py REPEATS PICTURE
import sys, time
from PIL import Image, ImageFilter

repeats = int(sys.argv[1])
w, h = 1920, 1080
src = Image.frombytes("RGBA", (w, h), open(sys.argv[2], "rb").read())

def best(fn):
    t = 1e9
    for _ in range(repeats):
        start = time.process_time()
        fn()
        t = min(t, time.process_time() - start)
    return t

for r in (1, 3, 10):
    print(f"blur{r} {best(lambda: src.filter(ImageFilter.GaussianBlur(r)))}")
for r in (1, 5, 50):
    print(f"median{r} {best(lambda: src.filter(ImageFilter.BoxBlur(r)))}")
print(f"half_nearest {best(lambda: src.resize((960, 540), Image.NEAREST))}")
print(f"double_nearest {best(lambda: src.resize((3840, 2160), Image.NEAREST))}")
print(f"half_box {best(lambda: src.resize((960, 540), Image.BOX))}")
print(f"double_box {best(lambda: src.resize((3840, 2160), Image.BOX))}")
print(f"rotate_q1 {best(lambda: src.rotate(30, Image.NEAREST, expand=True))}")
print(f"rotate_q2 {best(lambda: src.rotate(30, Image.BILINEAR, expand=True))}")
