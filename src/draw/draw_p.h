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

}  // namespace tav
