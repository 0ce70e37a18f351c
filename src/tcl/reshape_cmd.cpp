// ::tavrel::crop, flip, turn, thumbnail and getRGBA: everyday operations
// on a whole image, beside the tavrel command's own subcommands.
#include "tcl/reshape_cmd_p.h"

#include "core/memory_p.h"
#include "geometry/reshape_p.h"
#include "tcl/error_p.h"
#include "tcl/tavrel_cmd_p.h"

#include <algorithm>
#include <climits>
#include <string>

namespace {

using tav::ErrorKind;

// The image named by objv[1] when objc is within min..max words, else
// null with the usage or lookup message set.
Photo *image_arg(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], int min, int max,
                 const char *usage) {
    if (objc < min || objc > max) {
        Tcl_WrongNumArgs(interp, 1, objv, usage);
        return nullptr;
    }
    return TavrelFindImage(static_cast<TavInterpState *>(data), interp, objv[1]);
}

int out_of_memory(Tcl_Interp *interp, Tcl_Obj *name) {
    return tav::tcl_error(interp, ErrorKind::Limit,
                          std::string("not enough memory to reshape image \"") + Tcl_GetString(name) + "\"");
}

int crop_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_arg(data, interp, objc, objv, 6, 6, "image x y width height");
    if (!image) return TCL_ERROR;
    int box[4];
    for (int i = 0; i < 4; ++i)
        if (Tcl_GetIntFromObj(interp, objv[2 + i], &box[i]) != TCL_OK) return TCL_ERROR;
    const long long width = PhotoWidth(image), height = PhotoHeight(image);
    const long long x0 = std::max<long long>(box[0], 0), y0 = std::max<long long>(box[1], 0);
    const long long x1 = std::min<long long>(static_cast<long long>(box[0]) + std::max(box[2], 0), width);
    const long long y1 = std::min<long long>(static_cast<long long>(box[1]) + std::max(box[3], 0), height);
    if (x1 <= x0 || y1 <= y0)
        return tav::tcl_error(interp, ErrorKind::Value,
                              std::string("crop rectangle lies outside image \"") + Tcl_GetString(objv[1]) +
                                  "\" of " + std::to_string(width) + "x" + std::to_string(height));
    if (tav::crop_image(image, static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                        static_cast<int>(y1 - y0)) != 0)
        return out_of_memory(interp, objv[1]);
    return TCL_OK;
}

int flip_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_arg(data, interp, objc, objv, 3, 3, "image horizontal|vertical");
    if (!image) return TCL_ERROR;
    static const char *const directions[] = {"horizontal", "vertical", nullptr};
    int direction = 0;
    if (Tcl_GetIndexFromObj(interp, objv[2], directions, "direction", 0, &direction) != TCL_OK) return TCL_ERROR;
    if (tav::flip_image(image, direction == 0) != 0) return out_of_memory(interp, objv[1]);
    return TCL_OK;
}

int turn_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_arg(data, interp, objc, objv, 3, 3, "image 90|180|270");
    if (!image) return TCL_ERROR;
    int degrees = 0;
    if (Tcl_GetIntFromObj(nullptr, objv[2], &degrees) != TCL_OK ||
        (degrees != 90 && degrees != 180 && degrees != 270))
        return tav::tcl_error(interp, ErrorKind::Value,
                              std::string("bad angle \"") + Tcl_GetString(objv[2]) + "\": must be 90, 180 or 270");
    if (tav::turn_image(image, degrees / 90) != 0) return out_of_memory(interp, objv[1]);
    return TCL_OK;
}

int thumbnail_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_arg(data, interp, objc, objv, 4, 5, "image maxWidth maxHeight ?quality?");
    if (!image) return TCL_ERROR;
    int box[2];
    for (int i = 0; i < 2; ++i)
        if (Tcl_GetIntFromObj(interp, objv[2 + i], &box[i]) != TCL_OK) return TCL_ERROR;
    if (box[0] < 1 || box[1] < 1)
        return tav::tcl_error(interp, ErrorKind::Value,
                              std::string("thumbnail size must be at least 1x1, got ") + Tcl_GetString(objv[2]) +
                                  "x" + Tcl_GetString(objv[3]));
    int quality = -1;
    if (objc == 5) {
        if (Tcl_GetIntFromObj(interp, objv[4], &quality) != TCL_OK) return TCL_ERROR;
        quality = std::clamp(quality, 0, 5);
    }
    if (tav::thumbnail_image(image, box[0], box[1], quality) != 0) return out_of_memory(interp, objv[1]);
    return TCL_OK;
}

// The counterpart of `tavrel put` with four bytes a pixel.
int get_rgba_cmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    Photo *image = image_arg(data, interp, objc, objv, 2, 2, "image");
    if (!image) return TCL_ERROR;
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    Tcl_Obj *result = Tcl_NewObj();
    if (width > 0 && height > 0) {
        size_t bytes = 0;
        // A Tcl byte array holds at most INT_MAX bytes.
        if (!tav::checked_mul(static_cast<size_t>(width) * static_cast<size_t>(height), 4, &bytes) ||
            bytes > INT_MAX) {
            Tcl_DecrRefCount(result);
            return tav::tcl_error(interp, ErrorKind::Limit,
                                  std::string("image \"") + Tcl_GetString(objv[1]) + "\" is too large to get");
        }
        PhotoGetRGBA(image, Tcl_SetByteArrayLength(result, static_cast<int>(bytes)), 0, 0, width, height);
    }
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}

}  // namespace

void TavrelReshapeInit(Tcl_Interp *interp, TavInterpState *state) {
    Tcl_CreateObjCommand(interp, "::tavrel::crop", crop_cmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "::tavrel::flip", flip_cmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "::tavrel::turn", turn_cmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "::tavrel::thumbnail", thumbnail_cmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "::tavrel::getRGBA", get_rgba_cmd, state, nullptr);
}
