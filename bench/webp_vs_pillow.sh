#!/usr/bin/env bash
# WebP load and save beside Pillow (/usr/bin/python3), both over libwebp, on
# four kinds of 2400 x 1600 picture (noisy photo, smooth render, flat
# drawing, text).  Contenders alternate round by round (ours, Pillow, ours,
# Pillow ...); each round is one process timing its own CPU over a few
# repetitions.  Prints per operation the best ms of each, the ratio of the
# bests and the spread (worst / best) of ours.
#   bench/webp_vs_pillow.sh [BUILDDIR] [ROUNDS]   (default build, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-5}
data=$build/webp-bench-data
mkdir -p "$data"
if [ ! -f "$data/text.webp" ]; then
  ppmforge -clouds -width 2400 -height 1600 -seed 7 2>/dev/null > "$data/smooth.ppm"
  pamaddnoise -type gaussian -sigma1 8 -seed 7 < "$data/smooth.ppm" > "$data/photo.ppm"
  /usr/bin/python3 - "$data" <<'PY'
import sys
from PIL import Image, ImageDraw
d = sys.argv[1]
flat = Image.new('RGB', (2400, 1600), (24, 28, 44))
g = ImageDraw.Draw(flat)
for k in range(300):
    x, y = (k * 7919) % 2400, (k * 104729) % 1600
    g.rectangle([x, y, x + 40 + k % 300, y + 30 + k % 200], fill=((k * 37) % 256, (k * 91) % 256, (k * 53) % 256))
flat.save(d + '/flat.ppm')
text = Image.new('RGB', (2400, 1600), 'white')
g = ImageDraw.Draw(text)
for row in range(0, 1600, 14):
    g.text((4, row), 'The quick brown fox jumps over the lazy dog 0123456789 ' * 5, fill='black')
text.save(d + '/text.ppm')
for kind in ('photo', 'smooth', 'flat', 'text'):
    Image.open(d + '/' + kind + '.ppm').save(d + '/' + kind + '.webp', quality=75)
PY
fi
kinds="photo smooth flat text"

ours() {
  tclsh <<TCL
set ::auto_path [linsert \$::auto_path 0 [file normalize $build]]
package require tavrel
source bench/cpu_time.tcl
proc time_of {script reps} {
    set start [cpu_ticks]
    for {set i 0} {\$i < \$reps} {incr i} { uplevel #0 \$script }
    expr {([cpu_ticks] - \$start) * 10.0 / \$reps}
}
tavrel create img
foreach kind {$kinds} {
    puts "\$kind-load [time_of {tavrel load img -file $data/\$kind.webp -format webp} 3]"
    tavrel load img -file $data/\$kind.ppm
    tavrel quality img 75
    puts "\$kind-save [time_of {tavrel save img -file $data/ours.webp -format webp} 2]"
}
TCL
}

pillow() {
  /usr/bin/python3 - "$data" $kinds <<'PY'
import sys, time
from PIL import Image
d = sys.argv[1]
def time_of(f, reps):
    start = time.process_time()
    for _ in range(reps): f()
    return (time.process_time() - start) * 1000 / reps
for kind in sys.argv[2:]:
    print(kind + '-load', time_of(lambda: Image.open(d + '/' + kind + '.webp').load(), 3))
    im = Image.open(d + '/' + kind + '.ppm'); im.load()
    print(kind + '-save', time_of(lambda: im.save(d + '/pillow.webp', quality=75, method=4), 2))
PY
}

: > "$data/ours.txt"; : > "$data/pillow.txt"
for ((r = 0; r < rounds; r++)); do
  ours >> "$data/ours.txt"
  pillow >> "$data/pillow.txt"
done
/usr/bin/python3 - "$data" <<'PY'
import sys, collections
d = sys.argv[1]
def read(name):
    t = collections.defaultdict(list)
    for line in open(d + '/' + name):
        k, v = line.split(); t[k].append(float(v))
    return t
ours, pillow = read('ours.txt'), read('pillow.txt')
print('%-14s %9s %9s %7s %7s' % ('operation', 'ours ms', 'Pillow ms', 'ratio', 'spread'))
for k in ours:
    o, p = min(ours[k]), min(pillow[k])
    print('%-14s %9.1f %9.1f %7.2f %7.2f' % (k, o, p, o / max(p, 1e-9), max(ours[k]) / max(o, 1e-9)))
PY
