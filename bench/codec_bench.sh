#!/usr/bin/env bash
# The webcam codec at 320 x 240 on a clean and a grainy webcam sequence
# (bench/codec_bench.cpp): our decoder (deblocking and RGB output included)
# beside FFmpeg's decoder of the format with its conversion to RGB, and
# stopping at its YUV planes; our encoder on its own (target: 3000
# frames/s or more).  Round by round, interleaved (ours, FFmpeg RGB,
# FFmpeg YUV, our encoder, then again), each run a process of its own that
# times itself in CPU time.  Prints the best microseconds a frame, the
# spread and the ratios, then frames per second, bytes a frame and PSNR.
#   bench/codec_bench.sh [BUILDDIR] [ROUNDS]   (default build-bench, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
rounds=${2:-5}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tavrel_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One process per contender and round; its JSON becomes "side case
# microseconds-a-frame" lines (each benchmark iteration is 30 frames).
run() {
  local side=$1 what=$2 filter=$3
  "$build/bench/tavrel_bench" --benchmark_filter="$filter" --benchmark_min_time=0.3 \
    --benchmark_out="$work/run.json" --benchmark_out_format=json >/dev/null 2>"$work/stderr" ||
    { cat "$work/stderr" >&2; exit 1; }
  /usr/bin/python3 - "$work/run.json" "$side" "$what" >> "$work/samples" <<'PY'
import json, sys
path, side, what = sys.argv[1:]
for b in json.load(open(path))["benchmarks"]:
    sequence = ("clean", "grainy")[int(b["name"].rsplit("/", 1)[1])]
    print(side, "%s-%s" % (what, sequence), "%.3f" % (b["cpu_time"] * 1000 / 30))
    for counter in ("psnr_db", "bytes_per_frame"):
        if counter in b:
            print(counter, "%s-%s" % (what, sequence), ("%.2f" if counter == "psnr_db" else "%.0f") % b[counter], file=open(path + ".extra", "a"))
PY
}
for ((round = 0; round < rounds; round++)); do
  run ours decode '^BM_MimicDecode/'
  run ffmpeg_rgb decode '^BM_FFmpegMimicDecodeRGB/'
  run ffmpeg_yuv decode '^BM_FFmpegMimicDecode/'
  run ours encode '^BM_MimicEncode/'
done

echo "320x240, CPU us a frame; decode peers: FFmpeg with its RGB conversion, FFmpeg stopping at YUV"
/usr/bin/python3 bench/rounds_table.py <(grep ' decode-' "$work/samples") us ours ffmpeg_rgb ffmpeg_yuv
/usr/bin/python3 bench/rounds_table.py <(grep ' encode-' "$work/samples") us ours
/usr/bin/python3 - "$work/samples" "$work/run.json.extra" <<'PY'
import sys
best = {}
for line in open(sys.argv[1]):
    side, case, us = line.split()
    best[side, case] = min(best.get((side, case), 1e18), float(us))
extra = {}
for line in open(sys.argv[2]):
    counter, case, value = line.split()
    extra[counter, case] = value
for sequence in ("clean", "grainy"):
    enc, dec = best["ours", "encode-" + sequence], best["ours", "decode-" + sequence]
    print("%-6s encode %6.0f frames/s (%s bytes a frame; target 3000)   decode %6.0f frames/s "
          "(FFmpeg %0.f with RGB, %.0f YUV)   PSNR %s dB" % (
              sequence, 1e6 / enc, extra.get(("bytes_per_frame", "encode-" + sequence), "?"), 1e6 / dec,
              1e6 / best["ffmpeg_rgb", "decode-" + sequence], 1e6 / best["ffmpeg_yuv", "decode-" + sequence],
              extra.get(("psnr_db", "decode-" + sequence), "?")))
PY
