// Clip regions: per-row interval lists.  A new region holds no rows, so an
// image holding one accepts no pixel until rows are given to it; an image
// without a region accepts every pixel.
#include "core/memory_p.h"
#include "core/region_p.h"

#include <algorithm>
#include <cstring>

struct TavRegion {
    int top;
    int rows;
    int *row_start;  // rows + 1 indices into spans, in pairs
    int *spans;      // x0, x1 pairs
};

namespace tav {

RegionRow region_row(const TavRegion *region, int y) {
    if (!region || region->rows == 0) return {nullptr, 0};
    const long long r = static_cast<long long>(y) - region->top;
    if (r < 0 || r >= region->rows) return {nullptr, 0};
    const int from = region->row_start[r], to = region->row_start[r + 1];
    return {region->spans + 2 * from, to - from};
}

bool region_set_rows(TavRegion *region, int top, int rows, const int *counts, const int *pairs) {
    if (!region || rows < 0 || (rows > 0 && (!counts || !pairs))) return false;
    if (static_cast<long long>(top) + rows - 1 > 2147483647LL) return false;
    long long total = 0;
    for (int r = 0; r < rows; ++r) {
        if (counts[r] < 0) return false;
        const int *p = pairs + 2 * total;
        for (int k = 0; k < counts[r]; ++k)
            if (p[2 * k] >= p[2 * k + 1] || (k > 0 && p[2 * k] <= p[2 * k - 1])) return false;
        total += counts[r];
    }
    size_t start_bytes = 0, span_bytes = 0;
    if (!checked_mul(static_cast<size_t>(rows) + 1, sizeof(int), &start_bytes) ||
        !checked_mul(static_cast<size_t>(total), 2 * sizeof(int), &span_bytes) || total > 1073741823LL)
        return false;
    Bytes starts = attempt_bytes(start_bytes), spans = attempt_bytes(span_bytes);
    if (!starts || !spans) return false;
    int *row_start = reinterpret_cast<int *>(starts.get());
    int at = 0;
    for (int r = 0; r < rows; ++r) {
        row_start[r] = at;
        at += counts[r];
    }
    row_start[rows] = at;
    if (total) std::memcpy(spans.get(), pairs, span_bytes);
    TavFree(region->row_start);
    TavFree(region->spans);
    region->top = top;
    region->rows = rows;
    region->row_start = reinterpret_cast<int *>(starts.release());
    region->spans = reinterpret_cast<int *>(spans.release());
    return true;
}

}  // namespace tav

extern "C" {

TavRegion *TavCreateRegion(void) {
    auto *region = static_cast<TavRegion *>(TavAlloc(sizeof(TavRegion)));
    std::memset(region, 0, sizeof(TavRegion));
    return region;
}

void TavDeleteRegion(TavRegion *region) {
    if (!region) return;
    TavFree(region->row_start);
    TavFree(region->spans);
    TavFree(region);
}

int TavPointInRegion(TavRegion *region, int x, int y) {
    if (!region) return 1;
    const tav::RegionRow row = tav::region_row(region, y);
    // The first interval ending after x is the only one that can hold it.
    int lo = 0, hi = row.count;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (row.spans[2 * mid + 1] <= x) lo = mid + 1;
        else hi = mid;
    }
    return lo < row.count && row.spans[2 * lo] <= x ? 1 : 0;
}

}  // extern "C"
