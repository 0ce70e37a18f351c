#!/usr/bin/env bash
# Everyday operations side by side: ::tavrel::crop, flip, turn and
# thumbnail against Pillow's crop, transpose and thumbnail, and tavrel
# copy under over against Image.alpha_composite, on a noisy photo (every
# alpha) and a smooth render (opaque), 1600 x 1200 RGBA; tavrel polygon against
# ImageDraw.polygon on 10,000 random filled polygons.  The two contenders
# run round by round, interleaved (ours, Pillow, ours, Pillow ...), so a
# machine loaded by others slows both alike; prints per case the best
# microseconds of each, tavrel / Pillow, and the spread of our rounds.
#   bench/ops_vs_pillow.sh [BUILDDIR] [ROUNDS]    (default build, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
rounds=${2:-5}
[ -f "$build/pkgIndex.tcl" ] || { echo "no tavrel build in $build" >&2; exit 1; }
here=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
pictures="noisy 1600 1200 smooth 1600 1200"
/usr/bin/python3 - <<'PY'
import random
import math
random.seed(99)
w, h = 1600, 1200
open("noisy.rgba", "wb").write(random.randbytes(w * h * 4))
row = bytearray()
out = bytearray()
for y in range(h):
    for x in range(w):
        out += bytes((x * 255 // w, y * 255 // h, int(127 + 127 * math.sin((x + y) / 90)), 255))
open("smooth.rgba", "wb").write(bytes(out))
# 10,000 polygons of 3 to 8 points, each within a 200-pixel box somewhere
# on (and partly off) the canvas.
with open("polygons", "w") as f:
    for _ in range(10000):
        cx, cy = random.randrange(-100, 1124), random.randrange(-100, 1124)
        n = random.randrange(3, 9)
        print(*[v for _ in range(n) for v in (cx + random.randrange(-100, 100), cy + random.randrange(-100, 100))], file=f)
PY
for r in $(seq "$rounds"); do
  tclsh "$here/bench/ops_vs_pillow.tcl" "$build" "$pictures" polygons >> ours
  /usr/bin/python3 "$here/bench/ops_vs_pillow.py" $pictures polygons >> theirs
done
printf '%-20s %11s %11s %7s %9s\n' case "tavrel us" "Pillow us" ratio "spread"
awk 'NR == FNR { if (!($1 in p) || $2 < p[$1]) p[$1] = $2; next }
     { if (!($1 in b) || $2 < b[$1]) b[$1] = $2; if ($2 > hi[$1]) hi[$1] = $2; if (!($1 in order)) { order[$1] = n++; names[n - 1] = $1 } }
     END { for (i = 0; i < n; i++) { k = names[i]; printf "%-20s %11d %11d %7.2f %8.0f%%\n", k, b[k], p[k], b[k] / p[k], 100 * (hi[k] - b[k]) / b[k] } }' theirs ours
