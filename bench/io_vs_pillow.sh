#!/usr/bin/env bash
# File loads and saves per format (PNG, JPEG, PPM) of 4000 x 3000 pictures
# of several kinds (bench/bench_pictures.py; default a noisy photo and a
# flat drawing): ours beside Pillow (/usr/bin/python3), Tk's own PNG and
# PPM drivers, and the bare libpng/libjpeg decode into RGBA
# (bench/bare_decode).  Round by round, interleaved: in every round and for
# every picture each contender runs once in a process of its own (ours,
# Pillow, Tk, bare), so a machine loaded by others slows all alike; each
# times its steps itself, in CPU time.  Every side loads the same files
# (written once by Pillow).  Prints the best of each, its spread and ours /
# peer, then the sizes of the PNG files each writer made.
#   bench/io_vs_pillow.sh [BUILDDIR] [ROUNDS] [KIND...]   (default build-bench, 5, photo flat)
# Needs a display for Tk: without DISPLAY it runs itself under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
build=${1:-build-bench}
rounds=${2:-5}
shift 2 || shift $#
kinds=${*:-photo flat}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tavrel bare_decode >/dev/null
bare=$build/bench/bare_decode
[ -x "$bare" ] || { echo "no $bare: configure $build with -DTAVREL_BENCH=ON" >&2; exit 1; }

# The pictures are kept in the build tree between runs: they are seeded.
data=$build/io-bench-data
mkdir -p "$data"
for kind in $kinds; do
  if [ ! -f "$data/$kind.jpg" ]; then
    /usr/bin/python3 bench/bench_pictures.py "$data" 4000 3000 "$kind"
    /usr/bin/python3 -c 'import sys; from PIL import Image
im = Image.open(sys.argv[1] + ".ppm"); im.save(sys.argv[1] + ".png"); im.save(sys.argv[1] + ".jpg", quality=90)' "$data/$kind"
  fi
done

samples=$(mktemp)
trap 'rm -f "$samples"' EXIT
for ((round = 0; round < rounds; round++)); do
  for kind in $kinds; do
    tclsh bench/io_vs_pillow.tcl ours "$build" "$data" "$kind" >> "$samples"
    /usr/bin/python3 bench/io_vs_pillow.py "$data" "$kind" >> "$samples"
    tclsh bench/io_vs_pillow.tcl tk "$build" "$data" "$kind" >> "$samples"
    echo "bare png_load-$kind $("$bare" png image "$data/$kind.png" 2)" >> "$samples"
    echo "bare jpeg_load-$kind $("$bare" jpeg image "$data/$kind.jpg" 2)" >> "$samples"
  done
done

echo "4000x3000, CPU ms; peers: Pillow, Tk's own drivers, the bare library decode into RGBA"
/usr/bin/python3 bench/rounds_table.py "$samples" ms ours pillow tk bare
printf '%-8s %12s %12s %12s %8s %8s\n' "PNG of" "ours bytes" "Pillow bytes" "Tk bytes" "/Pillow" "/Tk"
for kind in $kinds; do
  o=$(stat -c %s "$data/out-$kind.ours.png"); p=$(stat -c %s "$data/out-$kind.pillow.png"); t=$(stat -c %s "$data/out-$kind.tk.png")
  awk -v k="$kind" -v o="$o" -v p="$p" -v t="$t" 'BEGIN { printf "%-8s %12d %12d %12d %8.3f %8.3f\n", k, o, p, t, o / p, o / t }'
done
