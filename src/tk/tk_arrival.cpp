// Tk loaded after the package.  The photo formats must be there as soon as
// both are loaded, whichever came first, without any tavrel call between:
// `package require tavrel; package require Tk; image create photo -file
// x.bmp`.  Tcl has no hook for "a package arrived", so leave traces on
// `package` and `load` ask after each call whether Tk is present now; once
// it is, the formats are registered and the traces remove themselves, so
// the cost is one check per `package` call until Tk comes, and none after.
#include "tcl/state_p.h"

#include <tk.h>

namespace {

constexpr const char *kWatcher = "::tavrel::private::tkArrived";
const char *const kWatched[] = {"::package", "::load"};

void set_traces(Tcl_Interp *interp, const char *verb) {
    for (const char *command : kWatched) {
        Tcl_Obj *script = Tcl_ObjPrintf("trace %s execution %s leave %s", verb, command, kWatcher);
        Tcl_IncrRefCount(script);
        // `load` is hidden in a safe interpreter: there is nothing to watch.
        (void)Tcl_EvalObjEx(interp, script, TCL_EVAL_GLOBAL);
        Tcl_DecrRefCount(script);
    }
    Tcl_ResetResult(interp);
}

// The trace's command.  Tcl keeps the traced command's result around it;
// it always returns TCL_OK, since an error here would become the error of
// the `package` or `load` call it watches.
int tk_arrived(ClientData, Tcl_Interp *interp, int, Tcl_Obj *const[]) {
    if (Tcl_PkgPresent(interp, "Tk", "8.3", 0) && Tavrel_RegisterTkPhotoFormats(interp) == 0) {
        set_traces(interp, "remove");
        Tcl_DeleteCommand(interp, kWatcher);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

}  // namespace

void TavWatchForTk(Tcl_Interp *interp) {
    Tcl_CreateObjCommand(interp, kWatcher, tk_arrived, nullptr, nullptr);
    set_traces(interp, "add");
}
