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

# A refused load leaves the image as it was, whichever reader refused; a
# tiny file claiming a 30000 x 30000 picture is refused before anything is
# allocated for it, and the pixel ceiling bounds what no ratio bounds.
set io_before [tavrel get $io_copy]
set io_bomb "P6 30000 30000 255\n[string repeat x 300]"
set io_t [lindex [time {set io_rc [catch {tavrel load $io_copy -data $io_bomb} io_msg]}] 0]
puts "  a [string length $io_bomb]-byte PPM claiming 30000 x 30000: $io_msg (in $io_t us);\
image still [tavrel width $io_copy] x [tavrel height $io_copy],\
[expr {[tavrel get $io_copy] eq $io_before ? "same pixels" : "CHANGED"}]"
puts "  pixel ceiling: [::tavrel::pixelCeiling] pixels"
tavrel delete $io_img $io_copy
