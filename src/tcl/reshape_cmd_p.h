// ::tavrel::crop, flip, turn, thumbnail and getRGBA.
#pragma once

#include "tcl/state_p.h"

// Creates the commands in the interpreter; they find images in `state`.
void TavrelReshapeInit(Tcl_Interp *interp, TavInterpState *state);
