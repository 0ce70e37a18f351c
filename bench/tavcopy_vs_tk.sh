#!/usr/bin/env bash
# tavcopy (Tk photo -> our image, and back) against Tk's own photo copy on
# 4000 x 3000 pictures of several kinds (bench/bench_pictures.py; default a
# noisy photo and a flat drawing), interleaved round by round in one
# process (bench/tavcopy_vs_tk.tcl); prints best CPU ms, spread and ours / Tk.
#   bench/tavcopy_vs_tk.sh [BUILDDIR] [ROUNDS] [KIND...]   (default build-bench, 5, photo flat)
# Needs a display for Tk: without DISPLAY it runs itself under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
build=${1:-build-bench}
rounds=${2:-5}
shift 2 || shift $#
kinds=${*:-photo flat}
[ -f "$build/pkgIndex.tcl" ] || { echo "no tavrel build in $build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 bench/bench_pictures.py "$work" 4000 3000 $kinds
tclsh bench/tavcopy_vs_tk.tcl "$build" "$rounds" $(for k in $kinds; do echo "$work/$k.ppm"; done) > "$work/samples"
echo "4000x3000, CPU ms; peer: Tk's photo copy of the same photo"
/usr/bin/python3 bench/rounds_table.py "$work/samples" ms ours tk
