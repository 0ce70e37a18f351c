// Filled and outlined polygons in the image's foreground colour and compose
// mode.
#pragma once

#include "tavrel.h"

namespace tav {

enum class FillRule { EvenOdd, NonZero };

// `xy` holds `points` x, y pairs (at least three) in pixel units, a pixel's
// centre at +0.5.  Filled without antialiasing, exactly the pixels whose
// centres are inside are drawn; antialiased, each pixel takes the ink's
// alpha times the share of its area the polygon covers.  Unfilled, the
// closed outline is drawn as lines between the rounded points.  Returns 0,
// or 1 when memory for a row could not be had.
int draw_polygon(Photo *image, const double *xy, int points, bool fill, bool antialiased, FillRule rule);

}  // namespace tav
