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

// The fixed-point coefficients MatrixApply uses for an affine matrix:
// x' = (ka x + kb y + ke) >> 12, y' = (kc x + kd y + kf) >> 12 in wrapping
// 32-bit arithmetic.  False for a projective or degenerate matrix.
struct AffineFixed {
    int ka, kb, ke, kc, kd, kf;
};
bool affine_fixed(const double *m, AffineFixed *out);

}  // namespace tav
