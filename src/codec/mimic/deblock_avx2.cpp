// AVX2 twin of the deblocking filter: 16 windows side by side as 16-bit
// lanes, every branch of the filter computed and the lanes picked by masks.
// Across horizontal edges the lanes are two neighbouring 8-column groups;
// across vertical edges a band of 16 rows (4 groups) is transposed first,
// so that each column becomes one vector, and transposed back afterwards.
// The edges of one row band still run in order: a window reads the last
// sample the window before it wrote.
#include <immintrin.h>

#include <cstring>

#include "codec/mimic/mimic_internal_p.h"

namespace tav::mimic {
namespace {

using V = __m256i;

inline V set(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
inline V add(V a, V b) { return _mm256_add_epi16(a, b); }
inline V sub(V a, V b) { return _mm256_sub_epi16(a, b); }
inline V times(V a, int k) { return _mm256_mullo_epi16(a, set(k)); }
inline V absdiff(V a, V b) { return _mm256_abs_epi16(sub(a, b)); }
// mask ? b : a, masks being whole lanes.
inline V pick(V a, V b, V mask) { return _mm256_blendv_epi8(a, b, mask); }

inline V load_row(const uint8_t *p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}
inline void store_row(uint8_t *p, V v) {
    const V packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(p), _mm256_castsi256_si128(packed));
}

// Per lane: how many of the 7 steps a1 ... a8 differ by at most 1.
inline V flat_steps(const V a[10]) {
    V count = _mm256_setzero_si256();
    for (int i = 1; i < 8; ++i) count = sub(count, _mm256_cmpgt_epi16(set(2), absdiff(a[i], a[i + 1])));
    return count;
}

// The smoothing filter's a1 ... a8, as n[1] ... n[8].
void smooth(const V a[10], V n[9]) {
    const V lo = pick(a[1], a[0], _mm256_cmpgt_epi16(set(10), absdiff(a[0], a[1])));
    const V hi = pick(a[8], a[9], _mm256_cmpgt_epi16(set(10), absdiff(a[8], a[9])));
    auto x2 = [](V v) { return _mm256_slli_epi16(v, 1); };
    auto x4 = [](V v) { return _mm256_slli_epi16(v, 2); };
    auto out = [](V sum) { return _mm256_srli_epi16(add(sum, set(8)), 4); };
    n[1] = out(add(add(add(times(lo, 6), x4(a[1])), add(x2(a[2]), x2(a[3]))), add(a[4], a[5])));
    n[2] = out(add(add(add(x4(lo), x2(a[1])), add(x4(a[2]), x2(a[3]))), add(add(x2(a[4]), a[5]), a[6])));
    n[3] = out(add(add(add(x2(lo), x2(a[1])), add(x2(a[2]), x4(a[3]))), add(add(x2(a[4]), x2(a[5])), add(a[6], a[7]))));
    n[4] = out(add(add(add(lo, a[1]), add(x2(a[2]), x2(a[3]))), add(add(x4(a[4]), x2(a[5])), add(add(x2(a[6]), a[7]), a[8]))));
    n[5] = out(add(add(add(a[1], a[2]), add(x2(a[3]), x2(a[4]))), add(add(x4(a[5]), x2(a[6])), add(add(x2(a[7]), a[8]), hi))));
    n[6] = out(add(add(add(a[2], a[3]), add(x2(a[4]), x2(a[5]))), add(add(x4(a[6]), x2(a[7])), add(x2(a[8]), x2(hi)))));
    n[7] = out(add(add(add(a[3], a[4]), add(x2(a[5]), x2(a[6]))), add(add(x4(a[7]), x2(a[8])), x4(hi))));
    n[8] = out(add(add(add(a[4], a[5]), add(x2(a[6]), x2(a[7]))), add(x4(a[8]), times(hi, 6))));
}

// The softening step's correction c: a4 becomes a4 - c, a5 becomes a5 + c.
V soften(const V a[10], bool across_vertical_edge) {
    const V zero = _mm256_setzero_si256();
    const V t1 = add(times(sub(a[5], a[4]), 5), times(sub(a[3], a[6]), 2));
    const V t2 = add(times(sub(a[3], a[2]), 5), times(sub(a[1], a[4]), 2));
    const V t3 = across_vertical_edge ? sub(add(times(a[5], 2), times(a[7], 5)), times(a[8], 7))
                                      : add(times(sub(a[7], a[6]), 5), times(sub(a[5], a[8]), 2));
    const V m = _mm256_max_epi16(sub(_mm256_abs_epi16(t1), _mm256_min_epi16(_mm256_abs_epi16(t2), _mm256_abs_epi16(t3))), zero);
    V s = _mm256_srai_epi16(add(times(m, 5), set(32)), 6);
    s = pick(sub(zero, s), s, _mm256_cmpgt_epi16(zero, t1));
    // (a4 - a5) / 2, rounded toward zero.
    const V d = sub(a[4], a[5]);
    const V h = _mm256_srai_epi16(add(d, _mm256_srli_epi16(d, 15)), 1);
    const V up = _mm256_min_epi16(h, _mm256_max_epi16(s, zero));
    const V down = _mm256_max_epi16(h, _mm256_min_epi16(s, zero));
    const V c = pick(down, up, _mm256_cmpgt_epi16(h, zero));
    return _mm256_and_si256(c, _mm256_cmpgt_epi16(set(80), _mm256_abs_epi16(t1)));
}

// Rows 1 ... 8 of the windows after the filter: smoothed lanes, softened
// lanes, and lanes left as they were.
void filter(V a[10], V smooth_lanes, V soften_lanes, bool across_vertical_edge) {
    // Still pictures make whole vectors of one kind: skip what no lane needs.
    const bool any_soften = !_mm256_testz_si256(soften_lanes, soften_lanes);
    const V c = any_soften ? _mm256_and_si256(soften(a, across_vertical_edge), soften_lanes) : V{};
    if (!_mm256_testz_si256(smooth_lanes, smooth_lanes)) {
        V n[9];
        smooth(a, n);
        for (int i = 1; i <= 8; ++i) a[i] = pick(a[i], n[i], smooth_lanes);
    }
    if (any_soften) {
        a[4] = sub(a[4], c);
        a[5] = add(a[5], c);
    }
}

// Two 8-column groups at one horizontal edge.
void horizontal_pair(uint8_t *at, int stride) {
    V a[10];
    for (int k = 0; k < 10; ++k) a[k] = load_row(at + static_cast<ptrdiff_t>(k) * stride);
    // Each 128-bit half is one group: its sums reach every lane of the half.
    V flat = _mm256_madd_epi16(flat_steps(a), set(1));
    flat = _mm256_add_epi32(flat, _mm256_shuffle_epi32(flat, 0x4E));
    flat = _mm256_add_epi32(flat, _mm256_shuffle_epi32(flat, 0xB1));
    flat = _mm256_cmpgt_epi32(flat, _mm256_set1_epi32(40));
    V far = _mm256_cmpgt_epi16(absdiff(a[1], a[8]), set(20));
    far = _mm256_or_si256(far, _mm256_slli_epi32(far, 16));
    far = _mm256_or_si256(far, _mm256_srli_epi32(far, 16));
    far = _mm256_or_si256(far, _mm256_shuffle_epi32(far, 0x4E));
    far = _mm256_or_si256(far, _mm256_shuffle_epi32(far, 0xB1));
    filter(a, _mm256_andnot_si256(far, flat), _mm256_andnot_si256(flat, set(-1)), false);
    for (int k = 1; k <= 8; ++k) store_row(at + static_cast<ptrdiff_t>(k) * stride, a[k]);
}

// Transposes a 16 x 16 block of bytes: four rounds of interleaving rows i
// and i + 8 rotate the 8 bits of (row, column) by one each.
void transpose16(const uint8_t *src, ptrdiff_t src_stride, uint8_t *dst, ptrdiff_t dst_stride) {
    __m128i r[16], t[16];
    for (int i = 0; i < 16; ++i) r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i * src_stride));
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 8; ++i) {
            t[2 * i] = _mm_unpacklo_epi8(r[i], r[i + 8]);
            t[2 * i + 1] = _mm_unpackhi_epi8(r[i], r[i + 8]);
        }
        for (int i = 0; i < 16; ++i) r[i] = t[i];
    }
    for (int i = 0; i < 16; ++i) _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i * dst_stride), r[i]);
}

