// Named Tk photos as the Tcl commands use them: found, made, filled from an
// image, read through a view, and deleted.  The commands never call Tk's
// photo procedures themselves.
#include "tk/tk_p.h"

#include "tcl/error_p.h"

#include <string>

namespace tav::tk {

Tk_PhotoHandle find_photo(Tcl_Interp *interp, const char *name) { return Tk_FindPhoto(interp, name); }

Tk_PhotoHandle require_photo(Tcl_Interp *interp, Tcl_Obj *name) {
    Tk_PhotoHandle photo = Tk_FindPhoto(interp, Tcl_GetString(name));
    if (!photo) tcl_error(interp, ErrorKind::Tk, std::string("photo \"") + Tcl_GetString(name) + "\" doesn't exist");
    return photo;
}

Tcl_Obj *create_photo(Tcl_Interp *interp, Tk_PhotoHandle *photo) {
    // Tk's own reason stays when it cannot make one.
    if (Tcl_EvalEx(interp, "image create photo", -1, TCL_EVAL_GLOBAL) != TCL_OK) return nullptr;
    Tcl_Obj *name = Tcl_GetObjResult(interp);
    *photo = Tk_FindPhoto(interp, Tcl_GetString(name));
    if (!*photo) {
        tcl_error(interp, ErrorKind::Tk, "failed to create new photo");
        return nullptr;
    }
    Tcl_IncrRefCount(name);
    return name;
}

void delete_photo(Tcl_Interp *interp, Tcl_Obj *name) { Tk_DeleteImage(interp, Tcl_GetString(name)); }

bool fill_photo(Tcl_Interp *interp, Tk_PhotoHandle photo, Photo *source) {
    const int w = PhotoWidth(source), h = PhotoHeight(source);
    int width = 0, height = 0;
    Tk_PhotoGetSize(photo, &width, &height);
    if ((width != w || height != h) && Tk_PhotoSetSize(interp, photo, w, h) != TCL_OK) return false;
    Tk_PhotoBlank(photo);
    return TavrelToTkPhoto(interp, source, photo, 0, 0, w, h, 0, 0) == 0;
}

Photo *view_photo(Tk_PhotoHandle photo) {
    Tk_PhotoImageBlock block;
    Tk_PhotoGetImage(photo, &block);
    return PhotoCreateFromTkPhotoBlock(&block);
}

bool draws_into(Photo *image, Tk_PhotoHandle photo) {
    return image && PhotoRenderer(image) == TAV_RENDER_TKPHOTO && image->render_arg == photo;
}

}  // namespace tav::tk
