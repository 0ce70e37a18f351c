// Commands whose subsystems have not been built yet answer with a clear
// message naming the subcommand.
#include "tcl/state_p.h"

namespace {

int not_yet(const char *command, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?arg ...?");
        return TCL_ERROR;
    }
    return TavNotAvailable(interp, command, Tcl_GetString(objv[1]));
}

}  // namespace

int TavrelCmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return not_yet("tavrel", interp, objc, objv);
}

int TavfontCmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return not_yet("tavfont", interp, objc, objv);
}

int TavcodecCmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return not_yet("tavcodec", interp, objc, objv);
}

int TavcopyCmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return not_yet("tavcopy", interp, objc, objv);
}

void Tavrel_RegisterTkPhotoFormats(Tcl_Interp *) {}
