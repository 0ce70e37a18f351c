// The script-level faces of process-wide settings: the pixel ceiling and
// the random seed.
#pragma once

#include <tcl.h>

// Creates ::tavrel::pixelCeiling in the interpreter.
void TavrelPixelCeilingInit(Tcl_Interp *interp);

// Creates ::tavrel::seed, the script-level face of the process-wide fixed
// random seed (seed_cmd.cpp).
void TavrelSeedInit(Tcl_Interp *interp);
