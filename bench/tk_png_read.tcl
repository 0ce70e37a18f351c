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

# User + system CPU time of this process in clock ticks (1/100 s).
proc cpu_ticks {} {
    set f [open /proc/self/stat]
    set stat [read $f]
    close $f
    # Fields after the command name, from the state (field 3) on.
    set fields [split [string range $stat [expr {[string last ")" $stat] + 2}] end] " "]
    expr {[lindex $fields 11] + [lindex $fields 12]}
}

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
