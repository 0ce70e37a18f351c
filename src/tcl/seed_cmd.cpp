// ::tavrel::seed ?integer? — fixes the seed of the generator behind
// dithering, noise and gradients, so a run can be repeated byte for byte;
// an empty string goes back to seeding from the clock.  The result is the
// fixed seed, or an empty string while the clock seeds.  The generator is one for the whole process, so a safe
// interpreter may read the seed but not set it.
#include "tcl/error_p.h"
#include "tcl/pixel_ceiling_p.h"

#include "tavrel.h"

#include <string>

namespace {

int seed_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc > 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "?integer?");
        return TCL_ERROR;
    }
    if (objc == 2) {
        if (Tcl_IsSafe(interp))
            return tav::tcl_error(interp, tav::ErrorKind::Safe, "random seed cannot be changed in a safe interpreter");
        Tcl_WideInt seed = 0;
        if (Tcl_GetCharLength(objv[1]) == 0) {
            TavClearRandomSeed();
            return TCL_OK;
        }
        if (Tcl_GetWideIntFromObj(interp, objv[1], &seed) != TCL_OK) return TCL_ERROR;
        if (seed < 0 || seed > 0xFFFFFFFFLL)
            return tav::tcl_error(interp, tav::ErrorKind::Value,
                                  std::string("random seed must be from 0 to 4294967295, got ") + Tcl_GetString(objv[1]));
        TavSetRandomSeed(static_cast<unsigned int>(seed));
    }
    unsigned int seed = 0;
    if (TavGetRandomSeed(&seed)) Tcl_SetObjResult(interp, Tcl_NewWideIntObj(static_cast<Tcl_WideInt>(seed)));
    return TCL_OK;
}

}  // namespace

void TavrelSeedInit(Tcl_Interp *interp) {
    Tcl_CreateObjCommand(interp, "::tavrel::seed", seed_cmd, nullptr, nullptr);
}
