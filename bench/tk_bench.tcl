# Tk photos: tavcopy against Tk's own photo-to-photo copy, and photos
# created from files through the package's formats against Tk's built-in
# ones, side by side in one run.
#   xvfb-run -a tclsh bench/tk_bench.tcl BUILDDIR ?REPEATS?   (needs a display)
# Prints the best wall time of each of REPEATS runs (default 5) and the
# ratios.  Tk's built-in readers run in a thread of their own that never
# loads the package: Tk keeps photo formats per thread.
lassign $argv builddir repeats
if {$repeats eq ""} { set repeats 5 }
package require Tk
package require Thread
wm withdraw .
lappend auto_path [file normalize $builddir]
package require tavrel

set W 4000
set H 3000

proc best_ms {repeats script} {
    set best Inf
    for {set i 0} {$i < $repeats} {incr i} {
        set t0 [clock microseconds]
        uplevel #0 $script
        set t [expr {([clock microseconds] - $t0) / 1000.0}]
        if {$t < $best} { set best $t }
    }
    return $best
}

# A photo-like picture: smooth ramps with some texture, opaque.
set src [tavrel create]
tavrel resize $src $W $H
set row {}
for {set x 0} {$x < $W} {incr x} {
    lappend row [expr {$x * 255 / $W}] [expr {($x * 7) % 256}] [expr {255 - $x * 255 / $W}]
}
set rowBytes [binary format cu* $row]
set rgb [string repeat $rowBytes $H]
tavrel put $src $rgb
unset rgb row

set photoA [image create photo]
set photoB [image create photo -width $W -height $H]
set back [tavrel create]
tavcopy $src $photoA

set results {}
proc report {key label ms} {
    lappend ::results $key $ms
    puts [format "%-34s %9.1f ms" $label $ms]
}

report to_tk "tavcopy image -> photo" [best_ms $repeats [list tavcopy $src $photoA]]
report from_tk "tavcopy photo -> image" [best_ms $repeats [list tavcopy $photoA $back]]
report tk_copy "Tk photo copy" [best_ms $repeats [list $photoB copy $photoA]]

set worker [thread::create]
thread::send $worker {package require Tk; wm withdraw .}
set dir [file join [file normalize $builddir] bench-tk]
file mkdir $dir
foreach format {png gif} {
    set path [file join $dir big.$format]
    if {[catch {tavrel save $src -file $path -format $format}]} {
        puts [format "%-34s %s" "$format load" "skipped: no $format writer yet"]
        continue
    }
    report ours_$format "$format: image create photo (ours)" [best_ms $repeats [list apply {{path} {
        image delete [image create photo -file $path]
    }} $path]]
    set tk_ms [thread::send $worker [list apply {{path repeats} {
        set best Inf
        for {set i 0} {$i < $repeats} {incr i} {
            set t0 [clock microseconds]
            image delete [image create photo -file $path]
            set t [expr {([clock microseconds] - $t0) / 1000.0}]
            if {$t < $best} { set best $t }
        }
        return $best
    }} $path $repeats]]
    report tk_$format "$format: image create photo (Tk)" $tk_ms
}
thread::release $worker
file delete -force $dir

array set r $results
puts ""
puts [format "tavcopy image->photo / Tk copy: %.2f" [expr {$r(to_tk) / $r(tk_copy)}]]
puts [format "tavcopy photo->image / Tk copy: %.2f" [expr {$r(from_tk) / $r(tk_copy)}]]
foreach format {png gif} {
    if {[info exists r(ours_$format)]} {
        puts [format "%s load, ours / Tk's:         %.2f" $format [expr {$r(ours_$format) / $r(tk_$format)}]]
    }
}
exit
