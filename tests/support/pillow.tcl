# Pillow as the peer of the command tests (run by `peer`, from
# tavrel_test.tcl), and comparing its decoding of a file with a PNG of ours.
set ::pillow /usr/bin/python3
testConstraint pillow [expr {[file executable $::pillow] && ![catch {exec $::pillow -c "import PIL"}]}]

# Runs Python with Pillow on the given code, arguments after it.
proc pillow {code args} { peer $::pillow -c $code {*}$args }

# The largest difference of any RGBA sample between Pillow's decoding of
# `file` and the PNG `png` (-1 when the sizes differ).
proc pillowDifference {file png} {
    pillow {
import sys
from PIL import Image
a = Image.open(sys.argv[1]).convert('RGBA')
b = Image.open(sys.argv[2]).convert('RGBA')
print(-1 if a.size != b.size else max((abs(x - y) for x, y in zip(a.tobytes(), b.tobytes())), default=0))
} $file $png
}

# Our reading of `file` (by the format named, or probed), written as PNG.
proc ourPng {file png {format {}}} {
    catch {tavrel delete peerImage}
    tavrel create peerImage
    if {$format eq ""} { tavrel load peerImage -file $file } else { tavrel load peerImage -file $file -format $format }
    tavrel save peerImage -file $png -format png
}
