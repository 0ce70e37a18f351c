// The tavcodec command: webcam codec objects and the kid hash.
#include "tcl/state_p.h"

int TavcodecCmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?arg ...?");
        return TCL_ERROR;
    }
    return TavNotAvailable(interp, "tavcodec", Tcl_GetString(objv[1]));
}
