# Reading the manual pages of doc/ for the tests: the raw roff text, the
# entries of a page, and the examples with roff escapes undone.
set ::docdir [file normalize [file join [file dirname [info script]] .. .. doc]]
if {[info exists ::env(TAVREL_SOURCE_DIR)]} { set ::docdir [file join $::env(TAVREL_SOURCE_DIR) doc] }

proc page {name} {
    set f [open [file join $::docdir $name]]
    set text [read $f]
    close $f
    return $text
}

# Roff text as a reader sees it: fonts dropped, escapes turned back into
# the characters they print.
proc unroff {text} {
    regsub -all {\\f[BIRP]} $text {} text
    string map {\\- - \\e \\ \\(-> → \\& {} \\(bu * \\(mu x} $text
}

# The .EX/.EE blocks of a page, ready to run.
proc examples {name} {
    set blocks {}
    foreach {- body} [regexp -all -inline {\n\.EX\n(.*?)\n\.EE} [page $name]] {
        lappend blocks [unroff $body]
    }
    return $blocks
}

# Entry headings of a page as triples {section heading pending}: the
# headings are the lines that start an entry (after .TP or .TQ); pending is
# 1 when the roff comment `.\" pending` precedes the entry, which documents
# work that is not merged yet and may be missing from the package.
proc entries {name} {
    set result {}
    lassign {{} 0 0} section pending after
    foreach line [split [page $name] \n] {
        if {[regexp {^\.SH "?([^"]*)"?$} $line -> section]} continue
        if {$line eq {.\" pending}} { set pending 1; continue }
        if {$line in {.TP .TQ}} { set after 1; continue }
        if {$after} { lappend result [list $section [unroff $line] $pending]; set pending 0 }
        set after 0
    }
    return $result
}
