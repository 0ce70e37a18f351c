// The tavrel command: the subcommand table and the helpers every
// subcommand shares.  The subcommands themselves live in tavrel_*.cpp.
#include "tcl/tavrel_cmd_p.h"

#include <cstdarg>

namespace {

using Handler = int (*)(TavInterpState *, Tcl_Interp *, int, Tcl_Obj *const[]);

// The keyword order is fixed: it is the order Tcl lists them in the
// message for an unknown subcommand.
const char *const keywords[] = {
    "create", "delete", "load", "save", "width", "height", "color", "bgcolor",
    "resize", "scale", "plot", "line", "oval", "arc", "rectangle", "polygon",
    "blank", "fill", "copy", "text", "convolution", "blur", "median", "wind",
    "gradient", "noise", "compose", "quality", "put", "get", nullptr,
};

const Handler handlers[] = {
    TavrelCreate, TavrelDelete, TavrelLoad, TavrelSave, TavrelWidth, TavrelHeight, TavrelColor, TavrelBgcolor,
    TavrelResize, TavrelScale, TavrelPlot, TavrelLine, TavrelOval, TavrelArc, TavrelRectangle, TavrelPolygon,
    TavrelBlank, TavrelFill, TavrelCopy, TavrelText, TavrelConvolution, TavrelBlur, TavrelMedian, TavrelWind,
    TavrelGradient, TavrelNoise, TavrelCompose, TavrelQuality, TavrelPut, TavrelGet,
};

constexpr int handler_count = static_cast<int>(sizeof(handlers) / sizeof(handlers[0]));
static_assert(sizeof(keywords) / sizeof(keywords[0]) == handler_count + 1, "one handler per keyword");

}  // namespace

int TavrelCmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    auto *state = static_cast<TavInterpState *>(data);
    Tcl_ResetResult(interp);
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?args?");
        return TCL_ERROR;
    }
    int index = 0;
    if (Tcl_GetIndexFromObj(interp, objv[1], keywords, "option", 0, &index) != TCL_OK) return TCL_ERROR;
    if (index < 0 || index >= handler_count) return TavrelError(interp, "Internal error", nullptr);
    return handlers[index](state, interp, objc, objv);
}

Photo *TavrelFindImage(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *name) {
    const char *text = Tcl_GetString(name);
    auto *image = static_cast<Photo *>(TavNameLookup(state->images, text));
    if (!image) TavrelError(interp, "image \"", text, "\" doesn't exist", nullptr);
    return image;
}

int TavrelWrongArgs(Tcl_Interp *interp, Tcl_Obj *const objv[], const char *usage) {
    Tcl_WrongNumArgs(interp, 2, objv, usage);
    return TCL_ERROR;
}

int TavrelUnknownOption(Tcl_Interp *interp, Tcl_Obj *word) {
    return TavrelError(interp, "unknown option \"", Tcl_GetString(word), "\"", nullptr);
}

int TavrelMissingValue(Tcl_Interp *interp, const char *option) {
    return TavrelError(interp, "missing value after ", option, " option", nullptr);
}

int TavrelError(Tcl_Interp *interp, const char *first, ...) {
    Tcl_ResetResult(interp);
    va_list pieces;
    va_start(pieces, first);
    for (const char *piece = first; piece; piece = va_arg(pieces, const char *))
        Tcl_AppendResult(interp, piece, nullptr);
    va_end(pieces);
    return TCL_ERROR;
}
