// The tavrel command's subcommand handlers and the helpers they share.
// Every handler gets the command's own objc/objv (objv[1] is the
// subcommand word) and returns TCL_OK or TCL_ERROR with its message.
#pragma once

#include "tcl/error_p.h"
#include "tcl/state_p.h"

// Every handler has the shape of a TavSubcommandProc (tcl/dispatch_p.h),
// written out so that each is found by its name.
//
// Lifecycle: tavrel_lifecycle.cpp
int TavrelCreate(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelDelete(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelWidth(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelHeight(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelResize(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelQuality(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// Input and output: tavrel_io.cpp
int TavrelLoad(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelSave(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelPut(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelGet(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// Colours and drawing: tavrel_draw.cpp
int TavrelColor(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelBgcolor(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelPlot(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelLine(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelOval(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelArc(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelRectangle(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelPolygon(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelBlank(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelFill(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// Text: tavrel_text.cpp
int TavrelText(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// Copy, scale, filters and compose: tavrel_geometry.cpp
int TavrelScale(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelCopy(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelConvolution(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelBlur(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelMedian(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelWind(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelGradient(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelNoise(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);
int TavrelCompose(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]);

// ---- shared helpers ------------------------------------------------------

// The named image, or null with "image \"name\" doesn't exist" as result
// ({TAVREL LOOKUP}).
Photo *TavrelFindImage(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *name);

// The image named by objv[2] and the two integers after it (objv[3],
// objv[4]); null with the message set when any of them is not there.  The
// caller has checked the word count.
Photo *TavrelImageAndPair(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *const objv[], int *first, int *second);

// Tcl_WrongNumArgs over the command and subcommand words with the
// subcommand's usage text; returns TCL_ERROR.
int TavrelWrongArgs(Tcl_Interp *interp, Tcl_Obj *const objv[], const char *usage);

// "unknown option \"word\"" ({TAVREL VALUE}), TCL_ERROR.
int TavrelUnknownOption(Tcl_Interp *interp, Tcl_Obj *word);

// "missing value after <option> option" ({TAVREL VALUE}), TCL_ERROR.
int TavrelMissingValue(Tcl_Interp *interp, const char *option);

// Sets an error message made of the given pieces (a null ends the list)
// with {TAVREL kind} as -errorcode; returns TCL_ERROR.
int TavrelError(Tcl_Interp *interp, tav::ErrorKind kind, const char *first, ...);
