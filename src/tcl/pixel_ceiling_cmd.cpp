// ::tavrel::pixelCeiling ?pixels? — reads or sets the largest picture, in
// pixels, that any reader decodes.  The ceiling is one number for the whole
// process, so a safe interpreter may read it but never change it: raising
// it would let untrusted scripts decode pictures of any size, and lowering
// it would refuse files to every other interpreter.
#include "tcl/pixel_ceiling_p.h"

#include "tavrel.h"
#include "tcl/error_p.h"

#include <string>

namespace {

int pixel_ceiling_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc > 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "?pixels?");
        return TCL_ERROR;
    }
    if (objc == 2) {
        if (Tcl_IsSafe(interp))
            return tav::tcl_error(interp, tav::ErrorKind::Safe,
                                  "pixel ceiling cannot be changed in a safe interpreter");
        Tcl_WideInt pixels = 0;
        if (Tcl_GetWideIntFromObj(interp, objv[1], &pixels) != TCL_OK) return TCL_ERROR;
        if (TavSetPixelCeiling(static_cast<long long>(pixels)) != 0)
            return tav::tcl_error(interp, tav::ErrorKind::Value,
                                  std::string("pixel ceiling must be at least 1, got ") + Tcl_GetString(objv[1]));
    }
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(TavGetPixelCeiling())));
    return TCL_OK;
}

}  // namespace

void TavrelPixelCeilingInit(Tcl_Interp *interp) {
    Tcl_CreateObjCommand(interp, "::tavrel::pixelCeiling", pixel_ceiling_cmd, nullptr, nullptr);
}
