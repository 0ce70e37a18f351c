// AVX2 twins of the convolution: one weight times a run of source elements,
// all of a kernel row's taps through 16-bit multiply-adds, and the division
// of a row's sums into bytes.
#include <immintrin.h>

#include <climits>

#include "geometry/convolution_lanes_p.h"

namespace tav {
namespace {

// Eight elements widened to 32 bits.
inline __m256i load8(const unsigned char *p) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)));
}
inline __m256i load8(const uint16_t *p) {
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

template <typename In>
void one_tap(int *acc, const In *in, int n, int w) {
    const __m256i weight = _mm256_set1_epi32(w);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i *sums = reinterpret_cast<__m256i *>(acc + i);
        _mm256_storeu_si256(sums, _mm256_add_epi32(_mm256_loadu_si256(sums), _mm256_mullo_epi32(load8(in + i), weight)));
    }
    for (; i < n; ++i) acc[i] += w * in[i];
}

struct Avx2Lanes {
    using V = __m256i;
    static constexpr int kLanes16 = 16;
    static V zero() { return _mm256_setzero_si256(); }
    static V load16(const unsigned char *p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
    }
    static V load16(const uint16_t *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
    static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V broadcast32(int v) { return _mm256_set1_epi32(v); }
    static V madd(V a, V b) { return _mm256_madd_epi16(a, b); }
    static V unpacklo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    // The unpacks work within each 128-bit half: lo holds elements 0-3
    // and 8-11, hi 4-7 and 12-15.
    static void add_sums(int *acc, V lo, V hi) {
        __m256i *sums = reinterpret_cast<__m256i *>(acc);
        const V first = _mm256_permute2x128_si256(lo, hi, 0x20), second = _mm256_permute2x128_si256(lo, hi, 0x31);
        _mm256_storeu_si256(sums, _mm256_add_epi32(_mm256_loadu_si256(sums), first));
        _mm256_storeu_si256(sums + 1, _mm256_add_epi32(_mm256_loadu_si256(sums + 1), second));
    }
};

// Eight sums of two pixels over their divisors d > 0 (each repeated for
// the pixel's four sums), limited to 0 ... 255.  The sum is first limited
// to 0 ... 256 d - 1, so the quotient is below 256 and a float estimate of
// it is off by less than one; one step on the remainder makes it exact.
inline __m256i divide_clamp8(__m256i v, __m256i d) {
    v = _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()),
                         _mm256_sub_epi32(_mm256_slli_epi32(d, 8), _mm256_set1_epi32(1)));
    __m256i q = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(v), _mm256_cvtepi32_ps(d)));
    const __m256i r = _mm256_sub_epi32(v, _mm256_mullo_epi32(q, d));
    q = _mm256_add_epi32(q, _mm256_cmpgt_epi32(_mm256_setzero_si256(), r));            // r < 0: one less
    return _mm256_sub_epi32(q, _mm256_cmpgt_epi32(r, _mm256_sub_epi32(d, _mm256_set1_epi32(1))));  // r >= d: one more
}

}  // namespace

void add_tap_run_avx2(int *acc, const unsigned char *in, int n, int w) { one_tap(acc, in, n, w); }
void add_tap_run_avx2(int *acc, const uint16_t *in, int n, int w) { one_tap(acc, in, n, w); }

void add_taps_run_avx2(int *acc, const unsigned char *in, int n, const RowTaps &taps) {
    lanes::taps_madd<Avx2Lanes>(acc, in, n, taps);
}
void add_taps_run_avx2(int *acc, const uint16_t *in, int n, const RowTaps &taps) {
    lanes::taps_madd<Avx2Lanes>(acc, in, n, taps);
}

void divide_row_avx2(const int *sums, const int *divisors, int divisor, unsigned char *out, int width) {
    // Each pixel's divisor is spread over its four sums.
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    auto divisors_of = [&](int x) {
        if (!divisors) return _mm256_set1_epi32(divisor);
        return _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(divisors + x))), spread);
    };
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m256i *s = reinterpret_cast<const __m256i *>(sums + 4 * x);
        const __m256i q0 = divide_clamp8(_mm256_loadu_si256(s), divisors_of(x));
        const __m256i q1 = divide_clamp8(_mm256_loadu_si256(s + 1), divisors_of(x + 2));
        // Packing works within halves: put the 16-bit results back in
        // order before the bytes are packed.
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(q0, q1), 0xd8);
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * x), _mm256_castsi256_si128(bytes));
    }
    for (; x < width; ++x) {
        const int d = divisors ? divisors[x] : divisor;
        for (int c = 0; c < 4; ++c) {
            const int v = sums[4 * x + c] / d;
            out[4 * x + c] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
}

}  // namespace tav
