# Our half and Tk's half of bench/io_vs_pillow.sh: one round of the file
# loads and saves of one picture, each step timed in this process in CPU
# time (bench/cpu_time.tcl), printed as "side case milliseconds" lines.
#   tclsh bench/io_vs_pillow.tcl ours BUILDDIR DATADIR KIND
#   tclsh bench/io_vs_pillow.tcl tk BUILDDIR DATADIR KIND     (needs a display)
# Tk's side runs in a tclsh that never loads the package, so that its own
# PNG and PPM drivers are the ones that read and write.
lassign $argv side builddir data kind
set ::auto_path [linsert $::auto_path 0 [file normalize $builddir]]
source [file join [file dirname [info script]] cpu_time.tcl]
set in [file join $data $kind]
set out [file join $data out-$kind.$side]

proc step {name script} {
    puts "$::side $name-$::kind [format %.3f [uplevel 1 [list cpu_time_of $script]]]"
}

if {$side eq "ours"} {
    package require tavrel
    set img [tavrel create]
    set back [tavrel create]
    step ppm_load { tavrel load $img -file $in.ppm }
    step ppm_save { tavrel save $img -file $out.ppm -format ppm }
    step png_save { tavrel save $img -file $out.png -format png }
    step jpeg_save { tavrel save $img -file $out.jpg -format jpeg }
    step png_load { tavrel load $back -file $in.png }
    step jpeg_load { tavrel load $back -file $in.jpg }
} else {
    package require Tk
    wm withdraw .
    step ppm_load { image delete [image create photo -file $in.ppm] }
    set photo [image create photo -file $in.ppm]
    step ppm_save { $photo write $out.ppm -format ppm }
    step png_save { $photo write $out.png -format png }
    step png_load { image delete [image create photo -file $in.png] }
    exit
}
