# Exits the process while worker threads still hold the package: each
# thread's state must be released on that thread, never by the exit of the
# main one.  Prints "ok" just before exiting; a crash or panic loses it.
package require Thread
set lib [lindex $argv 0]
load $lib Tavrel
set workers {}
for {set i 0} {$i < 3} {incr i} {
    set t [thread::create]
    thread::send $t [list load $lib Tavrel]
    thread::send $t {set img [tavrel create]; tavrel resize $img 64 64}
    lappend workers $t
}
foreach t $workers { thread::send -async $t {tavrel resize $img 32 32} }
puts ok
exit 0
