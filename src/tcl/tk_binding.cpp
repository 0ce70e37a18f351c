// Images drawn into a Tk photo hold Tk's handle of that photo.  A script may
// delete the photo (or replace it under the same name) while the image
// lives on; the handle then points at freed memory.  Every lookup of an image
// checks its photo first and unbinds an image whose photo is gone: the image
// becomes an empty memory image instead of writing through a dead handle.
#include "tcl/state_p.h"

#include <tk.h>

void TavTkBindingAdd(TavInterpState *state, Photo *image, const char *photo_name) {
    int is_new = 0;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(state->tk_bindings, reinterpret_cast<const char *>(image), &is_new);
    if (!is_new) TavFree(Tcl_GetHashValue(entry));
    Tcl_SetHashValue(entry, TavStrdup(photo_name));
}

void TavTkBindingRemove(TavInterpState *state, Photo *image) {
    Tcl_HashEntry *entry = Tcl_FindHashEntry(state->tk_bindings, reinterpret_cast<const char *>(image));
    if (!entry) return;
    TavFree(Tcl_GetHashValue(entry));
    Tcl_DeleteHashEntry(entry);
}

void TavTkBindingCheck(TavInterpState *state, Tcl_Interp *interp, Photo *image) {
    if (!image || image->renderer != TAV_RENDER_TKPHOTO) return;
    Tcl_HashEntry *entry = Tcl_FindHashEntry(state->tk_bindings, reinterpret_cast<const char *>(image));
    if (!entry || !state->tk_ready) return;
    const char *photo_name = static_cast<const char *>(Tcl_GetHashValue(entry));
    if (Tk_FindPhoto(interp, photo_name) == image->render_arg) return;
    TavTkBindingRemove(state, image);
    // The Tk renderer's tear-down frees only its own record, never Tk's.
    image->renderer = TAV_RENDER_MEMORY;
    image->render_arg = nullptr;
    PhotoRecreate(image, 0, 0, TAV_MODE_RGBA);
}

void TavTkBindingClear(TavInterpState *state) {
    Tcl_HashSearch search;
    for (Tcl_HashEntry *e = Tcl_FirstHashEntry(state->tk_bindings, &search); e; e = Tcl_NextHashEntry(&search))
        TavFree(Tcl_GetHashValue(e));
}
