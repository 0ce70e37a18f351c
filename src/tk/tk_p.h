// The Tk subsystem's private interface: the Tk photo renderer's record, the
// watch that ties it to a named photo, and the named photos the Tcl
// commands make, fill, read and delete.
#pragma once

#include "tavrel.h"

#include <tk.h>

namespace tav::tk {

struct PhotoWatch;

}  // namespace tav::tk

// The Tk photo renderer's render_data.  `photo` is Tk's handle; the watch,
// when there is one, knows the photo's interpreter and name and hears of the
// photo's end (see tk_binding.cpp).
struct TavTkRenderData {
    Tk_PhotoHandle photo;
    Tk_PhotoImageBlock block;  // scratch: describes a write, receives Tk's storage on a read
    Tcl_Interp *interp;        // always null: Tk leaves no message anywhere
    tav::tk::PhotoWatch *watch;
    Photo *owner;              // the Photo this record renders for
    TavTkRenderData *next_bound;
};

namespace tav::tk {

// Ties a new renderer record to the watch of its photo, when the photo is
// watched (bound by name through PhotoCreateTkPhoto).  A photo known only by
// its handle stays unwatched: its caller keeps it alive.
void attach_renderer(TavTkRenderData *data);
// Unties a renderer record being destroyed.
void detach_renderer(TavTkRenderData *data);

// Where red, green, blue and alpha sit in a Tk block.  Alpha follows the
// later of red and blue when the pixel has room for it; otherwise it reads
// as 255.
struct BlockChannels {
    int r, g, b, a;  // a < 0: no alpha
    bool rgba_order; // one memcpy per row reads it as RGBA
};

inline BlockChannels channels_of(const Tk_PhotoImageBlock &block) {
    BlockChannels ch{block.offset[0], block.offset[1], block.offset[2], -1, false};
    const int a = (ch.r > ch.b ? ch.r : ch.b) + 1;
    if (a < block.pixelSize) ch.a = a;
    ch.rgba_order = ch.g == ch.r + 1 && ch.b == ch.r + 2 && ch.a == ch.r + 3 && block.pixelSize == 4;
    return ch;
}

// ---- named photos for the Tcl commands (tk_photos.cpp) --------------------
// Tk must be usable (TavRequireTk) before any of these is called.

// The photo of that name, or null.
Tk_PhotoHandle find_photo(Tcl_Interp *interp, const char *name);
// The photo of that name, or null with "photo \"name\" doesn't exist" and
// {TAVREL TK} set.
Tk_PhotoHandle require_photo(Tcl_Interp *interp, Tcl_Obj *name);
// A new empty photo with a name Tk makes up: the name, with a reference the
// caller releases, and the handle in *photo.  Null with the message set.
Tcl_Obj *create_photo(Tcl_Interp *interp, Tk_PhotoHandle *photo);
// Deletes the photo of that name.
void delete_photo(Tcl_Interp *interp, Tcl_Obj *name);
// Sizes the photo to `source`, blanks it and writes the pixels; false when
// Tk refused the size or the pixels.
bool fill_photo(Tcl_Interp *interp, Tk_PhotoHandle photo, Photo *source);
// A read-only image over the photo's own storage, valid while the photo
// keeps its size; null when Tk's storage cannot be read.
Photo *view_photo(Tk_PhotoHandle photo);
// Whether `image` draws straight into `photo` (shares its storage).
bool draws_into(Photo *image, Tk_PhotoHandle photo);

}  // namespace tav::tk
