// AVX2 twin of the convolution's tap: one weight times a run of source
// bytes, added to 32-bit sums, eight at a time.
#include <immintrin.h>

#include "geometry/filter_p.h"

namespace tav {

void add_tap_run_avx2(int *acc, const unsigned char *in, int n, int w) {
    const __m256i weight = _mm256_set1_epi32(w);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i pixels = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + i)));
        __m256i *sums = reinterpret_cast<__m256i *>(acc + i);
        _mm256_storeu_si256(sums, _mm256_add_epi32(_mm256_loadu_si256(sums), _mm256_mullo_epi32(pixels, weight)));
    }
    for (; i < n; ++i) acc[i] += w * in[i];
}

}  // namespace tav