inline V within_64(V v, int imm) {
    switch (imm) {  // the shuffles take constants
    case 0xB1: return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xB1), 0xB1);
    case 0x4E: return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0x4E), 0x4E);
    default: return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0x00), 0x00);
    }
}

constexpr int kWidestPlane = 320;

// The vertical edges of 16 rows (4 groups): each 64 bits of a vector is a group.
void vertical_band(uint8_t *band, int stride) {
    alignas(32) uint8_t columns[kWidestPlane * 16];
    for (int b = 0; b < stride / 16; ++b) transpose16(band + 16 * b, stride, columns + 256 * b, 16);
    const int edges = ((stride - 9) >> 3) + 1;
    for (int j = 0; j < edges; ++j) {
        uint8_t *at = columns + 16 * (8 * j + 3);
        V a[10];
        for (int i = 0; i < 10; ++i) a[i] = load_row(at + 16 * i);
        V flat = flat_steps(a);
        flat = add(flat, within_64(flat, 0xB1));
        flat = add(flat, within_64(flat, 0x4E));
        flat = _mm256_cmpgt_epi16(flat, set(19));
        // The closeness test looks at the group's first row only.
        const V close = within_64(_mm256_cmpgt_epi16(set(20), absdiff(a[1], a[8])), 0x00);
        filter(a, _mm256_and_si256(flat, close), _mm256_andnot_si256(flat, set(-1)), true);
        for (int i = 1; i <= 8; ++i) store_row(at + 16 * i, a[i]);
    }
    for (int b = 0; b < stride / 16; ++b) transpose16(columns + 256 * b, 16, band + 16 * b, stride);
}

}  // namespace

