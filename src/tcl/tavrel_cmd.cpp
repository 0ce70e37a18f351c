// The tavrel command: the subcommand table and the helpers every
// subcommand shares.  The subcommands themselves live in tavrel_*.cpp.
#include "tcl/tavrel_cmd_p.h"
#include "tcl/dispatch_p.h"
#include "tcl/names_p.h"

#include <cstdarg>
#include <string>

namespace {

// The keyword order is fixed: it is the order Tcl lists them in the
// message for an unknown subcommand.
const TavSubcommand subcommands[] = {
    {"create", TavrelCreate},
    {"delete", TavrelDelete},
    {"load", TavrelLoad},
    {"save", TavrelSave},
    {"width", TavrelWidth},
    {"height", TavrelHeight},
    {"color", TavrelColor},
    {"bgcolor", TavrelBgcolor},
    {"resize", TavrelResize},
    {"scale", TavrelScale},
    {"plot", TavrelPlot},
    {"line", TavrelLine},
    {"oval", TavrelOval},
    {"arc", TavrelArc},
    {"rectangle", TavrelRectangle},
    {"polygon", TavrelPolygon},
    {"blank", TavrelBlank},
    {"fill", TavrelFill},
    {"copy", TavrelCopy},
    {"text", TavrelText},
    {"convolution", TavrelConvolution},
    {"blur", TavrelBlur},
    {"median", TavrelMedian},
    {"wind", TavrelWind},
    {"gradient", TavrelGradient},
    {"noise", TavrelNoise},
    {"compose", TavrelCompose},
    {"quality", TavrelQuality},
    {"put", TavrelPut},
    {"get", TavrelGet},
    {nullptr, nullptr},
};

}  // namespace

int TavrelCmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return TavDispatch(static_cast<TavInterpState *>(data), interp, subcommands, objc, objv);
}

Photo *TavrelFindImage(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *name) {
    return static_cast<Photo *>(tav::find_named(state, interp, tav::kImages, name));
}

Photo *TavrelImageAndPair(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *const objv[], int *first, int *second) {
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image || Tcl_GetIntFromObj(interp, objv[3], first) != TCL_OK ||
        Tcl_GetIntFromObj(interp, objv[4], second) != TCL_OK)
        return nullptr;
    return image;
}

int TavrelWrongArgs(Tcl_Interp *interp, Tcl_Obj *const objv[], const char *usage) {
    return TavWrongArgs(interp, objv, usage);
}

int TavrelUnknownOption(Tcl_Interp *interp, Tcl_Obj *word) {
    return TavrelError(interp, tav::ErrorKind::Value, "unknown option \"", Tcl_GetString(word), "\"", nullptr);
}

int TavrelMissingValue(Tcl_Interp *interp, const char *option) {
    return TavrelError(interp, tav::ErrorKind::Value, "missing value after ", option, " option", nullptr);
}

int TavrelError(Tcl_Interp *interp, tav::ErrorKind kind, const char *first, ...) {
    std::string message;
    va_list pieces;
    va_start(pieces, first);
    for (const char *piece = first; piece; piece = va_arg(pieces, const char *)) message += piece;
    va_end(pieces);
    return tav::tcl_error(interp, kind, message);
}
