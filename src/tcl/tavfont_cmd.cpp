// The tavfont command: fonts made from files, bytes or built-in faces,
// named in the interpreter's font table, measured and deleted.
#include "tcl/dispatch_p.h"
#include "tcl/error_p.h"
#include "tcl/names_p.h"
#include "text/font_p.h"

#include <string>

namespace {

using tav::ErrorKind;
using tav::tcl_error;

// The font named by objv[2] and the size in objv[3] of measure and metrics;
// nullptr with the message set when either is not there.
TavFont *font_and_size(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *const objv[], int *size) {
    auto *font = static_cast<TavFont *>(tav::find_named(state, interp, tav::kFonts, objv[2]));
    return font && Tcl_GetIntFromObj(interp, objv[3], size) == TCL_OK ? font : nullptr;
}

// The create options and, beside them, their positions; the font's input
// is one of the first three.
const char *const create_options[] = {"-file", "-data", "-builtin", "-index", nullptr};
enum CreateOption { kNoInput = -1, kFile, kData, kBuiltin, kIndex };

int create_font(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    const char *const *options = create_options;
    if (objc == 3) return TavWrongArgs(interp, objv, "?-file filename | -data data | -builtin name? ?-index faceindex?");
    auto *engine = static_cast<TavFontEngine *>(state->font_registry);
    if (!engine) return tcl_error(interp, ErrorKind::Limit, "font engine not available");

    int face_index = 0;
    int input = kNoInput;
    Tcl_Obj *value = nullptr;
    for (int i = 2; i < objc; i += 2) {
        int option = 0;
        if (Tcl_GetIndexFromObj(interp, objv[i], options, "option", 0, &option) != TCL_OK) return TCL_ERROR;
        if (i + 1 >= objc)
            return tcl_error(interp, ErrorKind::Value,
                             std::string("missing value after ") + options[option] + " option");
        if (option == kIndex) {
            if (Tcl_GetIntFromObj(interp, objv[i + 1], &face_index) != TCL_OK) return TCL_ERROR;
            if (face_index < 0) return tcl_error(interp, ErrorKind::Value, "invalid face index");
            continue;
        }
        if (input != kNoInput) return tcl_error(interp, ErrorKind::Value, "font input already defined");
        input = option;
        value = objv[i + 1];
    }

    TavFont *font = nullptr;
    if (input == kFile) {
        // A safe interpreter may not read files, fonts included.
        if (Tcl_IsSafe(interp)) return tcl_error(interp, ErrorKind::Safe, "file I/O not permitted in safe mode");
        font = PhotoGetFontFile(engine, Tcl_GetString(value), face_index);
        if (!font) return tcl_error(interp, ErrorKind::Format, "invalid font format");
    } else if (input == kData) {
        int length = 0;
        const unsigned char *bytes = Tcl_GetByteArrayFromObj(value, &length);
        if (length > 0) font = PhotoGetFontData(engine, bytes, length, TAV_FONT_OWN_DATA, face_index);
        if (!font) return tcl_error(interp, ErrorKind::Format, "invalid font format");
    } else {
        int length = 0;
        const unsigned char *bytes = TavFontBuiltin(input == kBuiltin ? Tcl_GetString(value) : nullptr, &length);
        if (bytes && length > 0) font = PhotoGetFontData(engine, bytes, length, TAV_FONT_OWN_DATA, face_index);
        if (!font && input == kBuiltin) return tcl_error(interp, ErrorKind::Value, "invalid builtin font name");
        if (!font) return tcl_error(interp, ErrorKind::Format, "invalid font format");
    }

    Tcl_SetObjResult(interp, Tcl_NewStringObj(tav::add_named(state, tav::kFonts, font), -1));
    return TCL_OK;
}

int delete_fonts(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return tav::delete_named(state, interp, tav::kFonts, objc - 2, objv + 2);
}

void append_int(Tcl_Interp *interp, Tcl_Obj *list, int value) {
    Tcl_ListObjAppendElement(interp, list, Tcl_NewIntObj(value));
}

int measure_text(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 5) return TavWrongArgs(interp, objv, "fontname fontsize text");
    int size = 0;
    TavFont *font = font_and_size(state, interp, objv, &size);
    if (!font) return TCL_ERROR;
    // A size the engine refuses would measure as nothing: say so.  A size of
    // zero or less lays out nothing: the answer is {0 0 0}.
    if (tav::font_refuses_size(font, size))
        return tcl_error(interp, ErrorKind::Value,
                         tav::font_size_message(Tcl_GetString(objv[2]), Tcl_GetString(objv[3])));
    int width = 0, ascent = 0, descent = 0;
    PhotoGetMeasure(font, size, Tcl_GetString(objv[4]), TAV_TEXT_UTF8, -1, &width, &ascent, &descent);
    Tcl_Obj *result = Tcl_GetObjResult(interp);
    append_int(interp, result, width);
    append_int(interp, result, ascent);
    append_int(interp, result, descent);
    return TCL_OK;
}

int font_metrics(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 4) return TavWrongArgs(interp, objv, "fontname fontsize");
    int size = 0;
    TavFont *font = font_and_size(state, interp, objv, &size);
    if (!font) return TCL_ERROR;
    int ascent = 0, descent = 0;
    if (PhotoGetMetrics(font, size, 0, &ascent) < 0 || PhotoGetMetrics(font, size, 1, &descent) < 0)
        return tcl_error(interp, ErrorKind::Value, "invalid font metrics");
    Tcl_Obj *result = Tcl_GetObjResult(interp);
    append_int(interp, result, ascent);
    append_int(interp, result, -descent);  // the face's descender is negative below the baseline
    return TCL_OK;
}

}  // namespace

int TavfontCmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    static const TavSubcommand subcommands[] = {
        {"create", create_font},
        {"delete", delete_fonts},
        {"measure", measure_text},
        {"metrics", font_metrics},
        {nullptr, nullptr},
    };
    return TavDispatch(static_cast<TavInterpState *>(data), interp, subcommands, objc, objv);
}
