#!/usr/bin/env bash
# Loads and saves a 4000x3000 photo-like picture in BMP (24-bit), PCX and
# SGI with tavrel, Pillow and (BMP only) ImageMagick in one run, and prints
# the best of a few repetitions of each and the ratio peer / tavrel (above
# 1: tavrel is faster).
#   bench/formats_vs_pillow.sh [BUILDDIR] [REPEATS]
set -euo pipefail
cd "$(dirname "$0")/.."
builddir=$(cd "${1:-build}" && pwd)
repeats=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3

# The picture: smooth gradients, soft shapes and sensor-like noise, so that
# run-length coding sees what it would in a photo.
"$python" - "$work" <<'EOF'
import sys
from PIL import Image, ImageDraw, ImageFilter
work = sys.argv[1]
w, h = 4000, 3000
r = Image.linear_gradient('L').resize((w, h))
g = Image.radial_gradient('L').resize((w, h))
b = Image.effect_noise((w // 8, h // 8), 40).resize((w, h), Image.BICUBIC)
im = Image.merge('RGB', (r, g, b))
d = ImageDraw.Draw(im)
for k in range(40):
    x, y = (k * 997) % w, (k * 613) % h
    d.ellipse((x, y, x + 300, y + 200), fill=((k * 53) % 256, (k * 91) % 256, (k * 37) % 256))
im = im.filter(ImageFilter.GaussianBlur(2))
noise = Image.merge('RGB', [Image.effect_noise((w, h), 6)] * 3)
im = Image.blend(im, noise, 0.08)
im.save(work + '/photo.ppm')
EOF

# Pillow: open + decode, and save, from and to files.
"$python" - "$work" "$repeats" > "$work/pillow.txt" <<'EOF'
import sys, time
from PIL import Image
work, repeats = sys.argv[1], int(sys.argv[2])
src = Image.open(work + '/photo.ppm'); src.load()
def best(f):
    t = 1e9
    for _ in range(repeats):
        s = time.perf_counter(); f(); t = min(t, time.perf_counter() - s)
    return t * 1000
for fmt, ext in (('BMP', 'bmp'), ('PCX', 'pcx'), ('SGI', 'sgi')):
    path = f'{work}/pillow.{ext}'
    save = best(lambda: src.save(path, fmt))
    def load():
        im = Image.open(path); im.load()
    print(ext, '%.1f' % best(load), '%.1f' % save)
EOF

# tavrel: best wall time of each step, in milliseconds.  PCX saves go
# through the 256-colour quantiser (Pillow writes three RGB planes, so the
# PCX save ratio is not like for like: bench/palette_vs_pillow.sh sets our
# save against Pillow's quantize(256) and save).
cat > "$work/tavrel.tcl" <<'EOF'
lassign $argv builddir work repeats
lappend auto_path $builddir
package require tavrel
set img [tavrel create]
tavrel load $img -file $work/photo.ppm -format ppm
proc best {script} {
    set best 1e9
    for {set i 0} {$i < $::repeats} {incr i} {
        set t [lindex [time {uplevel 1 $script}] 0]
        if {$t < $best} { set best $t }
    }
    return [format %.1f [expr {$best / 1000.0}]]
}
foreach format {bmp pcx sgi} {
    set save [best { tavrel save $img -file $work/tavrel.$format -format $format }]
    # Loads read the file Pillow wrote, the one Pillow's load is timed on.
    set back [tavrel create]
    set load [best { tavrel load $back -file $work/pillow.$format -format $format }]
    if {$format eq "pcx"} {
        set own [best { tavrel load $back -file $work/tavrel.pcx -format pcx }]
    }
    tavrel delete $back
    puts "$format $load $save"
}
puts stderr "tavrel loads its own (one-plane, indexed) PCX in $own ms"
EOF
tclsh "$work/tavrel.tcl" "$builddir" "$work" "$repeats" > "$work/tavrel.txt"

# ImageMagick (BMP): decode to nothing, and encode from an in-memory copy.
"$python" - "$work" "$repeats" > "$work/magick.txt" <<'EOF'
import sys, time, subprocess
work, repeats = sys.argv[1], int(sys.argv[2])
def best(cmd):
    t = 1e9
    for _ in range(repeats):
        s = time.perf_counter(); subprocess.run(cmd, check=True); t = min(t, time.perf_counter() - s)
    return t * 1000
# Start-up and reading the source are taken off by a run that writes nothing.
base = best(['convert', work + '/photo.ppm', 'null:'])
load = best(['convert', work + '/tavrel.bmp', 'null:']) - best(['convert', '-size', '1x1', 'xc:white', 'null:'])
save = best(['convert', work + '/photo.ppm', 'bmp3:' + work + '/magick.bmp']) - base
print('bmp', '%.1f' % load, '%.1f' % save)
EOF

printf '%-6s %12s %12s %12s %12s %12s %12s\n' format tavrel-load pillow-load ratio tavrel-save pillow-save ratio
while read -r format tl ts; do
    read -r _ pl ps < <(grep "^$format " "$work/pillow.txt")
    printf '%-6s %10sms %10sms %11.2fx %10sms %10sms %11.2fx\n' "$format" "$tl" "$pl" \
        "$(echo "$pl / $tl" | bc -l)" "$ts" "$ps" "$(echo "$ps / $ts" | bc -l)"
done < "$work/tavrel.txt"
read -r _ ml ms < "$work/magick.txt"
read -r _ tl ts < <(grep '^bmp ' "$work/tavrel.txt")
printf '%-6s %10sms %10sms %11.2fx %10sms %10sms %11.2fx   (ImageMagick)\n' bmp "$tl" "$ml" \
    "$(echo "$ml / $tl" | bc -l)" "$ts" "$ms" "$(echo "$ms / $ts" | bc -l)"
