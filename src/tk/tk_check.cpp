// Whether Tk can be used by an interpreter: loaded there, and its stub
// table bound for the library.
#include "tcl/error_p.h"
#include "tcl/state_p.h"

#include <tk.h>

#include <string>

int TavRequireTk(Tcl_Interp *interp, TavInterpState *state) {
    Tcl_ResetResult(interp);
    if (state->tk_ready) return 0;
    if (!Tcl_PkgPresent(interp, "Tk", "8.3", 0)) {
        tav::tcl_error(interp, tav::ErrorKind::Tk, "Required package 'Tk' not present");
        return 1;
    }
    // Tk's own reason for refusing its stub table stays in front.
    if (!Tk_InitStubs(interp, "8.3", 0)) {
        tav::tcl_error(interp, tav::ErrorKind::Tk,
                       std::string(Tcl_GetStringResult(interp)) + "; could not initialize Tk stub");
        return 1;
    }
    state->tk_ready = 1;
    // Tk initialised from C, past the traces that watch `package` and
    // `load`, still gets the photo formats here (once per thread).
    Tavrel_RegisterTkPhotoFormats(interp);
    Tcl_ResetResult(interp);
    return 0;
}
