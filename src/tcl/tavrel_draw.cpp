// The tavrel colour and drawing subcommands.  They draw with the image's
// foreground colour and its own compose mode; the shapes themselves are the
// library's drawing primitives.
#include "tcl/tavrel_cmd_p.h"

#include "core/memory_p.h"
#include "draw/polygon_p.h"

#include <climits>
#include <cmath>

using tav::ErrorKind;

namespace {

// ---- colours ---------------------------------------------------------------

// Three or four integers (low bytes kept, alpha 255 by default).
bool parse_int_components(int count, Tcl_Obj **elements, unsigned char rgba[4]) {
    if (count != 3 && count != 4) return false;
    int v[4] = {0, 0, 0, 255};
    for (int i = 0; i < count; ++i)
        if (Tcl_GetIntFromObj(nullptr, elements[i], &v[i]) != TCL_OK) return false;
    TavSetColor(rgba, v[0], v[1], v[2], v[3]);
    return true;
}

// A colour argument: a list of three or four integers, a grey level
// 0..255, or a colour name (spaces allowed, "dark slate gray") or "#" form.
bool parse_color_arg(Tcl_Obj *arg, unsigned char rgba[4]) {
    int count = 0;
    Tcl_Obj **elements = nullptr;
    if (Tcl_ListObjGetElements(nullptr, arg, &count, &elements) == TCL_OK) {
        if (parse_int_components(count, elements, rgba)) return true;
        int grey = 0;
        if (count == 1 && Tcl_GetIntFromObj(nullptr, elements[0], &grey) == TCL_OK) {
            if (grey < 0 || grey > 255) return false;
            TavSetColor(rgba, grey, grey, grey, 255);
            return true;
        }
    }
    return TavParseColor(Tcl_GetString(arg), rgba) == 1;
}

int set_color(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[],
              void (*store)(Photo *, const unsigned char *)) {
    if (objc != 4) return TavrelWrongArgs(interp, objv, "image color");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    unsigned char rgba[4];
    if (!parse_color_arg(objv[3], rgba))
        return TavrelError(interp, ErrorKind::Value, "invalid color \"", Tcl_GetString(objv[3]), "\"", nullptr);
    store(image, rgba);
    return TCL_OK;
}

// ---- points and polylines --------------------------------------------------

const char *const plot_options[] = {"-width", nullptr};
enum PlotOption { kPlotWidth };
const char *const line_options[] = {"-arrow",  "-arrowshape",  "-capstyle", "-joinstyle", "-smooth",
                                    "-splinesteps", "-width", "-antialiased", nullptr};
enum LineOption { kLineArrow, kLineArrowShape, kLineCapStyle, kLineJoinStyle, kLineSmooth, kLineSplineSteps,
                  kLineWidth, kLineAntialiased };

const char *const kPointsUsage = "image x1 y1 ?x2 y2 ... xn yn? ?option value option value ...?";

// Options start at the first word made of "-" and a lower-case letter, so
// that "-5" stays a coordinate.
bool is_option_word(Tcl_Obj *word) {
    const char *text = Tcl_GetString(word);
    return text[0] == '-' && text[1] >= 'a' && text[1] <= 'z';
}

struct PointsCall {
    Photo *image = nullptr;
    int first = 3;        // first coordinate word
    int coordinates = 0;  // number of coordinate words
    int width = 1;
    int antialiased = 0;
};

// The shared front of plot and line: image, coordinate words, options.
int parse_points_call(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], bool line,
                      PointsCall *call) {
    if (objc < 3) return TavrelWrongArgs(interp, objv, kPointsUsage);
    call->image = TavrelFindImage(state, interp, objv[2]);
    if (!call->image) return TCL_ERROR;
    int end = call->first;
    while (end < objc && !is_option_word(objv[end])) ++end;
    call->coordinates = end - call->first;
    if (call->coordinates % 2 != 0) return TavrelWrongArgs(interp, objv, kPointsUsage);

    const char *const *table = line ? line_options : plot_options;
    for (int i = end; i < objc; i += 2) {
        int option = 0;
        if (Tcl_GetIndexFromObj(interp, objv[i], table, line ? "line option" : "plot option", 0, &option) != TCL_OK)
            return TCL_ERROR;
        if (i + 1 >= objc) return TavrelMissingValue(interp, table[option]);
        const bool is_width = line ? option == kLineWidth : option == kPlotWidth;
        if (is_width) {
            if (Tcl_GetIntFromObj(interp, objv[i + 1], &call->width) != TCL_OK) return TCL_ERROR;
        } else if (option == kLineAntialiased) {
            if (Tcl_GetBooleanFromObj(interp, objv[i + 1], &call->antialiased) != TCL_OK) return TCL_ERROR;
        }
        // The remaining line options are accepted and their values skipped.
    }
    return TCL_OK;
}

