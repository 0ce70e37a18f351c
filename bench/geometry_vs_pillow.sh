#!/usr/bin/env bash
# Geometry and filters against Pillow on two 1920x1080 RGBA pictures, a
# noisy photo and a smooth render.  The two contenders run round by round,
# interleaved (ours, Pillow, ours, Pillow ...), so a machine loaded by
# others slows both alike; prints per case and picture the best time of
# each, tavrel / Pillow (below 1: tavrel is faster) and the spread of our
# rounds (slowest over best).
# Usage: bench/geometry_vs_pillow.sh [BUILDDIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
builddir=$(cd "${1:-build}" && pwd)
rounds=${2:-3}
export OMP_NUM_THREADS=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" <<'PY'
import math, random, sys
random.seed(1)
w, h = 1920, 1080
open(sys.argv[1] + "/noisy.rgba", "wb").write(random.randbytes(w * h * 4))
out = bytearray()
for y in range(h):
    for x in range(w):
        out += bytes((x * 255 // w, y * 255 // h, int(127 + 127 * math.sin((x + y) / 90)), 255))
open(sys.argv[1] + "/smooth.rgba", "wb").write(bytes(out))
PY
for r in $(seq "$rounds"); do
  for kind in noisy smooth; do
    tclsh bench/geometry_vs_pillow.tcl "$builddir" 2 "$work/$kind.rgba" | sed "s/^/$kind-/" >> "$work/ours"
    /usr/bin/python3 bench/geometry_vs_pillow.py 2 "$work/$kind.rgba" | sed "s/^/$kind-/" >> "$work/theirs"
  done
done
printf '%-22s %10s %10s %7s %8s\n' case "tavrel s" "Pillow s" ratio spread
awk 'NR == FNR { if (!($1 in p) || $2 < p[$1]) p[$1] = $2; next }
     { if (!($1 in b) || $2 < b[$1]) b[$1] = $2; if ($2 > hi[$1]) hi[$1] = $2
       if (!($1 in seen)) { seen[$1] = 1; names[n++] = $1 } }
     END { for (i = 0; i < n; i++) { k = names[i]
             printf "%-22s %10.4f %10.4f %7.2f %7.0f%%\n", k, b[k], p[k], b[k] / p[k], 100 * (hi[k] - b[k]) / b[k] } }' \
  "$work/theirs" "$work/ours"
