// The tavrel text subcommand: a string drawn with a named font in the
// image's foreground colour.
#include "tcl/error_p.h"
#include "tcl/names_p.h"
#include "tcl/tavrel_cmd_p.h"
#include "text/font_p.h"

using tav::ErrorKind;

int TavrelText(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    static const char *const options[] = {"-text", "-font", "-size", "-angle", "-stretch", "-align", "-valign",
                                          nullptr};
    enum { kText, kFont, kSize, kAngle, kStretch, kAlign, kValign };
    static const char *const horizontal[] = {"left", "center", "right", nullptr};
    static const int horizontal_code[] = {TAV_ALIGN_LEFT, TAV_ALIGN_CENTER, TAV_ALIGN_RIGHT};
    static const char *const vertical[] = {"top", "middle", "baseline", "bottom", nullptr};
    static const int vertical_code[] = {TAV_VALIGN_TOP, TAV_VALIGN_MIDDLE, TAV_VALIGN_BASELINE, TAV_VALIGN_BOTTOM};

    if (objc < 5) return TavrelWrongArgs(interp, objv, "image x y");
    int x = 0, y = 0;
    Photo *image = TavrelImageAndPair(state, interp, objv, &x, &y);
    if (!image) return TCL_ERROR;

    const char *text = nullptr;
    TavFont *font = nullptr;
    Tcl_Obj *font_name = nullptr, *size_word = nullptr;
    int size = 10, halign = TAV_ALIGN_LEFT, valign = TAV_VALIGN_BASELINE;
    double angle = 0.0, stretch = 1.0;
    // Options come in pairs; a last word without its value is ignored.
    for (int i = 5; i + 1 < objc; i += 2) {
        Tcl_Obj *value = objv[i + 1];
        int option = 0, choice = 0;
        if (Tcl_GetIndexFromObj(interp, objv[i], options, "text option", 0, &option) != TCL_OK) return TCL_ERROR;
        switch (option) {
        case kText:
            text = Tcl_GetString(value);
            break;
        case kFont:
            font = static_cast<TavFont *>(tav::find_named(state, interp, tav::kFonts, value));
            if (!font) return TCL_ERROR;
            font_name = value;
            break;
        case kSize:
            if (Tcl_GetIntFromObj(interp, value, &size) != TCL_OK) return TCL_ERROR;
            size_word = value;
            break;
        case kAngle:
            if (Tcl_GetDoubleFromObj(interp, value, &angle) != TCL_OK) return TCL_ERROR;
            break;
        case kStretch:
            if (Tcl_GetDoubleFromObj(interp, value, &stretch) != TCL_OK) return TCL_ERROR;
            break;
        case kAlign:
            if (Tcl_GetIndexFromObj(interp, value, horizontal, "horizontal alignment", 0, &choice) != TCL_OK)
                return TCL_ERROR;
            halign = horizontal_code[choice];
            break;
        default:
            if (Tcl_GetIndexFromObj(interp, value, vertical, "vertical alignment", 0, &choice) != TCL_OK)
                return TCL_ERROR;
            valign = vertical_code[choice];
            break;
        }
    }
    if (!font) return TavrelError(interp, ErrorKind::Value, "no font specified", nullptr);
    if (size_word && tav::font_refuses_size(font, size))
        return tav::tcl_error(interp, ErrorKind::Value,
                              tav::font_size_message(Tcl_GetString(font_name), Tcl_GetString(size_word)));
    PhotoDrawText(image, nullptr, x, y, halign, valign, angle, stretch, font, size, text, TAV_TEXT_UTF8, -1);
    return TCL_OK;
}
