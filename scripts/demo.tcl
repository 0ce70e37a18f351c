# tavrel showcase.  Usage: tclsh demo.tcl BUILDDIR OUTDIR
lassign $argv builddir outdir
lappend auto_path [file normalize $builddir]
set version [package require tavrel]
puts "tavrel $version loaded into Tcl [info patchlevel]"
foreach cmd {tavrel tavfont tavcodec tavcopy} {
    puts "  command $cmd: [expr {[llength [info commands ::$cmd]] ? "present" : "missing"}]"
}
puts "Showcase pictures go to [file normalize $outdir]"
