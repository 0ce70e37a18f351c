# Geometry and filters: one small picture scaled, rotated, blurred, boxed,
# smeared, embossed by a kernel, painted with a gradient and noise, and the
# eleven compose modes side by side; saved as geometry.png.
proc makeTile {} {
    set t [tavrel create]
    tavrel resize $t 96 96
    tavrel color $t {30 40 70}
    tavrel fill $t
    tavrel color $t {250 200 60}
    tavrel oval $t 48 48 34
    tavrel color $t {220 60 80}
    tavrel rectangle $t 10 10 40 30
    tavrel color $t {90 220 140}
    tavrel line $t 0 95 95 0 -width 5
    tavrel color $t {255 255 255}
    tavrel text $t 8 88 -text tavrel -font $::geomFont -size 16
    return $t
}
set geomFont [tavfont create -builtin sans-serif]

set sheet [tavrel create]
tavrel resize $sheet 880 420
tavrel color $sheet {235 235 235}
tavrel fill $sheet
tavrel compose $sheet over
set labels {}
proc place {tile x y label} {
    tavrel copy $::sheet $tile -to $x $y
    tavrel color $::sheet {20 20 20}
    tavrel text $::sheet $x [expr {$y + 112}] -text $label -font $::geomFont -size 11
}

# Row 1: the tile as it is, shrunk, enlarged, rotated, blurred, boxed, smeared, embossed.
set tile [makeTile]
place $tile 10 10 original

set small [tavrel create]
tavrel resize $small 48 48
tavrel scale $small $tile
set big [tavrel create]
tavrel resize $big 96 96
tavrel scale $big $small -quality 1
place $big 118 10 "half, doubled"

set turned [tavrel create]
tavrel resize $turned 96 96
tavrel compose $turned replace
tavrel scale $turned $tile -angle 0.5236 -quality 2
place $turned 226 10 "rotated 30"

foreach {x label script} {
    334 "blur 6"       {tavrel blur $f 6}
    442 "median 4"     {tavrel median $f 4}
    550 "wind 12 4"    {tavrel wind $f 12 4}
    658 "emboss"       {tavrel convolution $f {{-2 -1 0} {-1 1 1} {0 1 2}}}
    766 "edges"        {tavrel convolution $f {{0 -1 0} {-1 4 -1} {0 -1 0}} abs}
} {
    set f [makeTile]
    eval $script
    place $f $x 10 $label
    tavrel delete $f
}

# Row 2: gradients and noise.
set g [makeTile]
tavrel bgcolor $g {255 0 0 255}
tavrel color $g {0 0 255 255}
tavrel gradient $g 0 0 95 95
place $g 10 140 gradient
tavrel delete $g
set g [makeTile]
tavrel bgcolor $g {255 255 0 200}
tavrel color $g {0 160 0 60}
tavrel compose $g over
tavrel gradient $g 0 48 95 48
place $g 118 140 "gradient over"
tavrel delete $g
set g [makeTile]
tavrel noise $g 120
place $g 226 140 "noise 120"
tavrel delete $g

# Row 3: the eleven compose modes, a translucent tile copied over the same
# background in each.
set over [makeTile]
tavrel compose $over replace
tavrel color $over {255 255 255 0}
tavrel rectangle $over 60 60 36 36
set x 10
foreach mode {replace over under plus minus add subtract difference bump map mix} {
    set base [tavrel create]
    tavrel resize $base 72 72
    tavrel color $base {60 120 200 255}
    tavrel fill $base
    tavrel color $base {240 240 240 120}
    tavrel rectangle $base 0 36 72 36
    tavrel compose $base $mode
    tavrel copy $base $over -from 12 12 -width 72 -height 72
    tavrel copy $sheet $base -to $x 280
    tavrel color $sheet {20 20 20}
    tavrel text $sheet $x 368 -text $mode -font $geomFont -size 11
    tavrel delete $base
    incr x 78
}

set png [file join $outdir geometry.png]
tavrel save $sheet -file $png -format png
puts "  scaled, rotated, blurred, boxed, smeared, embossed, gradients, noise and 11 compose modes into $png"
foreach img [list $sheet $tile $small $big $turned $over] { tavrel delete $img }
tavfont delete $geomFont
