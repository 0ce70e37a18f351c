#!/usr/bin/env bash
# GIF write (quantisation included) and read of a 1024x768 truecolour photo:
# tavrel beside Pillow (quantize(254), save as GIF; open and load) and Tk
# 8.6's own GIF reader, in one run.  Prints the best of several rounds, the
# ratios, and the PSNR of each quantised picture against the source.
#   bench/gif_vs_pillow.sh [BUILDDIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
rounds=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PY=/usr/bin/python3

# A photo-like source: smooth light, texture and fine noise.
$PY - "$work/photo.ppm" <<'PY'
import math, random, sys
from PIL import Image, ImageFilter
w, h = 1024, 768
random.seed(7)
im = Image.new("RGB", (w, h))
px = im.load()
for y in range(h):
    for x in range(w):
        r = 128 + 100 * math.sin(x / 97.0) * math.cos(y / 71.0)
        g = 100 + 80 * math.sin((x + y) / 53.0) + 40 * math.cos(x / 13.0)
        b = 90 + 120 * (y / h) + 30 * math.sin(x * y / 9000.0)
        n = random.randint(-12, 12)
        px[x, y] = tuple(max(0, min(255, int(v + n))) for v in (r, g, b))
im = im.filter(ImageFilter.GaussianBlur(0.7))
im.save(sys.argv[1])
PY

cat > "$work/ours.tcl" <<EOF
lappend auto_path $build
package require tavrel
set img [tavrel create]
tavrel load \$img -file $work/photo.ppm
set best_w 1e9; set best_r 1e9
for {set i 0} {\$i < $rounds} {incr i} {
    set t [time {tavrel save \$img -file $work/ours.gif -format gif}]
    set best_w [expr {min(\$best_w, [lindex \$t 0])}]
    set back [tavrel create]
    set t [time {tavrel load \$back -file $work/ours.gif -format gif}]
    set best_r [expr {min(\$best_r, [lindex \$t 0])}]
    tavrel delete \$back
}
puts "ours \$best_w \$best_r"
EOF
read -r _ ours_w ours_r < <(tclsh "$work/ours.tcl")

read -r _ pil_w pil_r < <($PY - "$work" "$rounds" <<'PY'
import sys, time
from PIL import Image
work, rounds = sys.argv[1], int(sys.argv[2])
src = Image.open(work + "/photo.ppm"); src.load()
bw = br = 1e9
for _ in range(rounds):
    t = time.perf_counter()
    src.quantize(254).save(work + "/pillow.gif")
    bw = min(bw, time.perf_counter() - t)
    t = time.perf_counter()
    with Image.open(work + "/pillow.gif") as im:
        im.load()
    br = min(br, time.perf_counter() - t)
print("pillow", bw * 1e6, br * 1e6)
PY
)

cat > "$work/tk.tcl" <<EOF
package require Tk
set best 1e9
for {set i 0} {\$i < $rounds} {incr i} {
    set t [time {set p [image create photo -file $work/ours.gif]}]
    set best [expr {min(\$best, [lindex \$t 0])}]
    image delete \$p
}
puts "tk \$best"
exit
EOF
tk_r=$(xvfb-run -a wish "$work/tk.tcl" 2>/dev/null | awk '/^tk/ {print $2}')

psnr=$($PY - "$work" <<'PY'
import math, sys
from PIL import Image
work = sys.argv[1]
src = Image.open(work + "/photo.ppm").convert("RGB").tobytes()
def psnr(path):
    got = Image.open(path).convert("RGB").tobytes()
    mse = sum((a - b) ** 2 for a, b in zip(src, got)) / len(src)
    return 10 * math.log10(255 * 255 / mse)
print("%.2f %.2f" % (psnr(work + "/ours.gif"), psnr(work + "/pillow.gif")))
PY
)
read -r psnr_ours psnr_pil <<<"$psnr"

awk -v ow="$ours_w" -v or="$ours_r" -v pw="$pil_w" -v pr="$pil_r" -v tr="$tk_r" \
    -v qo="$psnr_ours" -v qp="$psnr_pil" -v osz="$(stat -c %s "$work/ours.gif")" -v psz="$(stat -c %s "$work/pillow.gif")" 'BEGIN {
  printf "1024x768 truecolour photo, best of rounds (ms)\n"
  printf "  write GIF (quantise + encode): tavrel %8.1f  Pillow %8.1f  Pillow/tavrel %.2f\n", ow/1000, pw/1000, pw/ow
  printf "  read GIF:                      tavrel %8.1f  Pillow %8.1f  Pillow/tavrel %.2f\n", or/1000, pr/1000, pr/or
  if (tr != "") printf "  read GIF with Tk 8.6:                           Tk %8.1f  Tk/tavrel     %.2f\n", tr/1000, tr/or
  printf "  PSNR against the source: tavrel %s dB (%d bytes), Pillow %s dB (%d bytes)\n", qo, osz, qp, psz
}'
