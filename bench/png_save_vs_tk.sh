#!/usr/bin/env bash
# PNG save of four 4000x3000 pictures (noisy photo, smooth render, flat
# drawing, text screenshot): `tavrel save -format png` in a plain tclsh
# beside Tk's own writer (`$photo write f.png -format png` in a tclsh with
# Tk and no tavrel), interleaved round by round (ours, Tk, ours, Tk...).
# Each process loads the picture and times the save alone, in CPU time of
# the process (bench/cpu_time.tcl: other load on a shared machine does not
# count) and in wall time.  Prints per kind the best CPU time
# of each side, its spread (slowest over best), the best wall time, the
# file sizes and the ratios; every file is checked against the source.
#   bench/png_save_vs_tk.sh [BUILDDIR] [ROUNDS] [WIDTH HEIGHT]
# Needs a display for Tk: without DISPLAY it runs itself under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
build=$(realpath "${1:-build}")
rounds=${2:-5}
width=${3:-4000}
height=${4:-3000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PY=/usr/bin/python3
kinds="photo smooth flat text"
cpu_time=$(realpath bench/cpu_time.tcl)

$PY bench/bench_pictures.py "$work" "$width" "$height" $kinds

# Both print "CPU-ms wall-ms" of the save alone.
cat > "$work/ours.tcl" <<EOF
lassign \$argv source target
lappend auto_path $build
source $cpu_time
package require tavrel
set img [tavrel create]
tavrel load \$img -file \$source
set c0 [cpu_ms]; set t0 [clock microseconds]
tavrel save \$img -file \$target -format png
puts "[expr {[cpu_ms] - \$c0}] [expr {([clock microseconds] - \$t0) / 1000.0}]"
EOF

cat > "$work/tk.tcl" <<EOF
lassign \$argv source target
lappend auto_path $build
source $cpu_time
package require Tk
wm withdraw .
set p [image create photo -file \$source]
set c0 [cpu_ms]; set t0 [clock microseconds]
\$p write \$target -format png
puts "[expr {[cpu_ms] - \$c0}] [expr {([clock microseconds] - \$t0) / 1000.0}]"
exit
EOF

declare -A cpu wall
for ((round = 0; round < rounds; round++)); do
  for kind in $kinds; do
    read -r c w < <(tclsh "$work/ours.tcl" "$work/$kind.ppm" "$work/$kind.ours.png")
    cpu[ours_$kind]+="$c "; wall[ours_$kind]+="$w "
    read -r c w < <(tclsh "$work/tk.tcl" "$work/$kind.ppm" "$work/$kind.tk.png")
    cpu[tk_$kind]+="$c "; wall[tk_$kind]+="$w "
  done
done

# Both writers must give back the source's pixels.
$PY - "$work" $kinds <<'PY'
import sys
from PIL import Image
work, kinds = sys.argv[1], sys.argv[2:]
for kind in kinds:
    src = Image.open(f"{work}/{kind}.ppm").convert("RGB").tobytes()
    for side in ("ours", "tk"):
        got = Image.open(f"{work}/{kind}.{side}.png").convert("RGB").tobytes()
        if got != src:
            sys.exit(f"{kind}: the {side} PNG does not hold the source's pixels")
PY

printf '%sx%s, %s rounds: best CPU ms (spread = slowest/best - 1), best wall ms\n' "$width" "$height" "$rounds"
printf '%-7s %7s %6s %7s %7s %6s %7s %6s %11s %11s %6s\n' kind ours spread wall Tk spread wall time "ours bytes" "Tk bytes" size
for kind in $kinds; do
  awk -v kind="$kind" -v o="${cpu[ours_$kind]}" -v t="${cpu[tk_$kind]}" -v ow="${wall[ours_$kind]}" \
      -v tw="${wall[tk_$kind]}" -v os="$(stat -c %s "$work/$kind.ours.png")" -v ts="$(stat -c %s "$work/$kind.tk.png")" '
    function best(list, a, n, i, b) { n = split(list, a, " "); b = a[1] + 0; for (i = 2; i <= n; i++) if (a[i] + 0 < b) b = a[i] + 0; return b }
    function worst(list, a, n, i, w) { n = split(list, a, " "); w = a[1] + 0; for (i = 2; i <= n; i++) if (a[i] + 0 > w) w = a[i] + 0; return w }
    BEGIN {
      ob = best(o); tb = best(t)
      printf "%-7s %7d %5.0f%% %7.0f %7d %5.0f%% %7.0f %6.2f %11d %11d %6.3f\n", kind, ob, 100 * (worst(o) / ob - 1),
             best(ow), tb, 100 * (worst(t) / tb - 1), best(tw), ob / tb, os, ts, os / ts
      if (ENVIRON["BENCH_SUMMARY"] != "")
        printf "png_save_tk-%s tk ms %.4g %.3f %.4g %.3f %.3f\n", kind, ob, worst(o) / ob - 1, tb, worst(t) / tb - 1,
               ob / tb >> ENVIRON["BENCH_SUMMARY"]
    }'
done
echo "time (CPU) and size: ours over Tk; at or below 1 is as fast / as small"
