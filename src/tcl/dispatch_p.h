// One way to resolve a subcommand: a {name, procedure} table looked up with
// Tcl_GetIndexFromObjStruct, so that the keyword and the code it runs sit
// on one line and cannot drift apart.  Option tables stay plain keyword
// arrays with an enum beside them.
#pragma once

#include "tcl/state_p.h"

#include <cstring>

// A subcommand procedure gets the command's own objc/objv (objv[1] is the
// subcommand word) and returns TCL_OK or TCL_ERROR with its message.
using TavSubcommandProc = int (*)(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// An entry of a subcommand table; the table ends with {nullptr, nullptr}.
// The name must come first: Tcl_GetIndexFromObjStruct reads it there.
struct TavSubcommand {
    const char *name;
    TavSubcommandProc proc;
};

// Resets the result, checks that a subcommand word is there ("option
// ?args?" otherwise), resolves it in `table` (abbreviations allowed, Tcl's
// message naming the type "option" when it matches nothing) and runs it.
// The procedure raises its own errors through tav::tcl_error.
inline int TavDispatch(TavInterpState *state, Tcl_Interp *interp, const TavSubcommand *table, int objc,
                       Tcl_Obj *const objv[]) {
    Tcl_ResetResult(interp);
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?args?");
        return TCL_ERROR;
    }
    int index = 0;
    if (Tcl_GetIndexFromObjStruct(interp, objv[1], table, static_cast<int>(sizeof(TavSubcommand)), "option", 0,
                                  &index) != TCL_OK)
        return TCL_ERROR;
    // A match is never the terminating entry: every named entry has its procedure.
    return table[index].proc(state, interp, objc, objv);
}

// Tcl_WrongNumArgs over the command and subcommand words with the
// subcommand's usage text; an empty usage adds nothing, not a stray space
// inside the quotes.  Returns TCL_ERROR.
inline int TavWrongArgs(Tcl_Interp *interp, Tcl_Obj *const objv[], const char *usage) {
    Tcl_WrongNumArgs(interp, 2, objv, usage && *usage ? usage : nullptr);
    return TCL_ERROR;
}

// Position of `word` in a null-terminated keyword table compared exactly
// (no abbreviations), or -1.  For the option tables whose words must be
// spelled out in full.
inline int TavExactIndex(const char *const *table, const char *word) {
    for (int i = 0; table[i]; ++i)
        if (std::strcmp(table[i], word) == 0) return i;
    return -1;
}
