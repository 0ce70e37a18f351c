# BMP, PCX, SGI and WBMP: one picture saved in each format and loaded back
# by probing, laid side by side (the original first) in formats.png.
set w 160
set h 120
set src [tavrel create]
tavrel resize $src $w $h
set bytes {}
for {set y 0} {$y < $h} {incr y} {
    for {set x 0} {$x < $w} {incr x} {
        lappend bytes [expr {$x * 255 / $w}] [expr {$y * 255 / $h}] [expr {(($x ^ $y) & 16) ? 220 : 60}]
    }
}
tavrel put $src [binary format cu* $bytes]
tavrel color $src {255 255 255}
tavrel oval $src 80 60 50 40
tavrel color $src {200 30 30}
tavrel line $src 10 110 150 10 -width 5

set panels [list [tavrel get $src]]
foreach format {bmp pcx sgi wbmp} {
    set path [file join $outdir formats.$format]
    tavrel save $src -file $path -format $format
    set back [tavrel create]
    tavrel load $back -file $path
    puts "  formats.$format: [file size $path] bytes, loads back as [tavrel width $back]x[tavrel height $back]"
    lappend panels [tavrel get $back]
    tavrel delete $back
}

# The sheet: the five panels in one row, a row of bytes at a time.
set row [expr {$w * 3}]
set sheet {}
for {set y 0} {$y < $h} {incr y} {
    foreach panel $panels {
        append sheet [string range $panel [expr {$y * $row}] [expr {($y + 1) * $row - 1}]]
    }
}
set out [tavrel create]
tavrel resize $out [expr {$w * [llength $panels]}] $h
tavrel put $out $sheet
tavrel save $out -file [file join $outdir formats.png] -format png
puts "  formats.png: original, then BMP, PCX, SGI and WBMP as loaded back"
tavrel delete $out
tavrel delete $src
