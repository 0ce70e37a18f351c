# GIF and palettes: a photo-like picture saved as GIF (median cut to 254
# colours with error diffusion) and loaded back, beside the original.
set w 256
set h 192
set src [tavrel create]
tavrel resize $src $w $h
set bytes {}
for {set y 0} {$y < $h} {incr y} {
    for {set x 0} {$x < $w} {incr x} {
        # Sky, a sun and rolling hills: smooth gradients that show banding
        # if the palette or the dithering were poor.
        set hill [expr {130 + 25 * sin($x / 23.0) + 10 * sin($x / 7.0)}]
        set d [expr {hypot($x - 180, $y - 50)}]
        if {$y > $hill} {
            set t [expr {($y - $hill) / ($h - $hill + 1.0)}]
            lappend bytes [expr {int(40 + 60 * $t)}] [expr {int(140 - 60 * $t + 20 * sin($x / 5.0))}] [expr {int(30 + 20 * $t)}]
        } elseif {$d < 28} {
            lappend bytes 255 [expr {int(220 + $d)}] [expr {int(120 + 3 * $d)}]
        } else {
            set t [expr {$y / double($h)}]
            set glow [expr {max(0, 60 - $d / 3.0)}]
            lappend bytes [expr {int(min(255, 60 + 120 * $t + $glow))}] [expr {int(min(255, 110 + 80 * $t + $glow / 2))}] [expr {int(230 - 40 * $t)}]
        }
    }
}
tavrel put $src [binary format cu* $bytes]

set path [file join $outdir palette.gif]
tavrel save $src -file $path -format gif
set back [tavrel create]
tavrel load $back -file $path
puts "  palette.gif: [file size $path] bytes for ${w}x${h}, loads back as [tavrel width $back]x[tavrel height $back]"

# Original on the left, the GIF on the right, as one PNG.
set left [tavrel get $src]
set right [tavrel get $back]
set stride [expr {[string length $left] / $h}]
set both [tavrel create]
tavrel resize $both [expr {2 * $w}] $h
set rows {}
for {set y 0} {$y < $h} {incr y} {
    set at [expr {$y * $stride}]
    append rows [string range $left $at [expr {$at + $stride - 1}]] [string range $right $at [expr {$at + $stride - 1}]]
}
tavrel put $both $rows
tavrel save $both -file [file join $outdir palette-gif.png] -format png
puts "  palette-gif.png: original (left) and its GIF (right)"
foreach img [list $src $back $both] { tavrel delete $img }