int get_point(Tcl_Interp *interp, Tcl_Obj *const objv[], int at, int *x, int *y) {
    if (Tcl_GetIntFromObj(interp, objv[at], x) != TCL_OK) return TCL_ERROR;
    return Tcl_GetIntFromObj(interp, objv[at + 1], y);
}

// ---- ellipses --------------------------------------------------------------

// -v without overflow; only a negative radius can be INT_MIN, and a negative
// radius draws nothing whatever its ranges are.
int negate(int v) { return v == INT_MIN ? INT_MAX : -v; }

int draw_ellipse(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], bool filled) {
    if (objc < 6 || objc > 11) return TavrelWrongArgs(interp, objv, "image cx cy rx ?ry?");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int cx = 0, cy = 0, rx = 0;
    if (Tcl_GetIntFromObj(interp, objv[3], &cx) != TCL_OK || Tcl_GetIntFromObj(interp, objv[4], &cy) != TCL_OK ||
        Tcl_GetIntFromObj(interp, objv[5], &rx) != TCL_OK)
        return TCL_ERROR;
    int ry = rx;
    if (objc > 6 && Tcl_GetIntFromObj(interp, objv[6], &ry) != TCL_OK) return TCL_ERROR;
    int range[4] = {negate(rx), rx, negate(ry), ry};  // xmin, xmax, ymin, ymax
    for (int i = 7; i < objc; ++i)
        if (Tcl_GetIntFromObj(interp, objv[i], &range[i - 7]) != TCL_OK) return TCL_ERROR;
    PhotoDrawArc(image, nullptr, filled ? image->foreground : nullptr, cx, cy, rx, ry, range[0], range[1], range[2],
                 range[3]);
    return TCL_OK;
}

// The image of a subcommand that takes nothing else.
Photo *image_only(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 3) {
        TavrelWrongArgs(interp, objv, "image");
        return nullptr;
    }
    return TavrelFindImage(state, interp, objv[2]);
}

}  // namespace

int TavrelColor(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return set_color(state, interp, objc, objv, PhotoSetForeground);
}

int TavrelBgcolor(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return set_color(state, interp, objc, objv, PhotoSetBackground);
}

int TavrelPlot(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    PointsCall call;
    if (parse_points_call(state, interp, objc, objv, false, &call) != TCL_OK) return TCL_ERROR;
    const int r = call.width / 2;
    for (int k = 0; k < call.coordinates; k += 2) {
        int x = 0, y = 0;
        if (get_point(interp, objv, call.first + k, &x, &y) != TCL_OK) return TCL_ERROR;
        if (call.width < 2) PhotoDrawPixel(call.image, nullptr, x, y);
        else PhotoDrawArc(call.image, nullptr, call.image->foreground, x, y, r, r, -r, r, -r, r);
    }
    return TCL_OK;
}

