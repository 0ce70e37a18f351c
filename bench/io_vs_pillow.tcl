# The tavrel and Tk halves of bench/io_vs_pillow.sh: loads and saves the
# same files and prints "name milliseconds" lines (best CPU time of the
# rounds) and "size:name bytes" lines.
#   xvfb-run -a tclsh bench/io_vs_pillow.tcl BUILDDIR DATADIR ROUNDS
lassign $argv builddir data rounds
set ::auto_path [linsert $::auto_path 0 [file normalize $builddir]]
package require tavrel
set haveTk [expr {![catch {package require Tk}]}]
if {$haveTk} { wm withdraw . }

source [file join [file dirname [info script]] cpu_time.tcl]

# Best CPU time of the rounds, in ms (ticks are 1/100 s: each round runs
# the script often enough to take at least 30 ticks).
proc best {name script} {
    set start [clock microseconds]
    uplevel #0 $script
    set once [expr {max(1, [clock microseconds] - $start)}]
    set repeat [expr {max(1, int(300000 / $once))}]
    set times {}
    for {set i 0} {$i < $::rounds} {incr i} {
        set start [cpu_ticks]
        for {set k 0} {$k < $repeat} {incr k} { uplevel #0 $script }
        lappend times [expr {([cpu_ticks] - $start) * 10.0 / $repeat}]
    }
    puts [format "%s %.1f" $name [tcl::mathfunc::min {*}$times]]
}

set photo [file join $data photo]
set out [file join $data out]
tavrel create img
best tavrel_png_load { tavrel load img -file $photo.png }
best tavrel_png_save { tavrel save img -file $out.png -format png }
puts "size:tavrel_png_photo [file size $out.png]"
best tavrel_jpeg_load { tavrel load img -file $photo.jpg }
best tavrel_jpeg_save { tavrel save img -file $out.jpg -format jpeg }
best tavrel_ppm_load { tavrel load img -file $photo.ppm }
best tavrel_ppm_save { tavrel save img -file $out.ppm -format ppm }
tavrel load img -file [file join $data flat.ppm]
best tavrel_png_save_flat { tavrel save img -file $out-flat.png -format png }
puts "size:tavrel_png_flat [file size $out-flat.png]"

if {$haveTk} {
    best tk_png_load { image delete [image create photo -file $photo.png] }
    image create photo tkimg -file $photo.png
    best tk_png_save { tkimg write $out-tk.png -format png }
    puts "size:tk_png_photo [file size $out-tk.png]"
    best tk_ppm_load { image delete [image create photo -file $photo.ppm] }
    best tk_ppm_save { tkimg write $out-tk.ppm -format ppm }
    exit
}
