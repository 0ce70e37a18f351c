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

# CPU time of this process in milliseconds: to the nanosecond through the
# benchmarks' own clock (bench/cpu_clock.cpp, found when the build tree is
# on auto_path), else in the 10 ms ticks above.  Source this file after
# auto_path is set.
if {![catch {package require tavrel_cpu_clock}]} {
    proc cpu_ms {} { expr {[::tavrel_cpu_clock::ns] / 1e6} }
} else {
    proc cpu_ms {} { expr {[cpu_ticks] * 10.0} }
}

# The CPU ms one run of SCRIPT takes (in the caller's scope).  Runs shorter
# than 50 ms are repeated until they add up to that, and the mean is given.
proc cpu_time_of {script} {
    set n 0
    set start [cpu_ms]
    while {1} {
        uplevel 1 $script
        incr n
        set spent [expr {[cpu_ms] - $start}]
        if {$spent >= 50} { return [expr {$spent / $n}] }
    }
}
