# Runs the tcltest files of the package.
#   tclsh all.tcl -builddir DIR -notk   every .test outside tests/tk/
#   tclsh all.tcl -builddir DIR -tk     the .test files of tests/tk/, with Tk
#   ... -file PATH                      that file alone (ctest runs each so)
package require tcltest 2
set here [file dirname [file normalize [info script]]]
set builddir [file join $here .. build]
set withTk 0
set rest {}
set only {}
for {set i 0} {$i < [llength $argv]} {incr i} {
    switch -- [lindex $argv $i] {
        -builddir { incr i; set builddir [lindex $argv $i] }
        -tk { set withTk 1 }
        -notk { set withTk 0 }
        -file { incr i; lappend only [file normalize [lindex $argv $i]] }
        default { lappend rest [lindex $argv $i] }
    }
}
set ::env(TAVREL_BUILD_DIR) [file normalize $builddir]
# ctest sets the source tree too; a run by hand finds it from here.
if {![info exists ::env(TAVREL_SOURCE_DIR)]} { set ::env(TAVREL_SOURCE_DIR) [file dirname $here] }
if {$withTk} {
    package require Tk
    wm withdraw .
}
if {[llength $only]} {
    set files $only
} elseif {$withTk} {
    set files [glob -nocomplain -directory [file join $here tk] *.test]
} else {
    set files {}
    foreach dir [glob -nocomplain -type d -directory $here *] {
        if {[file tail $dir] ne "tk"} {
            lappend files {*}[glob -nocomplain -directory $dir *.test]
        }
    }
}
proc child_exit {args} { return -code error -errorcode TAVREL_TEST_EXIT "exit" }
set failed 0
set total 0
set passed 0
set skipped 0
foreach file [lsort $files] {
    puts "==== [file tail $file]"
    set child [interp create]
    if {$withTk} { load {} Tk $child }
    # tcltest ends a Tk interpreter with [exit]; in a child that would end
    # the whole run, so the child's exit only stops its file.
    interp hide $child exit
    interp alias $child exit {} ::child_exit
    $child eval [list set argv $rest]
    $child eval [list set ::env(TAVREL_BUILD_DIR) $::env(TAVREL_BUILD_DIR)]
    $child eval [list set ::env(TAVREL_SOURCE_DIR) $::env(TAVREL_SOURCE_DIR)]
    $child eval {
        package require tcltest 2
        tcltest::configure -verbose {error}
        proc tcltest::cleanupTestsHook {} {
            variable numTests
            set ::__counts [list $numTests(Total) $numTests(Passed) $numTests(Skipped) $numTests(Failed)]
        }
    }
    if {[catch {$child eval [list source $file]} msg opts] && [dict get $opts -errorcode] ne "TAVREL_TEST_EXIT"} {
        puts "ERROR in $file: $msg"
        incr failed
    } elseif {[$child eval {info exists ::__counts}]} {
        lassign [$child eval {set ::__counts}] t p s f
        incr total $t; incr passed $p; incr skipped $s; incr failed $f
    }
    interp delete $child
}
puts "tcltest: $passed passed, $failed failed, $skipped skipped (of $total)"
exit [expr {$failed != 0}]
