# tavrel's side of bench/draw_vs_pillow.sh: the same primitives on a
# 1024 x 1024 RGBA canvas through the tavrel command, opaque ink under the
# image's default compose mode (over), best of ROUNDS in CPU time; prints
# "name microseconds-per-primitive" lines.
#   tclsh draw_vs_pillow.tcl BUILDDIR SHAPES ROUNDS
lassign $argv builddir shapefile rounds
set auto_path [linsert $auto_path 0 $builddir]
package require tavrel
source [file join [file dirname [info script]] cpu_time.tcl]

set f [open $shapefile]
set shapes [split [string trim [read $f]] \n]
close $f

set img [tavrel create]
tavrel resize $img 1024 1024
tavrel color $img {0 0 0 255}
tavrel fill $img
tavrel color $img {200 60 30 255}

# Each primitive is a procedure over the whole list, so that the loop is
# byte-compiled as Pillow's is.
proc circle50 {img shapes} { foreach s $shapes { lassign $s x y; tavrel oval $img $x $y 50 } }
proc oval50 {img shapes} { foreach s $shapes { lassign $s x y; tavrel arc $img $x $y 50 } }
proc line1 {img shapes} { foreach s $shapes { tavrel line $img {*}$s } }
proc aaline1 {img shapes} { foreach s $shapes { tavrel line $img {*}$s -antialiased 1 } }
proc aaline5 {img shapes} { foreach s $shapes { tavrel line $img {*}$s -width 5 -antialiased 1 } }
proc rect256 {img shapes} {
    foreach s $shapes { lassign $s x y; tavrel rectangle $img [expr {$x - 128}] [expr {$y - 128}] 256 256 }
}
proc rect16 {img shapes} {
    foreach s $shapes { lassign $s x y; tavrel rectangle $img [expr {$x - 8}] [expr {$y - 8}] 16 16 }
}

set count [llength $shapes]
foreach name {circle50 aaline1 line1 rect256 rect16 aaline5 oval50} {
    set best {}
    for {set r 0} {$r < $rounds} {incr r} {
        set start [cpu_ms]
        $name $img $shapes
        set per [expr {([cpu_ms] - $start) * 1000.0 / $count}]
        if {$best eq {} || $per < $best} { set best $per }
    }
    puts [format "%s %.3f" $name $best]
}
