// Shared pieces of the drawing primitives.  Shapes are computed in 64-bit
// coordinates, so that end points and radii anywhere in the int range never
// overflow, and every loop runs only over the steps that can reach the image.
#pragma once

#include "tavrel.h"

#include <algorithm>

namespace tav {

// A closed interval of step numbers; empty when lo > hi.
struct StepRange {
    long long lo, hi;
    bool empty() const { return lo > hi; }
};

// The steps i of 0..last at which the coordinate start + dir * i (dir +1 or
// -1) lies inside 0..limit-1.
inline StepRange steps_inside(long long start, int dir, long long limit, long long last) {
    StepRange r = dir > 0 ? StepRange{-start, limit - 1 - start} : StepRange{start - (limit - 1), start};
    r.lo = std::max(r.lo, 0LL);
    r.hi = std::min(r.hi, last);
    return r;
}

// The half-open box [x0, x1) x [y0, y1), cut to the image first so that the
// remaining part fits PhotoDrawBox's int arguments.  Compose is the image's own.
inline void fill_box(Photo *image, const unsigned char *color, long long x0, long long y0, long long x1,
                     long long y1) {
    x0 = std::max(x0, 0LL);
    y0 = std::max(y0, 0LL);
    x1 = std::min<long long>(x1, image->width);
    y1 = std::min<long long>(y1, image->height);
    if (x0 >= x1 || y0 >= y1) return;
    PhotoDrawBox(image, color, TAV_COMPOSE_DEFAULT, static_cast<int>(x0), static_cast<int>(y0),
                 static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
}

inline bool inside(const Photo *image, long long x, long long y) {
    return x >= 0 && y >= 0 && x < image->width && y < image->height;
}

}  // namespace tav
