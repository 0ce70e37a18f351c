// The Tk subsystem's private interface: the Tk photo renderer's record and
// the watch that ties it to a named photo.
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

// 1 once the Tk stub table is bound for the library (binding it when Tk is
// loaded in `interp`), 0 when Tk cannot be used.
bool tk_usable(Tcl_Interp *interp);

}  // namespace tav::tk
