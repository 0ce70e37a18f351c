# PNG and JPEG: a colour ramp saved in both formats, loaded back by probing.
set demo [tavrel create]
tavrel resize $demo 256 128
set bytes {}
for {set y 0} {$y < 128} {incr y} {
    for {set x 0} {$x < 256} {incr x} {
        lappend bytes $x [expr {$y * 2}] [expr {255 - $x}]
    }
}
tavrel put $demo [binary format cu* $bytes]
tavrel quality $demo 90
foreach {format file} {png ramp.png jpeg ramp.jpg} {
    set path [file join $outdir $file]
    tavrel save $demo -file $path -format $format
    set back [tavrel create]
    tavrel load $back -file $path
    puts "  $file: [file size $path] bytes, loads back as [tavrel width $back]x[tavrel height $back]"
    tavrel delete $back
}
tavrel delete $demo
