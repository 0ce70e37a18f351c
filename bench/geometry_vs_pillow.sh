#!/usr/bin/env bash
# Geometry and filters against Pillow on two 1920x1080 RGBA pictures, a
# noisy photo and a smooth render (bench/bench_pictures.py).  The two
# contenders run round by round, interleaved (ours, Pillow, ours, Pillow
# ...), so a machine loaded by others slows both alike; prints per case and picture the best time of
# each (CPU time, each side timing itself), the spread of the rounds
# (slowest over best) and tavrel / Pillow (below 1: tavrel is faster).
# Usage: bench/geometry_vs_pillow.sh [BUILDDIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
builddir=$(cd "${1:-build}" && pwd)
rounds=${2:-3}
export OMP_NUM_THREADS=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The pictures as raw RGBA, as both sides take them.
/usr/bin/python3 bench/bench_pictures.py "$work" 1920 1080 photo smooth
for kind in photo smooth; do
  /usr/bin/python3 -c 'import sys; from PIL import Image
open(sys.argv[1] + ".rgba", "wb").write(Image.open(sys.argv[1] + ".ppm").convert("RGBA").tobytes())' "$work/$kind"
done
for r in $(seq "$rounds"); do
  for kind in photo smooth; do
    tclsh bench/geometry_vs_pillow.tcl "$builddir" 2 "$work/$kind.rgba" | sed "s/^/ours /; s/ /-$kind /2" >> "$work/samples"
    /usr/bin/python3 bench/geometry_vs_pillow.py 2 "$work/$kind.rgba" | sed "s/^/pillow /; s/ /-$kind /2" >> "$work/samples"
  done
done
echo "1920x1080 RGBA, CPU ms"
/usr/bin/python3 bench/rounds_table.py <(awk '{ printf "%s %s %.4f\n", $1, $2, $3 * 1000 }' "$work/samples") ms ours pillow
