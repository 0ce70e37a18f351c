#!/usr/bin/env bash
# Drawing primitives side by side in one run: tavrel (through the tavrel
# command in tclsh) and Pillow's ImageDraw (Debian's /usr/bin/python3), the
# same shapes on a 1024 x 1024 RGBA canvas with opaque ink, best of ROUNDS.
# Prints microseconds per primitive, tavrel / Pillow and the spread of our
# rounds.  Antialiased lines
# are compared with Pillow's plain lines of the same width: Pillow has none.
#   bench/draw_vs_pillow.sh [BUILDDIR] [ROUNDS]    (default build, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-5}
[ -f "$build/pkgIndex.tcl" ] || { echo "no tavrel build in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 2000 random segments (x0 y0 x1 y1) inside the canvas, shared by both sides.
/usr/bin/python3 -c '
import random
random.seed(1234)
for _ in range(2000):
    print(*(random.randrange(1024) for _ in range(4)))' > "$work/shapes"

# Interleaved round by round (ours, Pillow, ours, Pillow ...), so a machine
# loaded by others slows both alike; each process keeps its best of two
# passes, the first warming up.
for r in $(seq "$rounds"); do
  tclsh bench/draw_vs_pillow.tcl "$build" "$work/shapes" 2 >> "$work/tavrel"
  /usr/bin/python3 bench/draw_vs_pillow.py "$work/shapes" 2 >> "$work/pillow"
done

printf '%-34s %12s %12s %9s %8s\n' primitive "tavrel us" "Pillow us" ratio spread
awk 'NR == FNR { if (!($1 in p) || $2 < p[$1]) p[$1] = $2; next }
     { if (!($1 in b) || $2 < b[$1]) b[$1] = $2; if ($2 > hi[$1]) hi[$1] = $2
       if (!($1 in seen)) { seen[$1] = 1; names[n++] = $1 } }
     END { for (i = 0; i < n; i++) { k = names[i]; print k, b[k], p[k], 100 * (hi[k] - b[k]) / b[k] } }' \
  "$work/pillow" "$work/tavrel" |
while read -r name ours theirs spread; do
  case $name in
    circle50) label="filled circles r=50" ;;
    aaline1) label="AA lines width 1 (Pillow plain)" ;;
    line1) label="1-px lines" ;;
    rect256) label="filled rectangles 256x256" ;;
    rect16) label="filled rectangles 16x16" ;;
    aaline5) label="AA lines width 5 (Pillow plain)" ;;
    oval50) label="outlined ovals r=50" ;;
  esac
  printf '%-34s %12s %12s %9s %7.0f%%\n' "$label" "$ours" "$theirs" "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')" "$spread"
done
