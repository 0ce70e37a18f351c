// Clip regions as sorted, disjoint half-open column intervals per row.  The
// block put walks a row's intervals instead of testing every pixel.
#pragma once

#include "tavrel.h"

namespace tav {

// The intervals of row y: `count` pairs [x0, x1) in increasing order, or
// none (count 0) for a row the region does not reach.
struct RegionRow {
    const int *spans;
    int count;
};

RegionRow region_row(const TavRegion *region, int y);

// Replaces the region's rows: rows top .. top+rows-1, row r holding
// counts[r] pairs taken in order from `pairs`.  Each row's pairs must be
// sorted, non-empty and disjoint; false (region unchanged) otherwise or when
// memory is short.
bool region_set_rows(TavRegion *region, int top, int rows, const int *counts, const int *pairs);

}  // namespace tav