void deblock_vertical_edges_avx2(uint8_t *plane, int stride, int rows) {
    const int groups = ((rows - 1) >> 2) + 1;
    int g = 0;
    if (stride <= kWidestPlane)
        for (; g + 4 <= groups; g += 4) vertical_band(plane + static_cast<ptrdiff_t>(4 * g) * stride, stride);
    if (g < groups && stride <= kWidestPlane) {
        // The last groups, short of a band, run in a copy padded to one:
        // rows are lanes, so the padding changes nothing in them.
        alignas(32) uint8_t band[16 * kWidestPlane] = {};
        uint8_t *rows_left = plane + static_cast<ptrdiff_t>(4 * g) * stride;
        const size_t bytes = static_cast<size_t>(4 * (groups - g)) * stride;
        std::memcpy(band, rows_left, bytes);
        vertical_band(band, stride);
        std::memcpy(rows_left, band, bytes);
        g = groups;
    }
    for (; g < groups; ++g) deblock_vertical_group(plane + static_cast<ptrdiff_t>(4 * g) * stride, stride);
}

void deblock_horizontal_edges_avx2(uint8_t *plane, int stride, int rows) {
    const int edges = ((rows - 9) >> 3) + 1, groups = ((stride - 1) >> 3) + 1;
    for (int i = 0; i < edges; ++i) {
        uint8_t *top = plane + static_cast<ptrdiff_t>(8 * i + 3) * stride;
        int j = 0;
        for (; j + 2 <= groups; j += 2) horizontal_pair(top + 8 * j, stride);
        for (; j < groups; ++j) deblock_horizontal_group(top + 8 * j, stride);
    }
}

}  // namespace tav::mimic
