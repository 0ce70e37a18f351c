// The tavrel copy, scale, filter and compose subcommands.  None reports the
// result of the operation it calls: once the arguments are valid it succeeds.
#include "tcl/dispatch_p.h"
#include "tcl/tavrel_cmd_p.h"

#include "core/memory_p.h"

#include <algorithm>
#include <climits>

using tav::ErrorKind;

namespace {

// Options of copy and scale, spelled out in full; -angle and -quality
// belong to scale only.
const char *const transfer_options[] = {"-from", "-to", "-width", "-height", "-angle", "-quality", nullptr};
enum TransferOption { kFrom, kTo, kWidth, kHeight, kAngle, kQuality };

struct Transfer {
    Photo *dst = nullptr, *src = nullptr;
    int from_x = 0, from_y = 0, to_x = 0, to_y = 0;
    int width = 0, height = 0;
    double angle = 0.0;
    int quality = -1;
};

int parse_transfer(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], bool scale,
                   Transfer *t) {
    if (objc < 4) return TavrelWrongArgs(interp, objv, "dest src ?options?");
    t->dst = TavrelFindImage(state, interp, objv[2]);
    if (!t->dst) return TCL_ERROR;
    t->src = TavrelFindImage(state, interp, objv[3]);
    if (!t->src) return TCL_ERROR;
    // copy defaults to the source's size, scale to the destination's.
    t->width = scale ? PhotoWidth(t->dst) : PhotoWidth(t->src);
    t->height = scale ? PhotoHeight(t->dst) : PhotoHeight(t->src);
    for (int i = 4; i < objc;) {
        const char *word = Tcl_GetString(objv[i]);
        const int option = TavExactIndex(transfer_options, word);
        if (option < 0 || (!scale && (option == kAngle || option == kQuality)))
            return TavrelUnknownOption(interp, objv[i]);
        const int values = option == kFrom || option == kTo ? 2 : 1;
        if (i + values >= objc) {
            return TavrelError(interp, ErrorKind::Value, "option \"", word,
                               values == 2 ? "\" needs two values" : "\" needs a value", nullptr);
        }
        Tcl_Obj *const *v = objv + i + 1;
        int status = TCL_OK;
        switch (option) {
        case kFrom:
            if ((status = Tcl_GetIntFromObj(interp, v[0], &t->from_x)) == TCL_OK)
                status = Tcl_GetIntFromObj(interp, v[1], &t->from_y);
            break;
        case kTo:
            if ((status = Tcl_GetIntFromObj(interp, v[0], &t->to_x)) == TCL_OK)
                status = Tcl_GetIntFromObj(interp, v[1], &t->to_y);
            break;
        case kWidth: status = Tcl_GetIntFromObj(interp, v[0], &t->width); break;
        case kHeight: status = Tcl_GetIntFromObj(interp, v[0], &t->height); break;
        case kAngle: status = Tcl_GetDoubleFromObj(interp, v[0], &t->angle); break;
        default: status = Tcl_GetIntFromObj(interp, v[0], &t->quality); break;
        }
        if (status != TCL_OK) return TCL_ERROR;
        i += values + 1;
    }
    return TCL_OK;
}

// A 64-bit value brought into the int range.
int to_int(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The rotation by `angle` fitted into width x height: the source's corners
// are turned, their bounding box moved to the origin and scaled onto the
// destination rectangle, and the whole inverted to map destination to source.
void fitted_rotation(double *m, double angle, int src_w, int src_h, int width, int height) {
    MatrixIdent(m);
    MatrixRotate(m, angle);
    int corners[8] = {0, 0, src_w - 1, 0, src_w - 1, src_h - 1, 0, src_h - 1};
    MatrixApply(m, corners, 4);
    long long lx = corners[0], ly = corners[1], gx = corners[0], gy = corners[1];
    for (int i = 1; i < 4; ++i) {
        lx = std::min<long long>(lx, corners[2 * i]);
        gx = std::max<long long>(gx, corners[2 * i]);
        ly = std::min<long long>(ly, corners[2 * i + 1]);
        gy = std::max<long long>(gy, corners[2 * i + 1]);
    }
    // A meaningless angle (inf, NaN) maps the corners anywhere; 64-bit
    // arithmetic and clamping keep every step defined.
    MatrixTranslate(m, to_int(-lx), to_int(-ly));
    MatrixScale(m, to_int(gx - lx + 1), to_int(gy - ly + 1), width, height);
    MatrixInverse(m);
}

}  // namespace

int TavrelCopy(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Transfer t;
    if (parse_transfer(state, interp, objc, objv, false, &t) != TCL_OK) return TCL_ERROR;
    PhotoCopy(t.src, t.dst, t.from_x, t.from_y, t.to_x, t.to_y, t.width, t.height, TAV_COMPOSE_DEFAULT);
    return TCL_OK;
}

int TavrelScale(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Transfer t;
    if (parse_transfer(state, interp, objc, objv, true, &t) != TCL_OK) return TCL_ERROR;
    if (t.width < 1 || t.height < 1) return TCL_OK;
    const int src_w = PhotoWidth(t.src), src_h = PhotoHeight(t.src);
    // The shrink factor decides the default quality and caps a given one, so
    // the samples never outnumber the source pixels they stand for.
    const int f = std::max(src_w / t.width, src_h / t.height);
    int quality = t.quality;
    if (quality == -1) quality = std::clamp(f, 1, 5);
    else if (quality != 0 && quality > f) quality = std::max(f, 1);
    if (t.angle == 0.0) {
        PhotoScale(t.src, t.dst, t.from_x, t.from_y, src_w, src_h, t.to_x, t.to_y, t.width, t.height,
                   TAV_COMPOSE_DEFAULT, quality);
        return TCL_OK;
    }
    double m[9];
    fitted_rotation(m, t.angle, src_w, src_h, t.width, t.height);
    PhotoTransform(t.src, t.dst, t.from_x, t.from_y, t.to_x, t.to_y, t.width, t.height, TAV_COMPOSE_DEFAULT,
                   quality, m);
    return TCL_OK;
}

