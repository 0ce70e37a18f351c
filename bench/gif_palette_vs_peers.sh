#!/usr/bin/env bash
# GIF save through a 254-colour palette: the PSNR of our GIF against the
# source beside ImageMagick's (`convert in.ppm -colors 254 out.gif`) and
# Pillow's (`im.quantize(254)`), and the CPU time of `tavrel save -format
# gif` against another build of ours (BASEBUILD, e.g. the main branch's),
# interleaved round by round (ours, base, ours, base...), best and spread.
# Pictures: the showcase's sun over hills (scripts/demo/62-gif.tcl), and a
# grainy photo and a smooth render at 1024x768 (bench/bench_pictures.py).
#   bench/gif_palette_vs_peers.sh [BUILDDIR] [BASEBUILD] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
base=${2:+$(realpath "$2")}
rounds=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PY=/usr/bin/python3
cpu_time=$(realpath bench/cpu_time.tcl)
kinds="showcase photo smooth"

# The showcase page puts its source on the left half of palette-gif.png.
tclsh <<EOF
lappend auto_path $build
package require tavrel
set outdir $work
source scripts/demo/62-gif.tcl
EOF
$PY - "$work" <<'PY'
import sys
from PIL import Image
work = sys.argv[1]
both = Image.open(f"{work}/palette-gif.png").convert("RGB")
both.crop((0, 0, both.width // 2, both.height)).save(f"{work}/showcase.ppm")
PY
$PY bench/bench_pictures.py "$work" 1024 768 photo smooth

# Prints the CPU ms of one GIF save.
cat > "$work/save.tcl" <<EOF
lassign \$argv builddir source target
source $cpu_time
lappend auto_path \$builddir
package require tavrel
set img [tavrel create]
tavrel load \$img -file \$source
set c0 [cpu_ticks]
tavrel save \$img -file \$target -format gif
puts [expr {([cpu_ticks] - \$c0) * 10}]
EOF

declare -A cpu
for ((round = 0; round < rounds; round++)); do
  for kind in $kinds; do
    cpu[ours_$kind]+="$(tclsh "$work/save.tcl" "$build" "$work/$kind.ppm" "$work/$kind.ours.gif") "
    if [ -n "$base" ]; then
      cpu[base_$kind]+="$(tclsh "$work/save.tcl" "$base" "$work/$kind.ppm" "$work/$kind.base.gif") "
    fi
  done
done
for kind in $kinds; do
  convert "$work/$kind.ppm" -colors 254 "$work/$kind.im.gif"
  $PY -c "import sys; from PIL import Image; Image.open(sys.argv[1]).quantize(254).save(sys.argv[2])" \
      "$work/$kind.ppm" "$work/$kind.pillow.gif"
done

printf 'PSNR against the source (dB), and CPU ms of the GIF save, best of %s (spread = slowest/best - 1)\n' "$rounds"
printf '%-9s %7s %7s %7s %7s %7s %6s %7s %6s %6s\n' picture ours base IM Pillow "ours ms" spread "base ms" spread time
for kind in $kinds; do
  read -r p_ours p_base p_im p_pil < <($PY - "$work" "$kind" <<'PY'
import math, os, sys
from PIL import Image
work, kind = sys.argv[1], sys.argv[2]
src = Image.open(f"{work}/{kind}.ppm").convert("RGB").tobytes()
def psnr(side):
    path = f"{work}/{kind}.{side}.gif"
    if not os.path.exists(path):
        return "-"
    got = Image.open(path).convert("RGB").tobytes()
    mse = sum((a - b) ** 2 for a, b in zip(src, got)) / len(src)
    return "%.2f" % (10 * math.log10(255 * 255 / mse)) if mse else "inf"
print(*(psnr(side) for side in ("ours", "base", "im", "pillow")))
PY
)
  awk -v kind="$kind" -v o="${cpu[ours_$kind]}" -v b="${cpu[base_$kind]:-}" \
      -v po="$p_ours" -v pb="$p_base" -v pi="$p_im" -v pp="$p_pil" '
    function best(list, a, n, i, m) { n = split(list, a, " "); m = a[1] + 0; for (i = 2; i <= n; i++) if (a[i] + 0 < m) m = a[i] + 0; return m }
    function worst(list, a, n, i, m) { n = split(list, a, " "); m = a[1] + 0; for (i = 2; i <= n; i++) if (a[i] + 0 > m) m = a[i] + 0; return m }
    BEGIN {
      ob = best(o); printf "%-9s %7s %7s %7s %7s %7d %5.0f%%", kind, po, pb, pi, pp, ob, ob ? 100 * (worst(o) / ob - 1) : 0
      if (b != "") { bb = best(b); printf " %7d %5.0f%% %6.2f", bb, bb ? 100 * (worst(b) / bb - 1) : 0, bb ? ob / bb : 0 }
      printf "\n"
    }'
done
echo "time: ours over base (CPU; 10 ms ticks)"
