#!/usr/bin/env bash
# Loads and saves a 4000 x 3000 photo as PNG and JPEG with tavrel, and in
# the same run times the bare libpng/libjpeg decode of the same files and
# Tk 8.6's own PNG reader; prints the times and the ratios.
#   bench/png_jpeg_compare.sh [BUILDDIR]   (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tavrel tavrel_bench bare_decode >/dev/null

# A photo-like picture: fractal clouds with sensor-like noise, written by
# netpbm as a plain (non-interlaced) PNG and a quality-90 JPEG.
data=$build/bench-data
mkdir -p "$data"
if [ ! -f "$data/photo.png" ] || [ ! -f "$data/photo.jpg" ]; then
  ppmforge -clouds -width 4000 -height 3000 -seed 7 2>/dev/null |
    pamaddnoise -type gaussian -sigma1 3 -seed 7 > "$data/photo.ppm"
  pnmtopng "$data/photo.ppm" > "$data/photo.png"
  pnmtojpeg --quality=90 "$data/photo.ppm" > "$data/photo.jpg"
  rm -f "$data/photo.ppm"
fi
export TAVREL_BENCH_PNG=$data/photo.png TAVREL_BENCH_JPEG=$data/photo.jpg

echo "== tavrel readers and writers (Google Benchmark, from and to memory)"
"$build/bench/tavrel_bench" --benchmark_filter='BM_(Read|Write)(PNG|JPG)' \
  --benchmark_out="$data/tavrel.csv" --benchmark_out_format=csv
# CPU time in ms (column 4): other load on the machine does not count.
ms() { awk -F, -v name="\"$1" 'index($1, name) == 1 { print $4 }' "$data/tavrel.csv"; }
read_png=$(ms BM_ReadPNG)
read_jpeg=$(ms BM_ReadJPG)

echo "== bare libraries, from memory (CPU ms)"
bare_png=$("$build/bench/bare_decode" png image "$data/photo.png" 5)
bare_jpeg=$("$build/bench/bare_decode" jpeg image "$data/photo.jpg" 10)
floor_png=$("$build/bench/bare_decode" png rows "$data/photo.png" 5)
floor_jpeg=$("$build/bench/bare_decode" jpeg rows "$data/photo.jpg" 10)
echo "libpng  into an RGBA image $bare_png, rows discarded $floor_png"
echo "libjpeg into an RGBA image $bare_jpeg, rows discarded $floor_jpeg"

echo "== Tk 8.6 and tavrel load, from the file (CPU ms)"
tk=$(xvfb-run -a tclsh bench/tk_png_read.tcl "$build" "$data/photo.png" "$data/photo.jpg" 5)
echo "$tk"
tk_png=$(awk '$1 == "tk_png" { print $2 }' <<<"$tk")
load_png=$(awk '$1 == "tavrel_png" { print $2 }' <<<"$tk")

echo "== ratios"
ratio() { awk -v a="$2" -v b="$3" -v what="$1" 'BEGIN { printf "%-44s %.2f\n", what, a / b }'; }
ratio "ReadPNG / libpng into an RGBA image" "$read_png" "$bare_png"
ratio "ReadPNG / libpng rows discarded" "$read_png" "$floor_png"
ratio "ReadJPG / libjpeg into an RGBA image" "$read_jpeg" "$bare_jpeg"
ratio "ReadJPG / libjpeg rows discarded" "$read_jpeg" "$floor_jpeg"
ratio "tavrel load -file / Tk image create (PNG)" "$load_png" "$tk_png"
