// The tavrel subcommands that load and save images and move raw pixels.
#include "tcl/tavrel_cmd_p.h"

#include "core/memory_p.h"

#include <climits>

TAVREL_HANDLER(TavrelLoad) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "load");
}

TAVREL_HANDLER(TavrelSave) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "save");
}

TAVREL_HANDLER(TavrelPut) {
    if (objc != 4) return TavrelWrongArgs(interp, objv, "image data");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int length = 0;
    const unsigned char *data = Tcl_GetByteArrayFromObj(objv[3], &length);
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return TCL_OK;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t bytes = static_cast<size_t>(length);
    if (bytes == 4 * pixels) PhotoPutRGBA(image, data, 0, 0, width, height, TAV_COMPOSE_DEFAULT);
    else if (bytes == 3 * pixels) PhotoPutRGB(image, data, 0, 0, width, height);
    else if (bytes == 2 * pixels) PhotoPut565(image, data, 0, 0, width, height);
    else return TavrelError(interp, "invalid format for raw image data", nullptr);
    return TCL_OK;
}

TAVREL_HANDLER(TavrelGet) {
    if (objc != 3) return TavrelWrongArgs(interp, objv, "image");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return TCL_OK;
    size_t bytes = 0;
    // A Tcl byte array holds at most INT_MAX bytes.
    if (!tav::checked_mul(static_cast<size_t>(width) * static_cast<size_t>(height), 3, &bytes) || bytes > INT_MAX)
        return TavrelError(interp, "image \"", Tcl_GetString(objv[2]), "\" is too large to get", nullptr);
    Tcl_Obj *result = Tcl_NewObj();
    unsigned char *pixels = Tcl_SetByteArrayLength(result, static_cast<int>(bytes));
    PhotoGetRGB(image, pixels, 0, 0, width, height);
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}
