# Tk photos: pictures made by the library, loaded by Tk through the
# package's formats (no -format: the automatic "tavrel" format recognises
# them), and a tavrel image bound to a photo, drawn into while it is shown.
# Needs a display (scripts/demo.sh runs the showcase under xvfb-run); the
# window is saved as tk.png.
if {![info exists ::env(DISPLAY)] || [catch {package require Tk}]} {
    puts "  skipped: no display"
    return
}
wm title . "tavrel and Tk"
. configure -background #20242e

# A photo on screen, and a tavrel image drawing straight into it.  Tk was
# loaded after the package: its photo formats arrive with this first Tk
# command of the package.
set live [image create photo -width 496 -height 150]
label .live -image $live -borderwidth 0
grid .live -row 0 -column 0 -columnspan 3 -pady 6
label .livecap -text "tavrel create -tkphoto: drawn into while shown" -foreground #e0e0e0 -background #20242e
grid .livecap -row 1 -column 0 -columnspan 3 -pady {0 6}
set drawn [tavrel create -tkphoto $live]
tavrel color $drawn {16 18 24}
tavrel fill $drawn
for {set k 0} {$k < 24} {incr k} {
    set x [expr {12 + $k * 20}]
    set h [expr {int(60 + 50 * sin($k / 3.0))}]
    tavrel color $drawn [list [expr {80 + $k * 7}] [expr {200 - $k * 5}] 230]
    tavrel rectangle $drawn $x [expr {140 - $h}] 14 $h
    tavrel color $drawn {255 255 255}
    tavrel oval $drawn [expr {$x + 7}] [expr {140 - $h}] 4
    update   ;# every step shows on screen at once
}
# One picture, written as PNG, JPEG and PPM.
set art [tavrel create]
tavrel resize $art 160 120
tavrel color $art {30 40 70}
tavrel fill $art
foreach {r g b cx cy rad} {240 180 60 50 50 36  90 200 160 105 60 40  230 90 120 80 90 30} {
    tavrel color $art [list $r $g $b]
    tavrel oval $art $cx $cy $rad
}
tavrel color $art {250 250 250}
tavrel line $art 5 115 155 5 -width 3
set row 0
foreach format {png jpeg ppm} {
    set path [file join $outdir tk-art.$format]
    tavrel save $art -file $path -format $format
    set photo [image create photo -file $path]
    label .pic$format -image $photo -borderwidth 0
    label .cap$format -text "[string toupper $format] loaded by Tk" -foreground #e0e0e0 -background #20242e
    grid .pic$format -row 2 -column $row -padx 6 -pady {6 0}
    grid .cap$format -row 3 -column $row
    incr row
}
tavrel delete $art

# And back: the photo copied into a library image and saved.
set copy [tavcopy $live]
tavrel save $copy -file [file join $outdir tk-live.png] -format png
puts "  live photo $live: [image width $live]x[image height $live], copied back as [tavrel width $copy]x[tavrel height $copy]"
tavrel delete $copy $drawn

update
after 200
update
set shot [file join $outdir tk.png]
if {[catch {exec import -window [winfo id .] $shot} msg]} {
    puts "  window not saved: $msg"
} else {
    puts "  window saved as tk.png"
}
destroy .
