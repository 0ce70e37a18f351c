#!/usr/bin/env bash
# Palette saves side by side: a true-colour picture saved as PCX (through
# the 256-colour median-cut palette and Floyd-Steinberg) and as GIF (254
# colours plus the transparent grey) by tavrel, against Pillow's
# `quantize(256)` / `quantize(254)` followed by its save, and against
# another build of ours (BASEBUILD, optional).  The sides run round by round,
# interleaved (ours, Pillow, base, ours, Pillow, base ...), so a machine
# loaded by others slows all alike; each measures the CPU time of its saves
# in-process.  Pictures: a noisy photo, a smooth render, a flat drawing and a
# text screenshot (bench/bench_pictures.py), 4000 x 3000 by default.
# Prints per case the best milliseconds of each side, the spread of its
# rounds (slowest / best - 1) and ours / Pillow, ours / base.
#   bench/palette_vs_pillow.sh [BUILDDIR] [BASEBUILD] [ROUNDS] [WIDTH HEIGHT]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
base=${2:+$(realpath "$2")}
rounds=${3:-3}
width=${4:-4000}
height=${5:-3000}
[ -f "$build/pkgIndex.tcl" ] || { echo "no tavrel build in $build" >&2; exit 1; }
here=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kinds="photo smooth flat text"
/usr/bin/python3 bench/bench_pictures.py "$work" "$width" "$height" $kinds

for ((r = 0; r < rounds; r++)); do
  tclsh bench/palette_vs_pillow.tcl "$build" "$work" ours $kinds >> "$work/ours"
  /usr/bin/python3 bench/palette_vs_pillow.py "$work" $kinds >> "$work/pillow"
  if [ -n "$base" ]; then
    tclsh bench/palette_vs_pillow.tcl "$base" "$work" base $kinds >> "$work/base"
  fi
done
[ -n "$base" ] || : > "$work/base"

printf 'CPU ms, best of %s rounds, %sx%s (spread = slowest / best - 1)\n' "$rounds" "$width" "$height"
printf '%-12s %8s %7s %9s %7s %9s %8s %7s %9s\n' case ours spread Pillow spread ours/Pil base spread ours/base
# Each file gives "case ms" lines; the best and the slowest of each case.
awk 'FILENAME ~ /ours$/ { side = 0 } FILENAME ~ /pillow$/ { side = 1 } FILENAME ~ /base$/ { side = 2 }
     { k = side SUBSEP $1
       if (!(k in best) || $2 < best[k]) best[k] = $2
       if (!(k in slow) || $2 > slow[k]) slow[k] = $2
       if (side == 0 && !($1 in seen)) { seen[$1] = 1; names[n++] = $1 } }
     function cell(s, c) { k = s SUBSEP c; return (k in best) ? sprintf("%8d %6.0f%%", best[k], best[k] ? 100 * (slow[k] - best[k]) / best[k] : 0) : sprintf("%8s %7s", "-", "-") }
     function ratio(s, c) { k = s SUBSEP c; return (k in best) && best[k] ? sprintf("%9.2f", best[0 SUBSEP c] / best[k]) : sprintf("%9s", "-") }
     END { for (i = 0; i < n; i++) { c = names[i]
             printf "%-12s %s %s %s %s %s\n", c, cell(0, c), cell(1, c), ratio(1, c), cell(2, c), ratio(2, c) } }' \
  "$work/ours" "$work/pillow" "$work/base"
