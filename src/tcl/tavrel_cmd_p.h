// The tavrel command's subcommand handlers and the helpers they share.
// Every handler gets the command's own objc/objv (objv[1] is the
// subcommand word) and returns TCL_OK or TCL_ERROR with its message.
#pragma once

#include "tcl/error_p.h"
#include "tcl/state_p.h"

// Every handler has the shape of a TavSubcommandProc (tcl/dispatch_p.h).
#define TAVREL_HANDLER(name) int name(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])

// Lifecycle: tavrel_lifecycle.cpp
TAVREL_HANDLER(TavrelCreate);
TAVREL_HANDLER(TavrelDelete);
TAVREL_HANDLER(TavrelWidth);
TAVREL_HANDLER(TavrelHeight);
TAVREL_HANDLER(TavrelResize);
TAVREL_HANDLER(TavrelQuality);

// Input and output: tavrel_io.cpp
TAVREL_HANDLER(TavrelLoad);
TAVREL_HANDLER(TavrelSave);
TAVREL_HANDLER(TavrelPut);
TAVREL_HANDLER(TavrelGet);

// Colours and drawing: tavrel_draw.cpp
TAVREL_HANDLER(TavrelColor);
TAVREL_HANDLER(TavrelBgcolor);
TAVREL_HANDLER(TavrelPlot);
TAVREL_HANDLER(TavrelLine);
TAVREL_HANDLER(TavrelOval);
TAVREL_HANDLER(TavrelArc);
TAVREL_HANDLER(TavrelRectangle);
TAVREL_HANDLER(TavrelPolygon);
TAVREL_HANDLER(TavrelBlank);
TAVREL_HANDLER(TavrelFill);

// Text: tavrel_text.cpp
TAVREL_HANDLER(TavrelText);

// Copy, scale, filters and compose: tavrel_geometry.cpp
TAVREL_HANDLER(TavrelScale);
TAVREL_HANDLER(TavrelCopy);
TAVREL_HANDLER(TavrelConvolution);
TAVREL_HANDLER(TavrelBlur);
TAVREL_HANDLER(TavrelMedian);
TAVREL_HANDLER(TavrelWind);
TAVREL_HANDLER(TavrelGradient);
TAVREL_HANDLER(TavrelNoise);
TAVREL_HANDLER(TavrelCompose);

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
