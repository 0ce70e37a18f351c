// Solid rectangles: one colour written through the block put.  The drawing
// primitives end here, and so does the blanking of every new image.
#pragma once

#include "tavrel.h"

namespace tav {

// The colour over the rectangle x, y, w, h (w, h > 0; the block put clips),
// under the compose mode (0: the image's own).  On an indexed image the
// colour's nearest palette entry is written, and 1 returned when there is
// no 8-bit index for it.
int fill_rect(Photo *image, const unsigned char color[4], int compose, int x, int y, int w, int h);

// Every pixel 192, 192, 192 with alpha 0, whatever the compose mode: of
// the whole image, or of the rectangle x, y, w, h.
int blank_image(Photo *image);
int blank_rect(Photo *image, int x, int y, int w, int h);

}  // namespace tav
