// The script-level view of a GIF's frames.
#pragma once

#include <tcl.h>

// Creates ::tavrel::gifFrames in the interpreter.
void TavrelGifFramesInit(Tcl_Interp *interp);
