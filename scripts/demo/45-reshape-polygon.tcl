# Polygons and whole-image operations: a star filled by the even-odd and the
# non-zero rule, antialiased and not, an outline; then the same picture
# turned a quarter, flipped and shrunk to a thumbnail, side by side.
set w 320
set h 160
set img [tavrel create]
tavrel resize $img $w $h
tavrel color $img {245 242 232}
tavrel fill $img

# A five-pointed star drawn in one stroke crosses itself: its middle is
# outside under even-odd and inside under non-zero.
proc star {cx cy r} {
    set points {}
    for {set k 0} {$k < 5} {incr k} {
        set a [expr {-acos(-1) / 2 + $k * 4 * acos(-1) / 5}]
        lappend points [expr {$cx + $r * cos($a)}] [expr {$cy + $r * sin($a)}]
    }
    return $points
}
tavrel color $img {200 60 50}
tavrel polygon $img {*}[star 45 80 60] -rule evenodd
tavrel color $img {40 110 190}
tavrel polygon $img {*}[star 125 80 60] -rule nonzero -antialiased 1
tavrel color $img {30 30 30}
tavrel polygon $img {*}[star 205 80 60] -fill 0
tavrel color $img {60 150 70}
tavrel polygon $img 250 30 310 50 300 130 260 140 275 85 -antialiased 1
tavrel save $img -file [file join $outdir polygons.png]
puts "  polygons.png: even-odd, non-zero antialiased, outline, and a concave shape"

# The same picture turned, flipped and as a 120-pixel thumbnail.
set turned [tavrel create]; tavrel resize $turned $w $h; tavrel copy $turned $img
::tavrel::turn $turned 90
set flipped [tavrel create]; tavrel resize $flipped $w $h; tavrel copy $flipped $img
::tavrel::flip $flipped vertical
set thumb [tavrel create]; tavrel resize $thumb $w $h; tavrel copy $thumb $img
::tavrel::thumbnail $thumb 120 120
set sheet [tavrel create]
tavrel resize $sheet [expr {$h + $w + 120 + 20}] $w
tavrel color $sheet {255 255 255}
tavrel fill $sheet
tavrel copy $sheet $turned -to 0 0
tavrel copy $sheet $flipped -to [expr {$h + 10}] 0
tavrel copy $sheet $thumb -to [expr {$h + $w + 20}] 0
tavrel save $sheet -file [file join $outdir reshape.png]
puts "  reshape.png: turned 90 degrees, flipped vertically, thumbnail [tavrel width $thumb]x[tavrel height $thumb]"
foreach i [list $img $turned $flipped $thumb $sheet] { tavrel delete $i }
rename star {}
