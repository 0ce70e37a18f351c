#!/usr/bin/env bash
# BMP (24-bit), PCX, SGI and GIF loads and saves of 4000 x 3000 pictures of
# several kinds (bench/bench_pictures.py; default a noisy photo and a flat
# drawing): ours beside Pillow, round by round, interleaved (ours, Pillow,
# ours, Pillow ...), each timing its steps itself in CPU time in a process
# of its own.  PCX and GIF saves quantise on both sides (Pillow:
# quantize(256) / quantize(254), then save); both sides load the same
# files, written once by Pillow: RGB BMP, three-plane PCX, SGI, a 254-colour
# GIF, and an 8-bit PCX (pcx8).  Prints the best of each, its spread, ours /
# Pillow, and the PSNR of both sides' quantised saves against the source.
#   bench/formats_vs_pillow.sh [BUILDDIR] [ROUNDS] [KIND...]   (default build-bench, 5, photo flat)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
rounds=${2:-5}
shift 2 || shift $#
kinds=${*:-photo flat}
[ -f "$build/pkgIndex.tcl" ] || { echo "no tavrel build in $build" >&2; exit 1; }
PY=/usr/bin/python3

data=$build/formats-bench-data
mkdir -p "$data"
for kind in $kinds; do
  if [ ! -f "$data/$kind-256.pcx" ]; then
    $PY bench/bench_pictures.py "$data" 4000 3000 "$kind"
    $PY - "$data/$kind" <<'PY'
import sys
from PIL import Image
path = sys.argv[1]
im = Image.open(path + ".ppm")
for fmt in ("bmp", "pcx", "sgi"):
    im.save(path + "." + fmt)
im.quantize(254).save(path + ".gif")
im.quantize(256).save(path + "-256.pcx")
PY
  fi
done

samples=$(mktemp)
trap 'rm -f "$samples"' EXIT
for ((round = 0; round < rounds; round++)); do
  for kind in $kinds; do
    tclsh bench/formats_vs_pillow.tcl "$build" "$data" "$kind" >> "$samples"
    $PY bench/formats_vs_pillow.py "$data" "$kind" >> "$samples"
  done
done

echo "4000x3000, CPU ms"
$PY bench/rounds_table.py "$samples" ms ours pillow
$PY - "$data" $kinds <<'PY'
import math, sys
from PIL import Image, ImageChops
data, kinds = sys.argv[1], sys.argv[2:]
def psnr(source, path):
    diff = ImageChops.difference(source, Image.open(path).convert("RGB"))
    squares = sum(n * (i % 256) ** 2 for i, n in enumerate(diff.histogram()))
    mse = squares / (3 * source.width * source.height)
    return "%.2f" % (10 * math.log10(255 * 255 / mse)) if mse else "inf"
print("PSNR of the quantised saves against the source (dB): ours / Pillow")
for kind in kinds:
    source = Image.open(f"{data}/{kind}.ppm").convert("RGB")
    print("  %-7s" % kind, "  ".join("%s %s / %s" % (fmt, psnr(source, f"{data}/out-{kind}.ours.{fmt}"),
                                                   psnr(source, f"{data}/out-{kind}.pillow.{fmt}"))
                                     for fmt in ("pcx", "gif")))
PY
