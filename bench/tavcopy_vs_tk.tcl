# tavcopy between Tk photos and our images against Tk's own photo-to-photo
# copy, in one process, round by round, interleaved (ours, Tk, ours, Tk
# ...), each copy timed in CPU time (bench/cpu_time.tcl).  Prints "side
# case milliseconds" lines for bench/rounds_table.py.
#   tclsh bench/tavcopy_vs_tk.tcl BUILDDIR ROUNDS PPM...   (needs a display)
set argv [lassign $argv builddir rounds]
lappend auto_path [file normalize $builddir]
source [file join [file dirname [info script]] cpu_time.tcl]
package require Tk
wm withdraw .
package require tavrel

# Every picture is read by Tk's own PPM reader into the photo both copies
# start from.
set kinds {}
foreach path $argv {
    set kind [file rootname [file tail $path]]
    lappend kinds $kind
    set source($kind) [image create photo -file $path]
}
set image [tavrel create]
set target [image create photo]

# The first copy into a photo or image also sizes it: one untimed copy
# first, so that every round times the copy alone.
proc sample {side case script} {
    uplevel 1 $script
    puts "$side $case [format %.3f [uplevel 1 [list cpu_time_of $script]]]"
}

for {set round 0} {$round < $rounds} {incr round} {
    foreach kind $kinds {
        set photo $source($kind)
        sample ours photo_to_image-$kind { tavcopy $photo $image }
        sample tk photo_to_image-$kind { $target copy $photo }
        sample ours image_to_photo-$kind { tavcopy $image $target }
        sample tk image_to_photo-$kind { $target copy $photo }
    }
}
exit
