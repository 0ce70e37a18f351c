#!/usr/bin/env bash
# Drawing primitives side by side in one run: tavrel (through the tavrel
# command in tclsh) and Pillow's ImageDraw (Debian's /usr/bin/python3), the
# same shapes on a 1024 x 1024 RGBA canvas with opaque ink, best of ROUNDS,
# each side timing itself in CPU time.  Prints microseconds per primitive,
# the spread of each side's rounds and tavrel / Pillow.  Antialiased lines
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

/usr/bin/python3 bench/rounds_table.py <(sed 's/^/ours /' "$work/tavrel"; sed 's/^/pillow /' "$work/pillow") \
  "us/primitive" ours pillow \
  --label "circle50=filled circles r=50" --label "aaline1=AA lines width 1 (Pillow plain)" \
  --label "line1=1-px lines" --label "rect256=filled rectangles 256x256" \
  --label "rect16=filled rectangles 16x16" --label "aaline5=AA lines width 5 (Pillow plain)" \
  --label "oval50=outlined ovals r=50"
