// The decoder's post-filter: block edges smoothed where the picture is flat
// and softened where it is not.  It works in place, first across the
// vertical block edges of the whole plane, then across the horizontal ones;
// the order of edges matters because neighbouring windows overlap.  Only the
// output is filtered; the history keeps the unfiltered planes.
#include <algorithm>
#include <cstdlib>

#include "codec/mimic/mimic_internal_p.h"
#include "core/cpu_p.h"

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

// The smoothing filter over L windows at once, a[i][lane] = sample i of a
// window; a1 ... a8 are rewritten from the old values.  Lanes are
// independent, so the loops vectorise.
template <int L>
void smooth(int a[10][L]) {
    int lo[L], hi[L], n[9][L];
    for (int l = 0; l < L; ++l) {
        lo[l] = std::abs(a[0][l] - a[1][l]) < 10 ? a[0][l] : a[1][l];
        hi[l] = std::abs(a[8][l] - a[9][l]) < 10 ? a[9][l] : a[8][l];
    }
    for (int l = 0; l < L; ++l) {
        const int o = lo[l], h = hi[l];
        const int a1 = a[1][l], a2 = a[2][l], a3 = a[3][l], a4 = a[4][l], a5 = a[5][l], a6 = a[6][l], a7 = a[7][l],
                  a8 = a[8][l];
        n[1][l] = (6 * o + 4 * a1 + 2 * a2 + 2 * a3 + a4 + a5 + 8) >> 4;
        n[2][l] = (4 * o + 2 * a1 + 4 * a2 + 2 * a3 + 2 * a4 + a5 + a6 + 8) >> 4;
        n[3][l] = (2 * o + 2 * a1 + 2 * a2 + 4 * a3 + 2 * a4 + 2 * a5 + a6 + a7 + 8) >> 4;
        n[4][l] = (o + a1 + 2 * a2 + 2 * a3 + 4 * a4 + 2 * a5 + 2 * a6 + a7 + a8 + 8) >> 4;
        n[5][l] = (a1 + a2 + 2 * a3 + 2 * a4 + 4 * a5 + 2 * a6 + 2 * a7 + a8 + h + 8) >> 4;
        n[6][l] = (a2 + a3 + 2 * a4 + 2 * a5 + 4 * a6 + 2 * a7 + 2 * a8 + 2 * h + 8) >> 4;
        n[7][l] = (a3 + a4 + 2 * a5 + 2 * a6 + 4 * a7 + 2 * a8 + 4 * h + 8) >> 4;
        n[8][l] = (a4 + a5 + 2 * a6 + 2 * a7 + 4 * a8 + 6 * h + 8) >> 4;
    }
    for (int i = 1; i <= 8; ++i)
        for (int l = 0; l < L; ++l) a[i][l] = n[i][l];
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

}  // namespace

void deblock_vertical_group(uint8_t *row0, int stride) {
    const int edges = ((stride - 9) >> 3) + 1;
    for (int j = 0; j < edges; ++j) {
        // The 4 windows, one per row, side by side as lanes.
        uint8_t *at = row0 + 8 * j + 3;
        int a[10][4];
        int flat = 0;
        for (int r = 0; r < 4; ++r)
            for (int i = 0; i < 10; ++i) a[i][r] = at[static_cast<ptrdiff_t>(r) * stride + i];
        for (int i = 1; i < 8; ++i)
            for (int r = 0; r < 4; ++r) flat += std::abs(a[i][r] - a[i + 1][r]) <= 1;
        if (flat >= 20) {
            if (std::abs(a[1][0] - a[8][0]) < 20) {
                smooth<4>(a);
                for (int r = 0; r < 4; ++r)
                    for (int i = 1; i <= 8; ++i) at[static_cast<ptrdiff_t>(r) * stride + i] = static_cast<uint8_t>(a[i][r]);
            }
        } else {
            for (int r = 0; r < 4; ++r) soften({at + static_cast<ptrdiff_t>(r) * stride, 1}, true);
        }
    }
}

void deblock_horizontal_group(uint8_t *at, int stride) {
    // The 8 windows, one per column: each row of 8 samples is a lane set.
    int a[10][8];
    for (int k = 0; k < 10; ++k)
        for (int c = 0; c < 8; ++c) a[k][c] = at[static_cast<ptrdiff_t>(k) * stride + c];
    int flat = 0;
    bool close = true;
    for (int k = 1; k < 8; ++k)
        for (int c = 0; c < 8; ++c) flat += std::abs(a[k][c] - a[k + 1][c]) <= 1;
    for (int c = 0; c < 8; ++c) close = close && std::abs(a[1][c] - a[8][c]) <= 20;
    if (flat > 40) {
        if (close) {
            smooth<8>(a);
            for (int k = 1; k <= 8; ++k)
                for (int c = 0; c < 8; ++c) at[static_cast<ptrdiff_t>(k) * stride + c] = static_cast<uint8_t>(a[k][c]);
        }
    } else {
        for (int c = 0; c < 8; ++c) soften({at + c, stride}, false);
    }
}

namespace {

void across_vertical_edges(uint8_t *plane, int stride, int rows) {
    const int groups = ((rows - 1) >> 2) + 1;
    for (int g = 0; g < groups; ++g) deblock_vertical_group(plane + static_cast<ptrdiff_t>(4 * g) * stride, stride);
}

void across_horizontal_edges(uint8_t *plane, int stride, int rows) {
    const int edges = ((rows - 9) >> 3) + 1, groups = ((stride - 1) >> 3) + 1;
    for (int i = 0; i < edges; ++i) {
        uint8_t *top = plane + static_cast<ptrdiff_t>(8 * i + 3) * stride;
        for (int j = 0; j < groups; ++j) deblock_horizontal_group(top + 8 * j, stride);
    }
}

}  // namespace

void deblock_plane(uint8_t *plane, int stride, int rows) {
    // The twin works on bands of 16 rows and pairs of 8-column groups; it
    // leaves what does not fill them to the group functions above.
    const bool twin = cpu_has_avx2() && stride % 16 == 0;
    if (stride > 8 && rows > 0) {
        if (twin)
            deblock_vertical_edges_avx2(plane, stride, rows);
        else
            across_vertical_edges(plane, stride, rows);
    }
    if (stride > 0 && rows > 8) {
        if (twin)
            deblock_horizontal_edges_avx2(plane, stride, rows);
        else
            across_horizontal_edges(plane, stride, rows);
    }
}

}  // namespace tav::mimic
