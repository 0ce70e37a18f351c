// The tavrel subcommands that create, delete, query and size images.
#include "tcl/names_p.h"
#include "tcl/tavrel_cmd_p.h"
#include "tk/tk_p.h"

using tav::ErrorKind;

namespace {

const char *const create_options[] = {"-tkphoto", "-palette", nullptr};
enum { kCreateTkPhoto, kCreatePalette };

// A memory image, or one drawn straight into the named Tk photo.
Photo *create_image(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *tk_photo, int mode) {
    if (!tk_photo) return PhotoCreate(0, 0, mode, TAV_RENDER_MEMORY);
    // TavRequireTk's message already says why Tk cannot be used.
    if (TavRequireTk(interp, state) != 0) return nullptr;
    if (mode == TAV_MODE_INDEXED) {
        TavrelError(interp, ErrorKind::Value, "create from Tk photo must be truecolor", nullptr);
        return nullptr;
    }
    if (!tav::tk::require_photo(interp, tk_photo)) return nullptr;
    const char *name = Tcl_GetString(tk_photo);
    // The image watches the photo through the photo's own command.
    Photo *image = PhotoCreateTkPhoto(interp, name);
    if (!image) TavrelError(interp, ErrorKind::Tk, "photo \"", name, "\" has no command of its own to watch", nullptr);
    return image;
}

}  // namespace

int TavrelCreate(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    const char *wanted = nullptr;
    int first_option = 2;
    if (objc > 2 && Tcl_GetString(objv[2])[0] != '-') {
        wanted = Tcl_GetString(objv[2]);
        first_option = 3;
    }
    Tcl_Obj *tk_photo = nullptr;
    int mode = TAV_MODE_RGBA;
    for (int i = first_option; i < objc; i += 2) {
        int option = 0;
        if (Tcl_GetIndexFromObj(interp, objv[i], create_options, "create option", 0, &option) != TCL_OK)
            return TCL_ERROR;
        if (i + 1 >= objc) return TavrelMissingValue(interp, create_options[option]);
        if (option == kCreateTkPhoto) {
            tk_photo = objv[i + 1];
        } else {
            int indexed = 0;
            if (Tcl_GetBooleanFromObj(interp, objv[i + 1], &indexed) != TCL_OK) return TCL_ERROR;
            mode = indexed ? TAV_MODE_INDEXED : TAV_MODE_RGBA;
        }
    }

    Photo *image = create_image(state, interp, tk_photo, mode);
    if (!image) {
        if (!tk_photo) TavrelError(interp, ErrorKind::Limit, "failed to create image.", nullptr);
        return TCL_ERROR;
    }
    if (PhotoIsIndexed(image)) {
        TavColormap *map = PhotoColormap(image);
        TavResizeColormap(map, 2);
        TavSetColormap(map, 0, 0, 0, 0);
        TavSetColormap(map, 1, 255, 255, 255);
    }
    const char *name = tav::add_named(state, tav::kImages, image, wanted);
    if (!name) {
        PhotoDelete(image);
        return TavrelError(interp, ErrorKind::Value, "could not create a new entry for image.", nullptr);
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(name, -1));
    return TCL_OK;
}

int TavrelDelete(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    // Names before a missing one stay deleted.
    return tav::delete_named(state, interp, tav::kImages, objc - 2, objv + 2);
}

// width and height: one integer about the named image.
template <int (*Query)(Photo *)>
int report_dimension(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 3) return TavrelWrongArgs(interp, objv, "image");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    Tcl_SetObjResult(interp, Tcl_NewIntObj(Query(image)));
    return TCL_OK;
}

int TavrelWidth(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return report_dimension<PhotoWidth>(state, interp, objc, objv);
}

int TavrelHeight(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return report_dimension<PhotoHeight>(state, interp, objc, objv);
}

int TavrelResize(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 5) return TavrelWrongArgs(interp, objv, "image width height");
    int width = 0, height = 0;
    Photo *image = TavrelImageAndPair(state, interp, objv, &width, &height);
    if (!image) return TCL_ERROR;
    // A size the memory cannot hold leaves the image as it was; say so
    // rather than pretend the resize happened.
    if (PhotoExpand(image, width, height) != 0)
        return TavrelError(interp, ErrorKind::Limit, "could not resize image \"", Tcl_GetString(objv[2]), "\" to ",
                           Tcl_GetString(objv[3]), "x", Tcl_GetString(objv[4]), nullptr);
    return TCL_OK;
}

int TavrelQuality(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 3 && objc != 4) return TavrelWrongArgs(interp, objv, "image ?quality?");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int quality = PhotoGetQuality(image);
    if (objc == 4) {
        if (Tcl_GetIntFromObj(interp, objv[3], &quality) != TCL_OK) return TCL_ERROR;
        quality = PhotoSetQuality(image, quality);
    }
    Tcl_SetObjResult(interp, Tcl_NewIntObj(quality));
    return TCL_OK;
}
