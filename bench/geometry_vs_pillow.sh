#!/usr/bin/env bash
# Geometry and filters against Pillow in one run: best of N for each
# operation, then the ratio tavrel / Pillow (below 1: tavrel is faster).
# Usage: bench/geometry_vs_pillow.sh [BUILDDIR] [REPEATS]
set -euo pipefail
cd "$(dirname "$0")/.."
builddir=${1:-build}
repeats=${2:-3}
export OMP_NUM_THREADS=1
ours=$(tclsh bench/geometry_vs_pillow.tcl "$builddir" "$repeats")
theirs=$(/usr/bin/python3 bench/geometry_vs_pillow.py "$repeats")
join <(sort <<<"$ours") <(sort <<<"$theirs") |
  awk '{ printf "%-16s tavrel %8.4fs  pillow %8.4fs  ratio %6.2f\n", $1, $2, $3, $2 / $3 }'
