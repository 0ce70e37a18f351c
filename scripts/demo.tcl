# tavrel showcase.  Usage: tclsh demo.tcl BUILDDIR OUTDIR
# Runs every scripts/demo/*.tcl in name order; each may write pictures to
# $outdir and prints what it did.
lassign $argv builddir outdir
lappend auto_path [file normalize $builddir]
set version [package require tavrel]
puts "tavrel $version loaded into Tcl [info patchlevel]"
set here [file dirname [file normalize [info script]]]
foreach part [lsort [glob -nocomplain -directory [file join $here demo] *.tcl]] {
    puts "---- [file rootname [file tail $part]]"
    source $part
}
puts "Showcase pictures are in [file normalize $outdir]"
