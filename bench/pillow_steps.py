"""What the Pillow halves of the file benchmarks share: a step timed in
this process in CPU time, printed as "pillow case-kind milliseconds", and a
load that decodes the whole file."""
import time

from PIL import Image


def step(name, kind, work):
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
