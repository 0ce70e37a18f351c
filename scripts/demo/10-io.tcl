# Images by name: create, fill with raw pixels, save and load PPM through
# files, channels and byte strings, and query them.
set io_img [tavrel create]
tavrel resize $io_img 256 64
set io_rgb ""
for {set y 0} {$y < 64} {incr y} {
    for {set x 0} {$x < 256} {incr x} {
        append io_rgb [binary format cu3 [list $x [expr {$y * 4}] [expr {255 - $x}]]]
    }
}
tavrel put $io_img $io_rgb
set io_file [file join $outdir 10-io-gradient.ppm]
tavrel save $io_img -file $io_file
puts "  $io_img: [tavrel width $io_img] x [tavrel height $io_img], saved to [file tail $io_file] ([file size $io_file] bytes)"

set io_copy [tavrel create io-copy]
set io_chan [open $io_file rb]
tavrel load $io_copy -channel $io_chan
close $io_chan
puts "  loaded back through a channel: [expr {[tavrel get $io_copy] eq $io_rgb ? "same pixels" : "DIFFERENT pixels"}]"

set io_grey "P5\n4 1\n15\n[binary format cu* {0 5 10 15}]"
tavrel load $io_copy -data $io_grey
binary scan [tavrel get $io_copy] cu* io_px
puts "  a 4-level PGM from a string reads as [lsort -unique -integer $io_px]"
puts "  quality [tavrel quality $io_copy], set to 80: [tavrel quality $io_copy 80]"
if {[catch {tavrel load $io_copy -data "not an image"} io_msg]} { puts "  bad data: $io_msg" }
tavrel delete $io_img $io_copy
