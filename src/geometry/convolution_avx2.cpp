// AVX2 twins of the convolution's taps: one weight, or all of a kernel
// row's, times runs of source elements (bytes, or 16-bit sums of two rows),
// added to 32-bit sums.
#include <immintrin.h>

#include "geometry/filter_p.h"

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

template <typename In>
void all_taps(int *acc, const In *in, int n, const RowTaps &taps) {
    int i = 0;
    // Two independent sums of eight, so the multiplications overlap.
    for (; i + 16 <= n; i += 16) {
        __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
        for (int t = 0; t < taps.pairs; ++t) {
            const In *p = in + i + taps.pair_offsets[2 * t], *q = in + i + taps.pair_offsets[2 * t + 1];
            const __m256i weight = _mm256_set1_epi32(taps.pair_weights[t]);
            low = _mm256_add_epi32(low, _mm256_mullo_epi32(_mm256_add_epi32(load8(p), load8(q)), weight));
            high = _mm256_add_epi32(high, _mm256_mullo_epi32(_mm256_add_epi32(load8(p + 8), load8(q + 8)), weight));
        }
        for (int t = 0; t < taps.singles; ++t) {
            const In *p = in + i + taps.offsets[t];
            const __m256i weight = _mm256_set1_epi32(taps.weights[t]);
            low = _mm256_add_epi32(low, _mm256_mullo_epi32(load8(p), weight));
            high = _mm256_add_epi32(high, _mm256_mullo_epi32(load8(p + 8), weight));
        }
        __m256i *sums = reinterpret_cast<__m256i *>(acc + i);
        _mm256_storeu_si256(sums, _mm256_add_epi32(_mm256_loadu_si256(sums), low));
        _mm256_storeu_si256(sums + 1, _mm256_add_epi32(_mm256_loadu_si256(sums + 1), high));
    }
    for (; i < n; ++i) {
        int sum = 0;
        for (int t = 0; t < taps.pairs; ++t)
            sum += taps.pair_weights[t] * (in[i + taps.pair_offsets[2 * t]] + in[i + taps.pair_offsets[2 * t + 1]]);
        for (int t = 0; t < taps.singles; ++t) sum += taps.weights[t] * in[i + taps.offsets[t]];
        acc[i] += sum;
    }
}

}  // namespace

void add_tap_run_avx2(int *acc, const unsigned char *in, int n, int w) { one_tap(acc, in, n, w); }
void add_tap_run_avx2(int *acc, const uint16_t *in, int n, int w) { one_tap(acc, in, n, w); }

void add_taps_run_avx2(int *acc, const unsigned char *in, int n, const RowTaps &taps) { all_taps(acc, in, n, taps); }
void add_taps_run_avx2(int *acc, const uint16_t *in, int n, const RowTaps &taps) { all_taps(acc, in, n, taps); }

}  // namespace tav
