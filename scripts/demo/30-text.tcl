# TrueType text: the ten built-in faces, sizes, angles, alignments and
# stretches drawn into one picture.
set W 900
set H 640
set img [tavrel create]
tavrel resize $img $W $H

# A dark background, lighter towards the bottom.
set rows {}
for {set y 0} {$y < $H} {incr y} {
    set v [expr {16 + 40 * $y / $H}]
    lappend rows [string repeat [binary format c3 [list $v $v [expr {$v + 24}]]] $W]
}
tavrel put $img [join $rows ""]

# Text takes the image's foreground colour; colours are set when the
# colour subcommand is there, otherwise everything is white.
proc ink {img rgb} { catch {tavrel color $img $rgb} }

set faces {
    "serif" "serif bold" "sans-serif" "sans-serif bold" "sans-serif italic" "sans-serif bold italic"
    "mono" "mono bold" "mono italic" "mono bold italic"
}
foreach name $faces { set font($name) [tavfont create -builtin $name] }

ink $img {255 220 120}
tavrel text $img [expr {$W / 2}] 14 -font $font(serif\ bold) -size 44 -text "tavrel text" \
    -align center -valign top

# The ten faces, each named in itself.
set y 96
foreach name $faces {
    ink $img {230 230 240}
    tavrel text $img 20 $y -font $font($name) -size 20 -text "$name — Åpfel, ñandú, 1 234,50 €"
    incr y 28
}

# Sizes.
ink $img {140 220 255}
set x 20
foreach size {8 10 12 16 20 28 40 60} {
    tavrel text $img $x 450 -font $font(sans-serif) -size $size -text "Ag"
    incr x [expr {[lindex [tavfont measure $font(sans-serif) $size "Ag"] 0] + 10}]
}

# Stretches.
set y 490
foreach stretch {0.6 1 1.6} {
    ink $img {180 255 160}
    tavrel text $img 20 $y -font $font(serif) -size 24 -stretch $stretch -text "stretch $stretch"
    incr y 34
}

# A fan of rotated lines around one point (positive angles turn clockwise).
set cx 720
set cy 250
for {set deg 0} {$deg < 360} {incr deg 30} {
    ink $img [list 255 [expr {120 + $deg / 3}] [expr {255 - $deg / 2}]]
    tavrel text $img $cx $cy -font $font(sans-serif\ bold) -size 18 -text "        $deg°" \
        -angle [expr {$deg * acos(-1) / 180.0}] -valign middle
}

# Alignments: each text placed against its marked anchor point.
foreach {valign ay} {top 470 middle 530 bottom 590} {
    foreach {align ax} {left 572 center 726 right 888} {
        ink $img {255 90 90}
        tavrel text $img $ax $ay -font $font(mono) -size 14 -text "+" -align center -valign middle
        ink $img {240 240 255}
        tavrel text $img $ax $ay -font $font(mono) -size 14 -text "$align/$valign" -align $align -valign $valign
    }
}

file mkdir $outdir
set ppm [file join $outdir 30-text.ppm]
tavrel save $img -file $ppm -format ppm
set picture $ppm
if {![catch {exec pnmtopng $ppm > [file join $outdir 30-text.png]}]} {
    file delete $ppm
    set picture [file join $outdir 30-text.png]
}
puts "  text in ten faces, eight sizes, twelve angles, nine alignments, three stretches: $picture"
tavfont delete {*}[lmap name $faces {set font($name)}]
tavrel delete $img
