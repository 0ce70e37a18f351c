// The tavcopy command: copying to and from Tk photos.
#include "tcl/state_p.h"

int TavcopyCmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?arg ...?");
        return TCL_ERROR;
    }
    return TavNotAvailable(interp, "tavcopy", Tcl_GetString(objv[1]));
}
