# Times the geometry and filter subcommands on a 1920x1080 RGBA picture
# (raw RGBA bytes in PICTURE, made by geometry_vs_pillow.sh).
# Usage: tclsh geometry_vs_pillow.tcl BUILDDIR REPEATS PICTURE; prints
# "name seconds" (best CPU time of REPEATS) per line.
lassign $argv builddir repeats picture
lappend auto_path [file normalize $builddir]
package require tavrel
source [file join [file dirname [info script]] cpu_time.tcl]

set w 1920; set h 1080
set src [tavrel create]
tavrel resize $src $w $h
tavrel compose $src replace
set f [open $picture rb]
tavrel put $src [read $f]
close $f
set work [tavrel create]
tavrel compose $work replace

proc best {script} {
    set t 1e9
    for {set i 0} {$i < $::repeats} {incr i} {
        tavrel resize $::work $::w $::h
        tavrel copy $::work $::src
        set start [cpu_ms]
        uplevel #0 $script
        set t [expr {min($t, ([cpu_ms] - $start) / 1e3)}]
    }
    return $t
}

proc sized {dw dh script} {
    set d [tavrel create]
    tavrel resize $d $dw $dh
    tavrel compose $d replace
    set ::dst $d
    set t [best $script]
    tavrel delete $d
    return $t
}

foreach r {1 3 10} { puts "blur$r [best "tavrel blur \$::work $r"]" }
foreach r {1 5 50} { puts "median$r [best "tavrel median \$::work $r"]" }
puts "half_nearest [sized 960 540 {tavrel scale $::dst $::work -quality 1}]"
puts "double_nearest [sized 3840 2160 {tavrel scale $::dst $::work -quality 1}]"
puts "half_box [sized 960 540 {tavrel scale $::dst $::work}]"
puts "double_box [sized 3840 2160 {tavrel scale $::dst $::work}]"
# Rotation by 30 degrees into the rotated picture's bounding box.
set rw [expr {int(ceil($w * cos(0.5235987755982988) + $h * sin(0.5235987755982988)))}]
set rh [expr {int(ceil($w * sin(0.5235987755982988) + $h * cos(0.5235987755982988)))}]
puts "rotate_q1 [sized $rw $rh {tavrel scale $::dst $::work -angle 0.5235987755982988 -quality 1}]"
puts "rotate_q2 [sized $rw $rh {tavrel scale $::dst $::work -angle 0.5235987755982988 -quality 2}]"
