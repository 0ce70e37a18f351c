# Webcam codec: a moving scene drawn with tavrel, encoded as a key frame and
# P-frames, decoded again; each row of the picture shows a frame as drawn
# (left) and as decoded (right).  Also a kid hash.
set scene [tavrel create]
tavrel resize $scene 320 240
set encoder [tavcodec create]
set decoder [tavcodec create]
set rows {}
set sizes {}
set frames {0 4 8 12}
for {set t 0} {$t <= [lindex $frames end]} {incr t} {
    # A lit wall, a window, a shelf of books and a ball moving across them.
    tavrel color $scene {178 160 130}
    tavrel fill $scene
    tavrel color $scene {205 225 250}
    tavrel rectangle $scene [expr {200 - $t}] 30 90 85
    tavrel color $scene {90 80 70}
    tavrel line $scene [expr {245 - $t}] 30 [expr {245 - $t}] 115 -width 5
    set x 20
    foreach c {{170 40 40} {40 90 160} {220 200 60} {40 130 70} {120 60 140} {170 40 40} {40 90 160}} {
        tavrel color $scene $c
        tavrel rectangle $scene [expr {$x - $t}] 170 14 45
        incr x 17
    }
    tavrel color $scene {225 170 140}
    tavrel oval $scene [expr {70 + 12 * $t}] [expr {120 + 3 * $t}] 40
    tavrel color $scene {60 40 30}
    tavrel oval $scene [expr {58 + 12 * $t}] [expr {112 + 3 * $t}] 5
    tavrel oval $scene [expr {82 + 12 * $t}] [expr {112 + 3 * $t}] 5

    set raw [tavrel get $scene]
    set frame [tavcodec encode $encoder $raw]
    set decoded [tavcodec decode $decoder $frame]
    binary scan $frame @12cu kind
    lappend sizes "[expr {$kind ? {P} : {key}}] [string length $frame]"
    if {$t in $frames} {
        for {set y 0} {$y < 240} {incr y} {
            set a [expr {$y * 960}]
            lappend rows [string range $raw $a [expr {$a + 959}]][string range $decoded $a [expr {$a + 959}]]
        }
    }
}
set strip [tavrel create]
tavrel resize $strip 640 [expr {240 * [llength $frames]}]
tavrel put $strip [join $rows {}]
tavrel save $strip -file [file join $outdir codec.png] -format png
puts "  frames (type bytes): [join $sizes {, }]"
puts "  quality [tavcodec quality $encoder], [tavcodec width $decoder]x[tavcodec height $decoder], codec.png"
puts "  kidhash 5 example: [tavcodec kidhash 5 example]"
tavcodec delete $encoder $decoder
tavrel delete $scene $strip
