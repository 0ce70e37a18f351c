# CPU time of this process, for the Tcl halves of the benchmarks: read from
# /proc so that other load on the machine does not count.

# User + system CPU time of this process in clock ticks (1/100 s).
proc cpu_ticks {} {
    set f [open /proc/self/stat]
    set stat [read $f]
    close $f
    # Fields after the command name, from the state (field 3) on.
    set fields [split [string range $stat [expr {[string last ")" $stat] + 2}] end] " "]
    expr {[lindex $fields 11] + [lindex $fields 12]}
}
