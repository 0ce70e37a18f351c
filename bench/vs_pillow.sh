#!/usr/bin/env bash
# Every side-by-side comparison with our peers, one after the other, each
# printing its own times and ratios (the two halves of the drawing and file
# comparison first, then geometry, the palette formats, the raster formats).
#   bench/vs_pillow.sh [ROUNDS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
if [ ! -f build-bench/CMakeCache.txt ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
fi
cmake --build build-bench -j2 >/dev/null
echo "==== drawing";    bench/draw_vs_pillow.sh build-bench "$rounds"
echo "==== files";      bench/io_vs_pillow.sh build-bench "$rounds"
echo "==== geometry";   bench/geometry_vs_pillow.sh build-bench
echo "==== gif";        bench/gif_vs_pillow.sh build-bench
echo "==== raster";     bench/formats_vs_pillow.sh build-bench
echo "==== operations"; bench/ops_vs_pillow.sh build-bench "$rounds"
