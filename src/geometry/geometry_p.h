// Private pieces shared by the copy, transform and filter code.
#pragma once

#include "tavrel.h"

namespace tav {

// A copy's source and destination rectangle of one size.
struct CopyRect {
    int sx, sy, dx, dy, w, h;
};

// Cuts the rectangle to the part that lies inside both images, keeping
// source and destination aligned; false when nothing is left.
bool clip_copy(const Photo *src, const Photo *dst, CopyRect *r);

// The fixed-point coefficients MatrixApply uses for an affine matrix
// without rotation or shear: x' = (kx * x + ex) >> 12, y' = (ky * y + ey) >> 12
// in wrapping 32-bit arithmetic.  False for any other matrix.
struct AxisFixed {
    int kx, ex, ky, ey;
};
bool axis_aligned_fixed(const double *m, AxisFixed *out);

}  // namespace tav
