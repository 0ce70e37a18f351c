# Common set-up for the command tests: load the package from the build tree.
package require tcltest 2
namespace import -force ::tcltest::*
if {![info exists ::env(TAVREL_BUILD_DIR)]} {
    set ::env(TAVREL_BUILD_DIR) [file normalize [file join [file dirname [info script]] .. .. build]]
}
set ::auto_path [linsert $::auto_path 0 $::env(TAVREL_BUILD_DIR)]
package require tavrel
# Dithering, noise and gradients draw from one generator; a fixed seed makes
# every run of a test give the same bytes.
::tavrel::seed 20261209
