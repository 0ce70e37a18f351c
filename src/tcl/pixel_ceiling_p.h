// The script-level face of the process-wide pixel ceiling.
#pragma once

#include <tcl.h>

// Creates ::tavrel::pixelCeiling in the interpreter.
void TavrelPixelCeilingInit(Tcl_Interp *interp);
