# Our half of bench/formats_vs_pillow.sh: one round of the BMP, PCX, SGI
# and GIF loads and saves of one picture, each step timed in this process
# in CPU time (bench/cpu_time.tcl), printed as "ours case milliseconds".
# Loads read the files Pillow wrote, the ones its loads are timed on; the
# PCX and GIF saves go through our quantiser, as Pillow's do through its.
#   tclsh bench/formats_vs_pillow.tcl BUILDDIR DATADIR KIND
lassign $argv builddir data kind
set ::auto_path [linsert $::auto_path 0 [file normalize $builddir]]
source [file join [file dirname [info script]] cpu_time.tcl]
package require tavrel
set in [file join $data $kind]
set out [file join $data out-$kind.ours]

proc step {name script} {
    puts "ours $name-$::kind [format %.3f [uplevel 1 [list cpu_time_of $script]]]"
}

set img [tavrel create]
set back [tavrel create]
tavrel load $img -file $in.ppm -format ppm
foreach format {bmp pcx sgi gif} {
    step ${format}_save { tavrel save $img -file $out.$format -format $format }
    step ${format}_load { tavrel load $back -file $in.$format -format $format }
}
step pcx8_load { tavrel load $back -file $in-256.pcx -format pcx }
