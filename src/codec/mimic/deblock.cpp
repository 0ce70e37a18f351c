// The decoder's post-filter: block edges smoothed where the picture is flat
// and softened where it is not.  It works in place, first across the
// vertical block edges of the whole plane, then across the horizontal ones;
// the order of edges matters because neighbouring windows overlap.  Only the
// output is filtered; the history keeps the unfiltered planes.
#include <algorithm>
#include <cstdlib>

#include "codec/mimic/mimic_internal_p.h"

namespace tav::mimic {

namespace {

// A window of 10 samples a0 ... a9 across an edge (between a4 and a5), at
// `step` bytes from each other.
struct Window {
    uint8_t *base;
    ptrdiff_t step;
    int operator[](int i) const { return base[i * step]; }
    void set(int i, int value) { base[i * step] = static_cast<uint8_t>(value); }
};

int flat_pairs(const Window &w) {
    int count = 0;
    for (int i = 1; i < 8; ++i) count += std::abs(w[i] - w[i + 1]) <= 1;
    return count;
}

void smooth(Window w) {
    int a[10];
    for (int i = 0; i < 10; ++i) a[i] = w[i];
    int lo = std::abs(a[0] - a[1]) < 10 ? a[0] : a[1];
    int hi = std::abs(a[8] - a[9]) < 10 ? a[9] : a[8];
    int n[9];
    n[1] = (6 * lo + 4 * a[1] + 2 * a[2] + 2 * a[3] + a[4] + a[5] + 8) >> 4;
    n[2] = (4 * lo + 2 * a[1] + 4 * a[2] + 2 * a[3] + 2 * a[4] + a[5] + a[6] + 8) >> 4;
    n[3] = (2 * lo + 2 * a[1] + 2 * a[2] + 4 * a[3] + 2 * a[4] + 2 * a[5] + a[6] + a[7] + 8) >> 4;
    n[4] = (lo + a[1] + 2 * a[2] + 2 * a[3] + 4 * a[4] + 2 * a[5] + 2 * a[6] + a[7] + a[8] + 8) >> 4;
    n[5] = (a[1] + a[2] + 2 * a[3] + 2 * a[4] + 4 * a[5] + 2 * a[6] + 2 * a[7] + a[8] + hi + 8) >> 4;
    n[6] = (a[2] + a[3] + 2 * a[4] + 2 * a[5] + 4 * a[6] + 2 * a[7] + 2 * a[8] + 2 * hi + 8) >> 4;
    n[7] = (a[3] + a[4] + 2 * a[5] + 2 * a[6] + 4 * a[7] + 2 * a[8] + 4 * hi + 8) >> 4;
    n[8] = (a[4] + a[5] + 2 * a[6] + 2 * a[7] + 4 * a[8] + 6 * hi + 8) >> 4;
    for (int i = 1; i <= 8; ++i) w.set(i, n[i]);
}

// Moves a4 and a5 toward each other by at most half their difference.  The
// two passes differ in t3: the pass across vertical edges weighs a5, a7 and
// a8 as 2, 5 and -7, which is not the mirror image of t2.
void soften(Window w, bool across_vertical_edge) {
    int a[10];
    for (int i = 1; i < 9; ++i) a[i] = w[i];
    int t1 = 5 * (a[5] - a[4]) + 2 * (a[3] - a[6]);
    if (std::abs(t1) >= 80) return;
    int t2 = 5 * (a[3] - a[2]) + 2 * (a[1] - a[4]);
    int t3 = across_vertical_edge ? 2 * a[5] + 5 * a[7] - 7 * a[8] : 5 * (a[7] - a[6]) + 2 * (a[5] - a[8]);
    int m = std::max(std::abs(t1) - std::min(std::abs(t2), std::abs(t3)), 0);
    int s = (5 * m + 32) >> 6;
    if (t1 >= 0) s = -s;
    int h = (a[4] - a[5]) / 2;
    int c = h > 0 ? std::min(h, std::max(s, 0)) : std::max(h, std::min(s, 0));
    if (c == 0) return;
    w.set(4, a[4] - c);
    w.set(5, a[5] + c);
}

void across_vertical_edges(uint8_t *plane, int stride, int rows) {
    if (stride <= 8 || rows == 0) return;
    const int groups = ((rows - 1) >> 2) + 1, edges = ((stride - 9) >> 3) + 1;
    for (int g = 0; g < groups; ++g) {
        uint8_t *row0 = plane + static_cast<ptrdiff_t>(4 * g) * stride;
        for (int j = 0; j < edges; ++j) {
            Window w[4];
            int flat = 0;
            for (int r = 0; r < 4; ++r) {
                w[r] = {row0 + static_cast<ptrdiff_t>(r) * stride + 8 * j + 3, 1};
                flat += flat_pairs(w[r]);
            }
            if (flat >= 20) {
                if (std::abs(w[0][1] - w[0][8]) < 20)
                    for (auto &x : w) smooth(x);
            } else {
                for (auto &x : w) soften(x, true);
            }
        }
    }
}

void across_horizontal_edges(uint8_t *plane, int stride, int rows) {
    if (stride == 0 || rows <= 8) return;
    const int edges = ((rows - 9) >> 3) + 1, groups = ((stride - 1) >> 3) + 1;
    for (int i = 0; i < edges; ++i) {
        uint8_t *top = plane + static_cast<ptrdiff_t>(8 * i + 3) * stride;
        for (int j = 0; j < groups; ++j) {
            Window w[8];
            int flat = 0;
            bool close = true;
            for (int c = 0; c < 8; ++c) {
                w[c] = {top + 8 * j + c, stride};
                flat += flat_pairs(w[c]);
                close = close && std::abs(w[c][1] - w[c][8]) <= 20;
            }
            if (flat > 40) {
                if (close)
                    for (auto &x : w) smooth(x);
            } else {
                for (auto &x : w) soften(x, false);
            }
        }
    }
}

}  // namespace

void deblock_plane(uint8_t *plane, int stride, int rows) {
    across_vertical_edges(plane, stride, rows);
    across_horizontal_edges(plane, stride, rows);
}

}  // namespace tav::mimic
