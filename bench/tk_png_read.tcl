# Tk 8.6's own PNG reader against tavrel load, both from the same file.
#   tclsh tk_png_read.tcl BUILDDIR PNGFILE JPEGFILE ITERATIONS   (needs a display)
# Prints "tk_png MS", "tavrel_png MS" and "tavrel_jpeg MS": mean CPU times
# of this process (from /proc, so that other load on the machine does not
# count).
lassign $argv builddir png jpeg iterations
package require Tk
wm withdraw .
lappend auto_path [file normalize $builddir]
package require tavrel

source [file join [file dirname [info script]] cpu_time.tcl]

proc mean_ms {script iterations} {
    uplevel #0 $script  ;# warm-up, and the file in the page cache
    set start [cpu_ticks]
    for {set i 0} {$i < $iterations} {incr i} { uplevel #0 $script }
    expr {([cpu_ticks] - $start) * 10.0 / $iterations}
}

puts [format "tk_png %.1f" [mean_ms [list apply {{path} {
    image delete [image create photo -file $path]
}} $png] $iterations]]
tavrel create img
puts [format "tavrel_png %.1f" [mean_ms [list tavrel load img -file $png] $iterations]]
puts [format "tavrel_jpeg %.1f" [mean_ms [list tavrel load img -file $jpeg] $iterations]]
exit
