#!/usr/bin/env bash
# Every side-by-side comparison with our peers in one run, each section
# interleaving the contenders round by round (ours, peer, ours, peer ...)
# and printing best, spread and ours / peer per case and kind of picture;
# at the end, the rows that matter most, gathered from all sections.
#   bench/vs_pillow.sh [--quick] [ROUNDS]   (default 5 rounds, --quick 2)
# About 9 minutes at 5 rounds on a 2-core machine, 4 with --quick.  Needs
# a display for Tk: without DISPLAY it runs itself under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
rounds=5
for arg in "$@"; do
  case $arg in
    --quick) rounds=2 ;;
    *) rounds=$arg ;;
  esac
done
build=build-bench
if [ ! -f $build/CMakeCache.txt ]; then
  cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DTAVREL_BENCH=ON -DTAVREL_TESTS=OFF >/dev/null
fi
cmake --build $build -j2 >/dev/null
export BENCH_SUMMARY
BENCH_SUMMARY=$(mktemp)
trap 'rm -f "$BENCH_SUMMARY"' EXIT
started=$SECONDS

echo "==== codec";       bench/codec_bench.sh $build "$rounds"
echo "==== drawing";     bench/draw_vs_pillow.sh $build "$rounds"
echo "==== geometry";    bench/geometry_vs_pillow.sh $build "$rounds"
echo "==== files";       bench/io_vs_pillow.sh $build "$rounds"
echo "==== raster";      bench/formats_vs_pillow.sh $build "$rounds"
echo "==== PNG save";    bench/png_save_vs_tk.sh $build "$rounds"
echo "==== tavcopy";     bench/tavcopy_vs_tk.sh $build "$rounds"
echo "==== operations";  bench/ops_vs_pillow.sh $build "$rounds"

echo "==== summary ($rounds rounds, $(( (SECONDS - started) / 60 )) min)"
/usr/bin/python3 - "$BENCH_SUMMARY" <<'PY'
import sys
rows = {}
for line in open(sys.argv[1]):
    case, peer, unit, *figures = line.split()
    rows[case, peer] = (unit, figures)
# What the summary shows: (work, peer label, case, peer side, kinds).
table = [
    ("codec decode 320x240", "FFmpeg + RGB", "decode", "ffmpeg_rgb", ("clean", "grainy")),
    ("codec decode 320x240", "FFmpeg YUV", "decode", "ffmpeg_yuv", ("clean", "grainy")),
    ("codec encode", "-", "encode", "-", ("clean", "grainy")),
    ("Gaussian blur r10 1920x1080", "Pillow GaussianBlur(10)", "blur10", "pillow", ("photo", "smooth")),
    ("AA 1-pixel lines", "Pillow line", "aaline1", "pillow", ("",)),
    ("PCX save 4000x3000", "Pillow quantize(256)+PCX", "pcx_save", "pillow", ("photo", "flat")),
    ("rotate 30deg quality 1", "Pillow rotate(NEAREST)", "rotate_q1", "pillow", ("photo", "smooth")),
    ("tavcopy photo -> image", "Tk photo copy", "photo_to_image", "tk", ("photo", "flat")),
    ("scale x2 quality 1", "Pillow resize NEAREST", "double_nearest", "pillow", ("photo", "smooth")),
    ("scale 1/2 default quality", "Pillow resize BOX", "half_box", "pillow", ("photo", "smooth")),
    ("filled circles r50", "Pillow ellipse", "circle50", "pillow", ("",)),
    ("outlined ovals r50", "Pillow ellipse outline", "oval50", "pillow", ("",)),
    ("BMP load 4000x3000", "Pillow", "bmp_load", "pillow", ("photo", "flat")),
    ("PNG save 4000x3000", "Tk's PNG writer", "png_save_tk", "tk", ("photo", "smooth", "flat", "text")),
]
def number(value):
    value = float(value)
    return "%.0f" % value if value >= 100 else "%.3g" % value


print("%-28s %-25s %-7s %11s %6s %11s %6s %6s" % ("work", "peer", "picture", "ours", "spread", "peer", "spread", "ratio"))
above = []
for work, label, case, peer, kinds in table:
    for kind in kinds:
        key = case + ("-" + kind if kind else "")
        if (key, peer) not in rows:
            print("%-28s %-25s %-7s %11s" % (work, label, kind or "-", "missing"))
            continue
        unit, (ours, ours_spread, theirs, theirs_spread, ratio) = rows[key, peer]
        if case == "encode":
            print("%-28s %-25s %-7s %7.0f f/s %5.0f%%   (target 3000 frames/s%s)" % (
                work, label, kind, 1e6 / float(ours), 100 * float(ours_spread),
                "" if 1e6 / float(ours) >= 3000 else ": below it"))
            if 1e6 / float(ours) < 3000:
                above.append("%s %s (%.0f frames/s)" % (work, kind, 1e6 / float(ours)))
            continue
        print("%-28s %-25s %-7s %8s %-2s %5.0f%% %8s %-2s %5.0f%% %6.2f" % (
            work, label, kind or "-", number(ours), unit[:2], 100 * float(ours_spread), number(theirs), unit[:2],
            100 * float(theirs_spread), float(ratio)))
        if float(ratio) > 1:
            above.append("%s%s against %s: %.2f" % (work, " " + kind if kind else "", label, float(ratio)))
print("ratio = ours / peer time: below 1 ours is faster.  Behind the peer (ratio above 1) or below target:")
for line in above:
    print("  " + line)
PY
