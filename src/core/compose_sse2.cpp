// The SSE2 twins of compose_twins_p.h.  Four pixels at a time: the modes
// that keep the image's alpha are byte arithmetic on whole registers; over,
// under and bump widen two pixels to 16-bit lanes, get the alpha rule from
// exact divisions by 255 (a multiply-high) and the colour quotient from a
// float division, which is exact here: the dividend is below 2^17, the
// divisor a result alpha 1..255, and every quotient that is not clamped to
// 255 lies far enough from the next integer for single precision.
#include "core/compose_twins_p.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace tav {
namespace {

inline __m128i load(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void store(unsigned char *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// Runs `block` over whole groups of four pixels, then over the last one to
// three through a copy, so that no byte past either row is touched.
template <class Block>
inline void by_fours(unsigned char *dst, const unsigned char *src, size_t n, Block block) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) store(dst + 4 * i, block(load(dst + 4 * i), load(src + 4 * i)));
    if (i == n) return;
    unsigned char d[16] = {}, s[16] = {};
    const size_t bytes = 4 * (n - i);
    std::memcpy(d, dst + 4 * i, bytes);
    std::memcpy(s, src + 4 * i, bytes);
    store(d, block(load(d), load(s)));
    std::memcpy(dst + 4 * i, d, bytes);
}

inline __m128i alpha_bytes() { return _mm_set1_epi32(static_cast<int>(0xFF000000u)); }

// The colour bytes of `color` with the alpha bytes of `alpha`.
inline __m128i with_alpha_of(__m128i color, __m128i alpha) {
    return _mm_or_si128(_mm_andnot_si128(alpha_bytes(), color), _mm_and_si128(alpha_bytes(), alpha));
}

// ---- modes that keep the image's alpha: bytes --------------------------------

template <__m128i (*Color)(__m128i d, __m128i s)>
void keep_alpha_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_fours(dst, src, n, [](__m128i d, __m128i s) { return with_alpha_of(Color(d, s), d); });
}

__m128i plus(__m128i d, __m128i s) { return _mm_adds_epu8(d, s); }
__m128i minus(__m128i d, __m128i s) { return _mm_subs_epu8(d, s); }
__m128i add(__m128i d, __m128i s) { return _mm_add_epi8(d, s); }
__m128i subtract(__m128i d, __m128i s) { return _mm_sub_epi8(d, s); }
__m128i difference(__m128i d, __m128i s) { return _mm_or_si128(_mm_subs_epu8(d, s), _mm_subs_epu8(s, d)); }
// The average rounds up; (d + s) / 2 truncates, one less where d + s is odd.
__m128i mix(__m128i d, __m128i s) {
    return _mm_sub_epi8(_mm_avg_epu8(d, s), _mm_and_si128(_mm_xor_si128(d, s), _mm_set1_epi8(1)));
}

// ---- over, under, bump: 16-bit lanes, two pixels a register ------------------

// x / 255 for any x below 2^16, truncating.
inline __m128i div255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7);
}

// Each pixel's alpha in all four of its lanes.
inline __m128i alpha_lanes(__m128i v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF); }

// floor(n / d) for lanes 0 <= n < 2^17 and 1 <= d <= 255.
inline __m128i quotient(__m128i n, __m128i d) {
    return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(n), _mm_cvtepi32_ps(d)));
}

// Over's colour rule, top t over bottom b, for two pixels in 16-bit lanes:
// w = ((255 - at) * ab + 127) / 255, the result alpha ar = at + w (the same
// integer as combine_alpha), colour (t * at + b * w + 127) / ar.  Returns
// the colour lanes (unclamped, below 2^15) and the result alpha in `ar_out`.
inline __m128i over_pair(__m128i t, __m128i b, __m128i *ar_out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i at = alpha_lanes(t), ab = alpha_lanes(b);
    const __m128i w = div255(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(255), at), ab),
                                           _mm_set1_epi16(127)));
    const __m128i ar = _mm_add_epi16(at, w);
    *ar_out = ar;
    const __m128i divisor = _mm_max_epi16(ar, _mm_set1_epi16(1));  // ar 0 lanes are thrown away by the caller
    const __m128i top = _mm_mullo_epi16(t, at), bottom = _mm_mullo_epi16(b, w);  // each below 2^16
    const __m128i bias = _mm_set1_epi32(127);
    const __m128i lo = _mm_add_epi32(_mm_add_epi32(_mm_unpacklo_epi16(top, zero), _mm_unpacklo_epi16(bottom, zero)), bias);
    const __m128i hi = _mm_add_epi32(_mm_add_epi32(_mm_unpackhi_epi16(top, zero), _mm_unpackhi_epi16(bottom, zero)), bias);
    return _mm_packs_epi32(quotient(lo, _mm_unpacklo_epi16(divisor, zero)),
                           quotient(hi, _mm_unpackhi_epi16(divisor, zero)));
}

// Four pixels of t over b: colours clamped to a byte, alphas ar.
inline __m128i over_four(__m128i t, __m128i b) {
    const __m128i zero = _mm_setzero_si128();
    __m128i ar_lo, ar_hi;
    const __m128i lo = over_pair(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(b, zero), &ar_lo);
    const __m128i hi = over_pair(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(b, zero), &ar_hi);
    return with_alpha_of(_mm_packus_epi16(lo, hi), _mm_packus_epi16(ar_lo, ar_hi));
}

// `keep` lanes (whole pixels) take d, the others v.
inline __m128i select(__m128i keep, __m128i d, __m128i v) {
    return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, v));
}

// Pixels whose alpha byte in `v` is 0, as whole-pixel masks.
inline __m128i clear(__m128i v) { return _mm_cmpeq_epi32(_mm_and_si128(v, alpha_bytes()), _mm_setzero_si128()); }

void over_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_fours(dst, src, n, [](__m128i d, __m128i s) {
        // Opaque source pixels (most of a photo) replace; clear ones leave.
        const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(s, _mm_andnot_si128(alpha_bytes(), _mm_set1_epi8(-1))),
                                                            _mm_set1_epi8(-1)));
        if (opaque == 0xFFFF) return s;
        const __m128i keep = clear(s);
        if (_mm_movemask_epi8(keep) == 0xFFFF) return d;
        return select(keep, d, over_four(s, d));
    });
}

// The image's pixel over the source's, the image keeping its pixel only
// where both are clear (result alpha 0).
void under_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_fours(dst, src, n, [](__m128i d, __m128i s) { return select(clear(_mm_or_si128(d, s)), d, over_four(d, s)); });
}

// Over's colours, the image's alphas.
void bump_rows(unsigned char *dst, const unsigned char *src, size_t n) {
    by_fours(dst, src, n, [](__m128i d, __m128i s) { return select(clear(s), d, with_alpha_of(over_four(s, d), d)); });
}

}  // namespace

const RgbaComposeTwins kRgbaComposeTwins = {
    over_rows, under_rows, bump_rows,
    keep_alpha_rows<plus>, keep_alpha_rows<minus>, keep_alpha_rows<add>,
    keep_alpha_rows<subtract>, keep_alpha_rows<difference>, keep_alpha_rows<mix>,
};

}  // namespace tav

#else

namespace tav {
const RgbaComposeTwins kRgbaComposeTwins = {};
}  // namespace tav

#endif
