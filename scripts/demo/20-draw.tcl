# Drawing: lines of several widths, antialiased lines, ovals, arcs, points
# and translucent rectangles under several compose modes, saved as
# draw.ppm (and draw.png when netpbm's pnmtopng is there).
set img [tavrel create]
tavrel resize $img 480 360
tavrel color $img {24 28 44}
tavrel fill $img

# Lines of widths 1, 2, 3, 5 and 8: horizontal bands, then slanted outlines.
set y 20
foreach w {1 2 3 5 8} {
    tavrel color $img {240 200 80}
    tavrel line $img 20 $y 200 $y -width $w
    tavrel color $img {120 220 160}
    tavrel line $img 20 [expr {$y + 70}] 200 [expr {$y + 100}] -width $w
    incr y 14
}

# A fan of antialiased one-pixel lines beside plain ones.
set pi 3.14159265358979
for {set k 0} {$k < 12} {incr k} {
    set a [expr {$k * $pi / 22}]
    set x1 [expr {int(250 + 110 * cos($a))}]
    set y1 [expr {int(20 + 110 * sin($a))}]
    tavrel color $img {255 255 255}
    tavrel line $img 250 20 $x1 $y1 -antialiased 1
    tavrel color $img {255 120 120}
    tavrel line $img 360 20 [expr {$x1 + 110}] $y1
}

# Ovals (filled) and arcs (outlines, whole and partial).
tavrel color $img {70 130 230}
tavrel oval $img 80 220 45
tavrel color $img {230 90 120}
tavrel oval $img 180 220 40 22
tavrel color $img {250 250 250}
tavrel arc $img 80 220 52
tavrel arc $img 180 220 48 30 0 48 -30 30
tavrel color $img {250 210 60}
tavrel arc $img 180 220 48 30 -48 0 -30 0

# Points of growing width.
tavrel color $img {160 240 240}
foreach w {1 2 3 5 7 9} x {30 50 70 95 125 160} {
    tavrel plot $img $x 320 -width $w
}

# Translucent rectangles over an opaque one, one column per compose mode
# (the image's own mode, set with the compose subcommand where it exists;
# otherwise every column blends with over).
set modes {replace over add difference mix}
if {[catch {tavrel compose $img over}]} {
    puts "  (no compose subcommand yet: every rectangle column uses over)"
    proc setCompose {img mode} {}
} else {
    proc setCompose {img mode} {tavrel compose $img $mode}
}
set x 250
foreach mode $modes {
    setCompose $img over
    tavrel color $img {200 200 200}
    tavrel rectangle $img $x 170 40 120
    setCompose $img $mode
    tavrel color $img {220 60 40 160}
    tavrel rectangle $img [expr {$x - 6}] 190 30 40
    tavrel color $img {40 120 220 160}
    tavrel rectangle $img [expr {$x + 16}] 220 30 40
    incr x 46
}
setCompose $img over

set ppm [file join $outdir draw.ppm]
tavrel save $img -file $ppm
puts "  drew lines, antialiased lines, ovals, arcs, points and rectangles under $modes into $ppm"
if {[auto_execok pnmtopng] ne ""} {
    set png [file join $outdir draw.png]
    exec pnmtopng $ppm > $png
    puts "  converted to $png"
}
tavrel delete $img
