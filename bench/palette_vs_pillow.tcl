# tavrel's side of bench/palette_vs_pillow.sh: one round, each picture
# saved as PCX and as GIF, the CPU time of each save taken in this process;
# prints "format-kind milliseconds" lines.
#   tclsh palette_vs_pillow.tcl BUILDDIR WORKDIR TAG KIND...
lassign $argv builddir work tag
set kinds [lrange $argv 3 end]
source [file join [file dirname [info script]] cpu_time.tcl]
set auto_path [linsert $auto_path 0 $builddir]
package require tavrel

foreach kind $kinds {
    set img [tavrel create]
    tavrel load $img -file $work/$kind.ppm -format ppm
    foreach format {pcx gif} {
        set c0 [cpu_ticks]
        tavrel save $img -file $work/$kind.$tag.$format -format $format
        puts "$format-$kind [expr {([cpu_ticks] - $c0) * 10}]"
    }
    tavrel delete $img
}
