// AVX2 twins of over, under and bump (compose_twins_p.h): the SSE2 rows'
// arithmetic on eight pixels a step.  Every step of it (widening, packing,
// the per-pixel alpha shuffles) stays within a 128-bit lane, so each lane
// computes exactly what one SSE2 register does.  Compiled with -mavx2 and
// called only when the processor has it.
#include "core/compose_twins_p.h"

#include <immintrin.h>

#include <cstring>

namespace tav {
namespace {

inline __m256i load(const unsigned char *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
inline void store(unsigned char *p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }

// Whole groups of eight pixels, then the last one to seven through a copy.
template <class Block>
inline void by_eights(unsigned char *dst, const unsigned char *src, size_t n, Block block) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) store(dst + 4 * i, block(load(dst + 4 * i), load(src + 4 * i)));
    if (i == n) return;
    unsigned char d[32] = {}, s[32] = {};
    const size_t bytes = 4 * (n - i);
    std::memcpy(d, dst + 4 * i, bytes);
    std::memcpy(s, src + 4 * i, bytes);
    store(d, block(load(d), load(s)));
    std::memcpy(dst + 4 * i, d, bytes);
}

inline __m256i alpha_bytes() { return _mm256_set1_epi32(static_cast<int>(0xFF000000u)); }

inline __m256i with_alpha_of(__m256i color, __m256i alpha) {
    return _mm256_or_si256(_mm256_andnot_si256(alpha_bytes(), color), _mm256_and_si256(alpha_bytes(), alpha));
}

inline __m256i div255(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))), 7);
}

inline __m256i alpha_lanes(__m256i v) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xFF), 0xFF); }

// floor(n / d), exact for these ranges as in the SSE2 rows.
inline __m256i quotient(__m256i n, __m256i d) {
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(n), _mm256_cvtepi32_ps(d)));
}

inline __m256i over_pairs(__m256i t, __m256i b, __m256i *ar_out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i at = alpha_lanes(t), ab = alpha_lanes(b);
    const __m256i w = div255(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(_mm256_set1_epi16(255), at), ab),
                                              _mm256_set1_epi16(127)));
    const __m256i ar = _mm256_add_epi16(at, w);
    *ar_out = ar;
    const __m256i divisor = _mm256_max_epi16(ar, _mm256_set1_epi16(1));
    const __m256i top = _mm256_mullo_epi16(t, at), bottom = _mm256_mullo_epi16(b, w);
    const __m256i bias = _mm256_set1_epi32(127);
    const __m256i lo = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_unpacklo_epi16(top, zero), _mm256_unpacklo_epi16(bottom, zero)), bias);
    const __m256i hi = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_unpackhi_epi16(top, zero), _mm256_unpackhi_epi16(bottom, zero)), bias);
    return _mm256_packs_epi32(quotient(lo, _mm256_unpacklo_epi16(divisor, zero)),
                              quotient(hi, _mm256_unpackhi_epi16(divisor, zero)));
}

inline __m256i over_eight(__m256i t, __m256i b) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i ar_lo, ar_hi;
    const __m256i lo = over_pairs(_mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(b, zero), &ar_lo);
    const __m256i hi = over_pairs(_mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(b, zero), &ar_hi);
    return with_alpha_of(_mm256_packus_epi16(lo, hi), _mm256_packus_epi16(ar_lo, ar_hi));
}

inline __m256i select(__m256i keep, __m256i d, __m256i v) { return _mm256_blendv_epi8(v, d, keep); }

inline __m256i clear(__m256i v) {
    return _mm256_cmpeq_epi32(_mm256_and_si256(v, alpha_bytes()), _mm256_setzero_si256());
}

void over_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_eights(dst, src, n, [](__m256i d, __m256i s) {
        const __m256i ones = _mm256_set1_epi8(-1);
        const __m256i alphas_or_ones = _mm256_or_si256(s, _mm256_andnot_si256(alpha_bytes(), ones));
        if (_mm256_testc_si256(alphas_or_ones, ones)) return s;  // all opaque
        const __m256i keep = clear(s);
        if (_mm256_testc_si256(keep, ones)) return d;  // all clear
        return select(keep, d, over_eight(s, d));
    });
}

void under_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_eights(dst, src, n, [](__m256i d, __m256i s) { return select(clear(_mm256_or_si256(d, s)), d, over_eight(d, s)); });
}

void bump_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_eights(dst, src, n, [](__m256i d, __m256i s) { return select(clear(s), d, with_alpha_of(over_eight(s, d), d)); });
}

}  // namespace

const RgbaComposeTwins kRgbaComposeAvx2 = {over_rows, under_rows, bump_rows, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace tav
