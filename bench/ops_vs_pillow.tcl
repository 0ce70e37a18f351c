# tavrel's side of bench/ops_vs_pillow.sh: one round of each case, timed
# operation by operation (the picture is restored outside the timing,
# since our operations work in place); prints "case microseconds" lines.
#   tclsh ops_vs_pillow.tcl BUILDDIR PICTURES POLYGONS
lassign $argv builddir pictures polygonfile
set auto_path [linsert $auto_path 0 $builddir]
package require tavrel

proc readFile {path} { set f [open $path rb]; set d [read $f]; close $f; return $d }

# The best of a few runs of one operation on a fresh copy of the picture.
proc timed {img w h bytes script} {
    set best {}
    for {set i 0} {$i < 5} {incr i} {
        tavrel resize $img $w $h
        tavrel put $img $bytes
        set t0 [clock microseconds]
        uplevel 1 $script
        set us [expr {[clock microseconds] - $t0}]
        if {$best eq {} || $us < $best} { set best $us }
    }
    return $best
}

# The picture composed over an opaque canvas (tavrel copy under over
# against Image.alpha_composite); the canvas is laid afresh outside the timing.
proc timed_over {canvas picture w h} {
    set best {}
    for {set i 0} {$i < 5} {incr i} {
        tavrel resize $canvas $w $h
        tavrel compose $canvas replace
        tavrel color $canvas {40 90 160 255}
        tavrel fill $canvas
        tavrel compose $canvas over
        set t0 [clock microseconds]
        tavrel copy $canvas $picture
        set us [expr {[clock microseconds] - $t0}]
        if {$best eq {} || $us < $best} { set best $us }
    }
    return $best
}

set img [tavrel create]
set canvas [tavrel create]
set picture [tavrel create]
foreach {kind w h} $pictures {
    set bytes [readFile $kind.rgba]
    puts "crop-$kind [timed $img $w $h $bytes {::tavrel::crop $img 100 80 [expr {$w / 2}] [expr {$h / 2}]}]"
    puts "flip-$kind [timed $img $w $h $bytes {::tavrel::flip $img horizontal}]"
    puts "turn90-$kind [timed $img $w $h $bytes {::tavrel::turn $img 90}]"
    puts "thumbnail-$kind [timed $img $w $h $bytes {::tavrel::thumbnail $img 256 256}]"
    tavrel resize $picture $w $h
    tavrel compose $picture replace
    tavrel put $picture $bytes
    puts "over-$kind [timed_over $canvas $picture $w $h]"
}

# Polygons: filled, plain, opaque ink over a 1024 x 1024 canvas.
set polygons [split [string trim [readFile $polygonfile]] \n]
tavrel resize $img 1024 1024
tavrel color $img {200 60 30 255}
proc polygons {img polygons} { foreach p $polygons { tavrel polygon $img {*}$p } }
set t0 [clock microseconds]
polygons $img $polygons
puts "polygon10k [expr {[clock microseconds] - $t0}]"
