#!/usr/bin/env bash
# Drawing primitives side by side in one run: tavrel (through the tavrel
# command in tclsh) and Pillow's ImageDraw (Debian's /usr/bin/python3), the
# same shapes on a 1024 x 1024 RGBA canvas with opaque ink, interleaved
# round by round (ours, Pillow, ours, Pillow...), best of ROUNDS.
# Prints microseconds per primitive and tavrel / Pillow.  Antialiased lines
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

for ((round = 0; round < rounds; round++)); do
  tclsh bench/draw_vs_pillow.tcl "$build" "$work/shapes" 1 >> "$work/tavrel-rounds"
  /usr/bin/python3 bench/draw_vs_pillow.py "$work/shapes" 1 >> "$work/pillow-rounds"
done
# The best round of each primitive, in the order the scripts print them.
best() { awk '!($1 in b) { order[++n] = $1; b[$1] = $2 } $2 + 0 < b[$1] + 0 { b[$1] = $2 }
              END { for (i = 1; i <= n; i++) print order[i], b[order[i]] }' "$1"; }
best "$work/tavrel-rounds" > "$work/tavrel"
best "$work/pillow-rounds" > "$work/pillow"

printf '%-34s %12s %12s %9s\n' primitive "tavrel us" "Pillow us" ratio
awk 'NR == FNR { pillow[$1] = $2; next } { print $1, $2, pillow[$1] }' "$work/pillow" "$work/tavrel" |
while read -r name ours theirs; do
  case $name in
    circle50) label="filled circles r=50" ;;
    aaline1) label="AA lines width 1 (Pillow plain)" ;;
    line1) label="1-px lines" ;;
    rect256) label="filled rectangles 256x256" ;;
    rect16) label="filled rectangles 16x16" ;;
    aaline5) label="AA lines width 5 (Pillow plain)" ;;
    oval50) label="outlined ovals r=50" ;;
  esac
  printf '%-34s %12s %12s %9s\n' "$label" "$ours" "$theirs" "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')"
done
