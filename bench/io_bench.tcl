# Loading and saving a 4000 x 3000 PPM through tavrel's -file, -channel and
# -data paths, against Tk's own PPM reader and writer in the same run.
#   xvfb-run -a tclsh bench/io_bench.tcl ?builddir? ?rounds?
# Without a display (or Tk) the Tk rows are left out.
set builddir [file normalize [expr {[llength $argv] > 0 ? [lindex $argv 0] : "build"}]]
set rounds [expr {[llength $argv] > 1 ? [lindex $argv 1] : 5}]
set ::auto_path [linsert $::auto_path 0 $builddir]
package require tavrel
set haveTk [expr {![catch {package require Tk}]}]
if {$haveTk} { wm withdraw . }

set width 4000
set height 3000
set dir [file join $builddir benchtmp]
file mkdir $dir
set ppm [file join $dir big.ppm]

# A picture with some structure, written once.
if {![file exists $ppm] || [file size $ppm] != 3 * $width * $height + 17} {
    set row {}
    for {set x 0} {$x < $width} {incr x} {
        append row [binary format cu3 [list [expr {$x & 255}] [expr {($x >> 4) & 255}] [expr {($x * 7) & 255}]]]
    }
    set f [open $ppm wb]
    puts -nonewline $f "P6\n$width $height\n255\n"
    for {set y 0} {$y < $height} {incr y} { puts -nonewline $f $row }
    close $f
}
set megabytes [expr {[file size $ppm] / 1e6}]

# Best of the rounds, in milliseconds.
proc best {script} {
    set times {}
    for {set i 0} {$i < $::rounds} {incr i} {
        lappend times [lindex [time {uplevel #0 $script}] 0]
    }
    return [expr {[tcl::mathfunc::min {*}$times] / 1000.0}]
}

set results {}
proc row {name ms} {
    lappend ::results [list $name $ms]
}

# Reading the file into a byte string: the floor for any loader.
row "read file (Tcl read)" [best {
    set f [open $::ppm rb]; set ::bytes [read $f]; close $f
}]

tavrel create img
row "tavrel load -file" [best { tavrel load img -file $::ppm }]
row "tavrel load -channel" [best {
    set f [open $::ppm rb]; tavrel load img -channel $f; close $f
}]
row "tavrel load -data" [best { tavrel load img -data $::bytes }]
row "tavrel save -file" [best { tavrel save img -file [file join $::dir out.ppm] }]
row "tavrel save -channel" [best {
    set f [open [file join $::dir out2.ppm] wb]; tavrel save img -channel $f; close $f
}]
row "tavrel save (data)" [best { set ::saved [tavrel save img] }]
if {$saved ne $bytes} { puts stderr "round trip differs!" }

if {$haveTk} {
    image create photo tkimg
    row "Tk photo read (-file)" [best { tkimg blank; tkimg read $::ppm -format ppm }]
    row "Tk image create photo -file" [best { image delete tkimg; image create photo tkimg -file $::ppm }]
    row "Tk photo data -format ppm" [best { tkimg blank; tkimg put $::bytes -format ppm }]
    row "Tk photo write -file" [best { tkimg write [file join $::dir tk.ppm] -format ppm }]
}

set tkRead {}
foreach r $results {
    if {[lindex $r 0] eq "Tk image create photo -file"} { set tkRead [lindex $r 1] }
}
puts [format "%-30s %10s %10s %12s" "$width x $height PPM" "ms" "MB/s" "Tk read/this"]
foreach r $results {
    lassign $r name ms
    set ratio [expr {$tkRead ne "" ? [format %.2f [expr {$tkRead / $ms}]] : "-"}]
    puts [format "%-30s %10.1f %10.0f %12s" $name $ms [expr {$megabytes / ($ms / 1000.0)}] $ratio]
}
tavrel delete img
if {$haveTk} { exit }