namespace {

// A matrix argument: a list of rows, each a list of integers, all rows of
// one positive length.  On a shape error the message is empty.
int parse_kernel(Tcl_Interp *interp, Tcl_Obj *matrix, tav::Bytes *kernel, int *columns, int *rows) {
    Tcl_Obj **row_objs = nullptr;
    if (Tcl_ListObjGetElements(interp, matrix, rows, &row_objs) != TCL_OK) return TCL_ERROR;
    if (*rows < 1) return tav::tcl_error(interp, ErrorKind::Value, "");
    *columns = 0;
    for (int l = 0; l < *rows; ++l) {
        int n = 0;
        Tcl_Obj **cells = nullptr;
        if (Tcl_ListObjGetElements(interp, row_objs[l], &n, &cells) != TCL_OK) return TCL_ERROR;
        if (n < 1 || (l > 0 && n != *columns)) return tav::tcl_error(interp, ErrorKind::Value, "");
        if (l == 0) {
            *columns = n;
            *kernel = tav::attempt_bytes(static_cast<size_t>(n) * *rows * sizeof(int));
            if (!*kernel) return TavrelError(interp, ErrorKind::Limit, "not enough memory for the kernel", nullptr);
        }
        int *out = reinterpret_cast<int *>(kernel->get()) + static_cast<size_t>(l) * n;
        for (int k = 0; k < n; ++k)
            if (Tcl_GetIntFromObj(interp, cells[k], &out[k]) != TCL_OK) return TCL_ERROR;
    }
    return TCL_OK;
}

}  // namespace

int TavrelConvolution(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 4) return TavrelWrongArgs(interp, objv, "image matrix ?options ...?");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    tav::Bytes kernel;
    int columns = 0, rows = 0;
    if (parse_kernel(interp, objv[3], &kernel, &columns, &rows) != TCL_OK) return TCL_ERROR;
    // Any further word selects the absolute mode.
    const bool absolute = objc > 4;
    PhotoConvolution(image, reinterpret_cast<int *>(kernel.get()), absolute ? 1 : 0, columns, rows, columns / 2,
                     rows / 2, absolute ? 32 : 0);
    return TCL_OK;
}

namespace {

// image ?value? with an integer default, then the filter: blur, median
// and noise.
template <int (*Filter)(Photo *, int)>
int level_filter(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], const char *usage,
                 int fallback) {
    if (objc < 3 || objc > 4) return TavrelWrongArgs(interp, objv, usage);
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int value = fallback;
    if (objc == 4 && Tcl_GetIntFromObj(interp, objv[3], &value) != TCL_OK) return TCL_ERROR;
    Filter(image, value);
    return TCL_OK;
}

}  // namespace

int TavrelBlur(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return level_filter<PhotoGaussian>(state, interp, objc, objv, "image ?radius?", 1);
}

int TavrelMedian(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return level_filter<PhotoMedian>(state, interp, objc, objv, "image ?radius?", 1);
}

int TavrelNoise(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return level_filter<PhotoNoise>(state, interp, objc, objv, "image ?level?", 15);
}

int TavrelWind(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 5) return TavrelWrongArgs(interp, objv, "image dx dy");
    int dx = 0, dy = 0;
    Photo *image = TavrelImageAndPair(state, interp, objv, &dx, &dy);
    if (!image) return TCL_ERROR;
    PhotoWind(image, dx, dy);
    return TCL_OK;
}

int TavrelGradient(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 3) return TavrelWrongArgs(interp, objv, "image ?x1 y1? ?x2 y2?");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int x1 = 0, y1 = 0, x2 = PhotoWidth(image), y2 = 0;
    // objc counts the command word: three words after the subcommand give
    // the first point, five the second as well.
    if (objc >= 5 && (Tcl_GetIntFromObj(interp, objv[3], &x1) != TCL_OK ||
                      Tcl_GetIntFromObj(interp, objv[4], &y1) != TCL_OK))
        return TCL_ERROR;
    if (objc >= 7 && (Tcl_GetIntFromObj(interp, objv[5], &x2) != TCL_OK ||
                      Tcl_GetIntFromObj(interp, objv[6], &y2) != TCL_OK))
        return TCL_ERROR;
    PhotoGradient(image, x1, y1, nullptr, x2, y2, nullptr);
    return TCL_OK;
}

namespace {

// The compose keywords; position + 1 is the mode number.
const char *const compose_modes[] = {"replace", "over", "under",      "plus", "minus", "add",
                                     "subtract", "difference", "bump", "map", "mix",   nullptr};

}  // namespace

int TavrelCompose(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 4) return TavrelWrongArgs(interp, objv, "image mode");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int mode = 0;
    if (Tcl_GetIndexFromObj(interp, objv[3], compose_modes, "compose", 0, &mode) != TCL_OK) return TCL_ERROR;
    PhotoSetCompose(image, mode + 1);
    return TCL_OK;
}
