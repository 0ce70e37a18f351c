// Handing a finished picture from one Photo to another: the read policy's
// last step, where a picture decoded into a scratch image becomes the
// caller's.
#pragma once

#include "tavrel.h"

namespace tav {

// Gives `image` the picture `other` holds: mode, size, pixels, colormap and
// settings.  `image` keeps its own renderer and binding, so a name, a Tk
// photo or caller planes stay attached to it.
//
// Two images with the same renderer and no binding simply trade records
// (`other` then holds `image`'s old picture).  Otherwise `image` is
// re-created in `other`'s mode and size and the rows are copied through
// the renderer tables; `other` keeps what it had.  Either way the caller
// discards `other` afterwards.
//
// Returns 0, or 1 when `image` could not take the size (caller planes of
// another size); `image` is then left as it was.
int exchange_contents(Photo *image, Photo *other);

}  // namespace tav
