// AVX2 twins of the nearest-neighbour gathers (gather_p.h): eight positions
// a register, stepped by eight steps, checked against the source in 32-bit
// lanes, and the pixels inside fetched by one masked gather (the lanes
// outside read nothing and stay zero).  Compiled with -mavx2 and called
// only when the processor has it.
#include "geometry/gather_p.h"

#include <immintrin.h>

#include <climits>

namespace tav {
namespace {

// Whether a position sum (value >> 12, within +-2^19) plus `offset` and a
// limit below `size` fit an int lane.
bool fits_lanes(long long offset, long long size) {
    return offset > -(1LL << 30) && offset < (1LL << 30) && size >= 0 && size < (1LL << 30);
}

inline __m256i lane_steps(uint32_t start, uint32_t step) {
    const __m256i k = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(start)),
                            _mm256_mullo_epi32(k, _mm256_set1_epi32(static_cast<int>(step))));
}

// Lanes with 0 <= v < size.
inline __m256i inside(__m256i v, __m256i size) {
    return _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), v), _mm256_cmpgt_epi32(size, v));
}

}  // namespace

void gather_row_avx2(const RowGather &g, unsigned char *out, size_t n) {
    if (!fits_lanes(g.sx, g.width)) return gather_row(g, out, n);
    const int *row = reinterpret_cast<const int *>(g.row);
    const __m256i sx = _mm256_set1_epi32(static_cast<int>(g.sx)), width = _mm256_set1_epi32(static_cast<int>(g.width));
    const __m256i step8 = _mm256_set1_epi32(static_cast<int>(g.step * 8u));
    __m256i acc = lane_steps(g.acc, g.step);
    size_t i = 0;
    for (; i + 8 <= n; i += 8, acc = _mm256_add_epi32(acc, step8)) {
        const __m256i col = _mm256_add_epi32(sx, _mm256_srai_epi32(acc, 12));
        const __m256i px = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), row, col, inside(col, width), 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * i), px);
    }
    RowGather rest = g;
    rest.acc = g.acc + static_cast<uint32_t>(i) * g.step;
    gather_row(rest, out + 4 * i, n - i);
}

void gather_plane_avx2(const PlaneGather &g, unsigned char *out, size_t n) {
    // Offsets in pixels from the first one must fit an int lane too.
    const bool whole_pixels = g.row_stride % 4 == 0 && g.row_stride >= 0;
    if (!whole_pixels || !fits_lanes(g.sx, g.width) || !fits_lanes(g.sy, g.height) ||
        static_cast<long double>(g.height) * (g.row_stride / 4) >= static_cast<long double>(INT_MAX))
        return gather_plane(g, out, n);
    const int *base = reinterpret_cast<const int *>(g.base);
    const __m256i sx = _mm256_set1_epi32(static_cast<int>(g.sx)), sy = _mm256_set1_epi32(static_cast<int>(g.sy));
    const __m256i width = _mm256_set1_epi32(static_cast<int>(g.width));
    const __m256i height = _mm256_set1_epi32(static_cast<int>(g.height));
    const __m256i pitch = _mm256_set1_epi32(static_cast<int>(g.row_stride / 4));
    const __m256i step_x = _mm256_set1_epi32(static_cast<int>(g.step_x * 8u));
    const __m256i step_y = _mm256_set1_epi32(static_cast<int>(g.step_y * 8u));
    __m256i ax = lane_steps(g.ax, g.step_x), ay = lane_steps(g.ay, g.step_y);
    size_t i = 0;
    for (; i + 8 <= n; i += 8, ax = _mm256_add_epi32(ax, step_x), ay = _mm256_add_epi32(ay, step_y)) {
        const __m256i px = _mm256_add_epi32(sx, _mm256_srai_epi32(ax, 12));
        const __m256i py = _mm256_add_epi32(sy, _mm256_srai_epi32(ay, 12));
        const __m256i mask = _mm256_and_si256(inside(px, width), inside(py, height));
        if (_mm256_testz_si256(mask, mask)) {  // wholly outside: the corners of a turned picture
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * i), _mm256_setzero_si256());
            continue;
        }
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(py, pitch), px);
        const __m256i pixels = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, at, mask, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * i), pixels);
    }
    PlaneGather rest = g;
    rest.ax = g.ax + static_cast<uint32_t>(i) * g.step_x;
    rest.ay = g.ay + static_cast<uint32_t>(i) * g.step_y;
    gather_plane(rest, out + 4 * i, n - i);
}

}  // namespace tav
