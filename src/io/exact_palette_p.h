// Palette formats keep the colours they can hold: an image with few
// enough distinct colours is indexed onto exactly those, without dithering.
#pragma once

#include "tavrel.h"

namespace tav {

// An indexed copy of `image` whose colormap is exactly its distinct
// colours, when there are at most `capacity` of them (pixels of alpha 0 do
// not count when `transparent` is set: they take an extra entry
// (192, 192, 192) marked transparent, which must fit too).  nullptr when
// the colours do not fit or memory runs out: the caller quantises then.
Photo *index_exactly(Photo *image, int capacity, bool transparent);

}  // namespace tav
