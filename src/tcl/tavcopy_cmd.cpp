// The tavcopy command: a whole image copied from the library to a Tk photo
// or back, the destination made when none is named.
#include "core/fill_p.h"
#include "tcl/error_p.h"
#include "tcl/names_p.h"
#include "tcl/state_p.h"
#include "tk/tk_p.h"

#include <algorithm>
#include <string>

namespace {

using tav::ErrorKind;
using tav::tk::draws_into;

int fail(Tcl_Interp *interp, ErrorKind kind, const char *first, const char *name = "", const char *last = "") {
    return tav::tcl_error(interp, kind, std::string(first) + name + last);
}

// A private copy of `image`, for a copy whose destination shares the
// source's storage (blanking the destination would wipe the source first).
Photo *snapshot(Photo *image) {
    Photo *copy = PhotoCreate(PhotoWidth(image), PhotoHeight(image), TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (copy && (PhotoWidth(copy) != PhotoWidth(image) ||
                 PhotoCopy(image, copy, 0, 0, 0, 0, PhotoWidth(image), PhotoHeight(image), TAV_COMPOSE_REPLACE) != 0)) {
        PhotoDelete(copy);
        copy = nullptr;
    }
    return copy;
}

// The destination blanked and the source composed onto it a band of rows
// at a time, each band still in the cache when the copy reads it back: the
// same pixels as blanking the whole image and then copying, with one pass
// over the destination's memory instead of three.
constexpr int kBandBytes = 131072;
bool blank_and_copy(Photo *source, Photo *dest, int w, int h) {
    const int band = std::max(1, kBandBytes / (4 * w));
    for (int y = 0; y < h; y += band) {
        const int rows = std::min(band, h - y);
        if (tav::blank_rect(dest, 0, y, w, rows) != 0 ||
            PhotoCopy(source, dest, 0, y, 0, y, w, rows, TAV_COMPOSE_DEFAULT) != 0)
            return false;
    }
    return true;
}

// Owns the temporary images of one call.
struct Temporary {
    Photo *image = nullptr;
    ~Temporary() { PhotoDelete(image); }
};

int library_to_tk(Tcl_Interp *interp, Photo *source, Tcl_Obj *dest_word) {
    Tk_PhotoHandle photo = nullptr;
    Tcl_Obj *name = dest_word;
    if (dest_word) {
        photo = tav::tk::require_photo(interp, dest_word);
        if (!photo) return TCL_ERROR;
        Tcl_IncrRefCount(name);
    } else {
        name = tav::tk::create_photo(interp, &photo);
        if (!name) return TCL_ERROR;
    }
    Temporary own;
    if (draws_into(source, photo)) source = own.image = snapshot(source);
    if (!source || !tav::tk::fill_photo(interp, photo, source)) {
        if (!dest_word) tav::tk::delete_photo(interp, name);
        Tcl_DecrRefCount(name);
        return fail(interp, ErrorKind::Limit, "can't convert image");
    }
    Tcl_SetObjResult(interp, name);
    Tcl_DecrRefCount(name);
    return TCL_OK;
}

int tk_to_library(TavInterpState *state, Tcl_Interp *interp, Photo *source, Tk_PhotoHandle source_photo,
                  Tcl_Obj *dest_word) {
    Temporary view{source};
    const int w = PhotoWidth(source), h = PhotoHeight(source);
    Photo *dest = nullptr;
    Tcl_Obj *name = nullptr;
    if (dest_word) {
        dest = static_cast<Photo *>(tav::find_named(state, interp, tav::kImages, dest_word));
        if (!dest) return TCL_ERROR;
        name = dest_word;
    } else {
        dest = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
        if (!dest) return fail(interp, ErrorKind::Limit, "failed to create new image");
        name = Tcl_NewStringObj(tav::add_named(state, tav::kImages, dest), -1);
    }
    Tcl_IncrRefCount(name);
    // An image drawing into the source photo would resize and blank the
    // very storage the view reads.
    Temporary copy;
    if (draws_into(dest, source_photo)) source = copy.image = snapshot(source);
    const bool ok = source && PhotoExpand(dest, w, h) == 0 && PhotoWidth(dest) == w && PhotoHeight(dest) == h &&
                    blank_and_copy(source, dest, w, h);
    if (!ok) {
        if (!dest_word) tav::delete_named(state, interp, tav::kImages, 1, &name);
        Tcl_DecrRefCount(name);
        return fail(interp, ErrorKind::Limit, "can't convert image");
    }
    Tcl_SetObjResult(interp, name);
    Tcl_DecrRefCount(name);
    return TCL_OK;
}

}  // namespace

int TavcopyCmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    auto *state = static_cast<TavInterpState *>(data);
    if (TavRequireTk(interp, state) != 0) return TCL_ERROR;
    if (objc != 2 && objc != 3) {
        Tcl_WrongNumArgs(interp, 1, objv, "srcimage ?destimage?");
        return TCL_ERROR;
    }
    const char *source_name = Tcl_GetString(objv[1]);
    Tcl_Obj *dest_word = objc == 3 ? objv[2] : nullptr;

    if (auto *image = static_cast<Photo *>(TavNameLookup(state->images, source_name))) {
        if (PhotoWidth(image) <= 0 || PhotoHeight(image) <= 0)
            return fail(interp, ErrorKind::Value, "input image is null");
        return library_to_tk(interp, image, dest_word);
    }
    Tk_PhotoHandle photo = tav::tk::find_photo(interp, source_name);
    Photo *view = photo ? tav::tk::view_photo(photo) : nullptr;
    if (!view) return fail(interp, ErrorKind::Lookup, "image \"", source_name, "\" doesn't exist");
    if (PhotoWidth(view) <= 0 || PhotoHeight(view) <= 0) {
        PhotoDelete(view);
        return fail(interp, ErrorKind::Value, "input image is null");
    }
    return tk_to_library(state, interp, view, photo, dest_word);
}
