# WebP: the palette page's picture with a soft transparent edge, saved lossy
# at quality 60 and lossless, loaded back and shown over a checkerboard so
# that alpha shows: original, lossy, lossless.
set w 200
set h 150
set src [tavrel create]
tavrel resize $src $w $h
set bytes {}
for {set y 0} {$y < $h} {incr y} {
    for {set x 0} {$x < $w} {incr x} {
        set d [expr {hypot($x - 100, $y - 75)}]
        set a [expr {$d < 60 ? 255 : max(0, int(255 - 6 * ($d - 60)))}]
        lappend bytes [expr {int(128 + 120 * sin($x / 17.0))}] [expr {int(128 + 120 * cos($y / 13.0))}] \
            [expr {int(255 * $x / $w)}] $a
    }
}
tavrel put $src [binary format cu* $bytes]
tavrel quality $src 60
set lossy [file join $outdir picture.webp]
set lossless [file join $outdir picture-lossless.webp]
tavrel save $src -file $lossy
tavrel save $src -file $lossless -format {webp -lossless 1}
puts "  picture.webp: [file size $lossy] bytes lossy, [file size $lossless] bytes lossless"

set sheet [tavrel create]
tavrel resize $sheet [expr {3 * $w + 20}] $h
for {set y 0} {$y < $h} {incr y 10} {
    for {set x 0} {$x < 3 * $w + 20} {incr x 10} {
        tavrel color $sheet [expr {(($x + $y) / 10) % 2 ? {200 200 200} : {255 255 255}}]
        tavrel rectangle $sheet $x $y 10 10
    }
}
tavrel color $sheet {0 0 0}
set at 0
foreach path [list {} $lossy $lossless] {
    set img $src
    if {$path ne {}} { set img [tavrel create]; tavrel load $img -file $path }
    tavrel copy $sheet $img -to $at 0
    if {$path ne {}} { tavrel delete $img }
    incr at [expr {$w + 10}]
}
tavrel save $sheet -file [file join $outdir webp.png]
puts "  webp.png: original, lossy and lossless WebP over a checkerboard"
foreach img [list $src $sheet] { tavrel delete $img }
