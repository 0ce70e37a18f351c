#!/usr/bin/env bash
# File I/O side by side in one run: tavrel, Pillow (/usr/bin/python3), Tk's
# own PNG and PPM readers and writers, and the bare libpng/libjpeg decode,
# on one 4000 x 3000 photo and one flat 4000 x 3000 drawing.  Prints the
# times (best CPU ms of the rounds) and the ratios.
#   bench/io_vs_pillow.sh [BUILDDIR] [ROUNDS]   (default build-bench, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
rounds=${2:-5}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tavrel bare_decode >/dev/null

data=$build/io-bench-data
mkdir -p "$data"
if [ ! -f "$data/photo.ppm" ]; then
  # A photo-like picture: fractal clouds with sensor-like noise.
  ppmforge -clouds -width 4000 -height 3000 -seed 7 2>/dev/null |
    pamaddnoise -type gaussian -sigma1 3 -seed 7 > "$data/photo.ppm"
  pnmtopng "$data/photo.ppm" > "$data/photo.png"
  pnmtojpeg --quality=90 "$data/photo.ppm" > "$data/photo.jpg"
fi
if [ ! -f "$data/flat.ppm" ]; then
  # A flat drawing: filled shapes and lines on a plain ground.
  tclsh <<TCL
set ::auto_path [linsert \$::auto_path 0 [file normalize $build]]
package require tavrel
set img [tavrel create]
tavrel resize \$img 4000 3000
tavrel color \$img {24 28 44}
tavrel fill \$img
expr {srand(7)}
for {set k 0} {\$k < 300} {incr k} {
    tavrel color \$img [list [expr {int(rand()*256)}] [expr {int(rand()*256)}] [expr {int(rand()*256)}]]
    set x [expr {int(rand()*4000)}]; set y [expr {int(rand()*3000)}]
    switch [expr {\$k % 3}] {
        0 { tavrel oval \$img \$x \$y [expr {20 + int(rand()*200)}] }
        1 { tavrel rectangle \$img \$x \$y [expr {int(rand()*400)}] [expr {int(rand()*300)}] }
        2 { tavrel line \$img \$x \$y [expr {int(rand()*4000)}] [expr {int(rand()*3000)}] -width [expr {1 + \$k % 9}] }
    }
}
tavrel save \$img -file $data/flat.ppm
TCL
  pnmtopng "$data/flat.ppm" > "$data/flat-libpng.png"
fi

results=$data/results.txt
{
  xvfb-run -a tclsh bench/io_vs_pillow.tcl "$build" "$data" "$rounds"
  /usr/bin/python3 bench/io_vs_pillow.py "$data" "$rounds"
  echo "bare_png_decode $("$build/bench/bare_decode" png image "$data/photo.png" "$rounds")"
  echo "bare_jpeg_decode $("$build/bench/bare_decode" jpeg image "$data/photo.jpg" "$rounds")"
  echo "size:libpng_defaults_flat $(stat -c %s "$data/flat-libpng.png")"
} > "$results"
cat "$results"

value() { awk -v k="$1" '$1 == k { print $2 }' "$results"; }
ratio() {
  local a b
  a=$(value "$2"); b=$(value "$3")
  if [ -n "$a" ] && [ -n "$b" ]; then
    awk -v a="$a" -v b="$b" -v what="$1" 'BEGIN { printf "%-40s %6.2f\n", what, a / b }'
  else
    printf "%-40s %6s\n" "$1" "-"
  fi
}
echo "== ratios (tavrel / peer)"
ratio "PNG load / Pillow" tavrel_png_load pillow_png_load
ratio "PNG load / Tk" tavrel_png_load tk_png_load
ratio "PNG load / bare libpng into RGBA" tavrel_png_load bare_png_decode
ratio "PNG save / Pillow" tavrel_png_save pillow_png_save
ratio "PNG save / Tk" tavrel_png_save tk_png_save
ratio "PNG photo size / Tk's file" size:tavrel_png_photo size:tk_png_photo
ratio "PNG flat drawing size / libpng defaults" size:tavrel_png_flat size:libpng_defaults_flat
ratio "JPEG load / Pillow" tavrel_jpeg_load pillow_jpeg_load
ratio "JPEG load / bare libjpeg into RGBA" tavrel_jpeg_load bare_jpeg_decode
ratio "JPEG save (libjpeg q75) / Pillow" tavrel_jpeg_save pillow_jpeg_save
ratio "PPM load / Pillow" tavrel_ppm_load pillow_ppm_load
ratio "PPM load / Tk" tavrel_ppm_load tk_ppm_load
ratio "PPM save / Pillow" tavrel_ppm_save pillow_ppm_save
ratio "PPM save / Tk" tavrel_ppm_save tk_ppm_save
