#!/usr/bin/env bash
# The webcam codec at 320 x 240: our encoder and decoder and FFmpeg's decoder
# on the same frames in one run, best of a few repetitions; prints frames
# per second, the ratio of the decoders and the PSNR at the default quality.
#   bench/codec_bench.sh [BUILDDIR]   (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tavrel tavrel_bench >/dev/null
out=$build/codec_bench.json
"$build/bench/tavrel_bench" --benchmark_filter='BM_(Mimic|FFmpegMimic)' --benchmark_repetitions=5 \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null
# The fastest repetition (CPU time): other load on the machine only ever
# slows a repetition down.
python3 - "$out" <<'PY'
import json, sys
runs = [b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("run_type") == "iteration"]
def best(name):
    return min(b["cpu_time"] for b in runs if b["run_name"] == name)  # ms per 30 frames
enc, dec, ff = best("BM_MimicEncode"), best("BM_MimicDecode"), best("BM_FFmpegMimicDecode")
ffrgb = best("BM_FFmpegMimicDecodeRGB")
psnr = next(b["psnr_db"] for b in runs if b["run_name"] == "BM_MimicDecode")
size = next(b["bytes_per_frame"] for b in runs if b["run_name"] == "BM_MimicEncode")
print("encode (ours)          %8.0f frames/s  (%.0f bytes a frame)" % (30000 / enc, size))
print("decode (ours)          %8.0f frames/s  (with deblocking and RGB output)" % (30000 / dec))
print("decode (FFmpeg)        %8.0f frames/s  (YUV output)" % (30000 / ff))
print("decode (FFmpeg + RGB)  %8.0f frames/s  (its YUV to RGB conversion added)" % (30000 / ffrgb))
print("ours / FFmpeg time     %8.2f  (%.2f against FFmpeg with RGB output)" % (dec / ff, dec / ffrgb))
print("PSNR of decoded frames %8.2f dB (quality 0)" % psnr)
PY
