# Common set-up for the command tests: load the package from the build tree.
package require tcltest 2
namespace import -force ::tcltest::*
if {![info exists ::env(TAVREL_BUILD_DIR)]} {
    set ::env(TAVREL_BUILD_DIR) [file normalize [file join [file dirname [info script]] .. .. build]]
}
set ::auto_path [linsert $::auto_path 0 $::env(TAVREL_BUILD_DIR)]
package require tavrel
# Peer programs (netpbm, ImageMagick, Python) run without the sanitizer
# runtime a sanitized build preloads into this tclsh: `peer` runs one and
# returns its output, `peerCommand` gives the command for a pipe or an exec
# with redirections of its own.
proc peer {args} {
    set saved [array get ::env LD_PRELOAD]
    unset -nocomplain ::env(LD_PRELOAD)
    try {
        return [exec {*}$args]
    } finally {
        array set ::env $saved
    }
}
proc peerCommand {args} { list env -u LD_PRELOAD {*}$args }
# Dithering, noise and gradients draw from one generator; a fixed seed makes
# every run of a test give the same bytes.
::tavrel::seed 20261209