int TavrelLine(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    PointsCall call;
    if (parse_points_call(state, interp, objc, objv, true, &call) != TCL_OK) return TCL_ERROR;
    const bool plain = call.width == 1 && !call.antialiased;
    int px = 0, py = 0;
    for (int k = 0; k < call.coordinates; k += 2) {
        int x = 0, y = 0;
        if (get_point(interp, objv, call.first + k, &x, &y) != TCL_OK) return TCL_ERROR;
        if (k > 0) {
            if (plain) PhotoDrawLine(call.image, nullptr, px, py, x, y);
            else PhotoDrawLineExt(call.image, nullptr, px, py, x, y, call.width);
        }
        px = x;
        py = y;
    }
    return TCL_OK;
}

int TavrelOval(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return draw_ellipse(state, interp, objc, objv, true);
}

int TavrelArc(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return draw_ellipse(state, interp, objc, objv, false);
}

int TavrelRectangle(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 7) return TavrelWrongArgs(interp, objv, "image");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int box[4];
    for (int i = 0; i < 4; ++i)
        if (Tcl_GetIntFromObj(interp, objv[3 + i], &box[i]) != TCL_OK) return TCL_ERROR;
    // x, y, width, height: a negative size extends left or up.
    PhotoDrawBox(image, nullptr, TAV_COMPOSE_DEFAULT, box[0], box[1], box[2], box[3]);
    return TCL_OK;
}

int TavrelPolygon(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    static const char *const options[] = {"-fill", "-antialiased", "-rule", nullptr};
    enum { kFill, kAntialiased, kRule };
    static const char *const rules[] = {"evenodd", "nonzero", nullptr};
    static const char *const usage = "image x1 y1 x2 y2 x3 y3 ?x y ...? ?option value ...?";
    if (objc < 3) return TavrelWrongArgs(interp, objv, usage);
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int end = 3;
    while (end < objc && !is_option_word(objv[end])) ++end;
    const int coordinates = end - 3;
    if (coordinates < 6 || coordinates % 2 != 0) return TavrelWrongArgs(interp, objv, usage);
    int fill = 1, antialiased = 0, rule = 0;
    for (int i = end; i < objc; i += 2) {
        int option = 0;
        if (Tcl_GetIndexFromObj(interp, objv[i], options, "polygon option", 0, &option) != TCL_OK) return TCL_ERROR;
        if (i + 1 >= objc) return TavrelMissingValue(interp, options[option]);
        const int status = option == kRule ? Tcl_GetIndexFromObj(interp, objv[i + 1], rules, "fill rule", 0, &rule)
                                           : Tcl_GetBooleanFromObj(interp, objv[i + 1], option == kFill ? &fill : &antialiased);
        if (status != TCL_OK) return TCL_ERROR;
    }
    tav::Bytes points = tav::attempt_bytes(static_cast<size_t>(coordinates) * sizeof(double));
    if (!points) return TavrelError(interp, ErrorKind::Limit, "not enough memory for the polygon", nullptr);
    auto *xy = reinterpret_cast<double *>(points.get());
    for (int k = 0; k < coordinates; ++k) {
        if (Tcl_GetDoubleFromObj(interp, objv[3 + k], &xy[k]) != TCL_OK) return TCL_ERROR;
        if (!std::isfinite(xy[k]))
            return TavrelError(interp, ErrorKind::Value, "expected finite coordinate but got \"",
                               Tcl_GetString(objv[3 + k]), "\"", nullptr);
    }
    if (tav::draw_polygon(image, xy, coordinates / 2, fill != 0, antialiased != 0,
                          rule == 1 ? tav::FillRule::NonZero : tav::FillRule::EvenOdd) != 0)
        return TavrelError(interp, ErrorKind::Limit, "not enough memory for the polygon", nullptr);
    return TCL_OK;
}

int TavrelBlank(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_only(state, interp, objc, objv);
    if (!image) return TCL_ERROR;
    PhotoBlank(image);
    return TCL_OK;
}

int TavrelFill(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_only(state, interp, objc, objv);
    if (!image) return TCL_ERROR;
    PhotoFill(image, nullptr);
    return TCL_OK;
}
