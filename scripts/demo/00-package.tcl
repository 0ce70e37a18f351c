# The package and its four commands.
foreach cmd {tavrel tavfont tavcodec tavcopy} {
    puts "  command $cmd: [expr {[llength [info commands ::$cmd]] ? "present" : "missing"}]"
}
