// AVX2 twins of the commonest layout conversions of rows.cpp: packed RGB
// (and BGR) to RGBA and back, and grey to RGBA, eight pixels a step through byte
// shuffles within each 128-bit lane.  Loads and stores never reach past
// either row: the wide steps stop where a full register would, and the
// last pixels go through the plain loop.  Compiled with -mavx2 and called
// only when the processor has it.
#include "core/rows_p.h"

#include <immintrin.h>

namespace tav {

namespace {

// Packed three-byte pixels to four, each lane taking 16 bytes of which the
// first 12 are four pixels; `swap` reverses the three channels (BGR).
template <bool swap>
void three_to_four(const unsigned char *in, unsigned char *rgba, size_t n, unsigned char alpha) {
    const __m256i spread = swap ? _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1,
                                                   2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                                : _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,
                                                   0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i alphas = _mm256_set1_epi32(static_cast<int>(static_cast<unsigned>(alpha) << 24));
    size_t i = 0;
    for (; 3 * i + 28 <= 3 * n; i += 8) {  // the second load ends 28 bytes past pixel i
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 3 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 3 * i + 12));
        const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(rgba + 4 * i),
                            _mm256_or_si256(_mm256_shuffle_epi8(v, spread), alphas));
    }
    for (; i < n; ++i) {
        rgba[4 * i] = in[3 * i + (swap ? 2 : 0)], rgba[4 * i + 1] = in[3 * i + 1];
        rgba[4 * i + 2] = in[3 * i + (swap ? 0 : 2)], rgba[4 * i + 3] = alpha;
    }
}

// Four-byte pixels to three: each lane packs its four pixels into 12
// bytes; the two twelves are then moved together and stored as 32 bytes,
// the last 8 of which the next step overwrites.
template <bool swap>
void four_to_three(const unsigned char *rgba, unsigned char *out, size_t n) {
    const __m256i pack = swap ? _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                                                 2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1)
                              : _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                                 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    size_t i = 0;
    for (; 3 * i + 32 <= 3 * n; i += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(rgba + 4 * i));
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, pack), join);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 3 * i), packed);
    }
    for (; i < n; ++i) {
        out[3 * i] = rgba[4 * i + (swap ? 2 : 0)], out[3 * i + 1] = rgba[4 * i + 1];
        out[3 * i + 2] = rgba[4 * i + (swap ? 0 : 2)];
    }
}

}  // namespace

void rgb_to_rgba_avx2(const unsigned char *rgb, unsigned char *rgba, size_t n, unsigned char alpha) {
    three_to_four<false>(rgb, rgba, n, alpha);
}
void bgr_to_rgba_avx2(const unsigned char *bgr, unsigned char *rgba, size_t n, unsigned char alpha) {
    three_to_four<true>(bgr, rgba, n, alpha);
}

void gray_to_rgba_avx2(const unsigned char *gray, unsigned char *rgba, size_t n, unsigned char alpha) {
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1,
                                            0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1);
    const __m256i alphas = _mm256_set1_epi32(static_cast<int>(static_cast<unsigned>(alpha) << 24));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        // Grey bytes 0..3 in the low lane, 4..7 in the high one.
        const __m128i g = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(gray + i));
        const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(g), _mm_srli_si128(g, 4), 1);
        const __m256i lanes = _mm256_shuffle_epi8(v, spread);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(rgba + 4 * i), _mm256_or_si256(lanes, alphas));
    }
    for (; i < n; ++i) {
        rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = gray[i];
        rgba[4 * i + 3] = alpha;
    }
}

void rgba_to_rgb_avx2(const unsigned char *rgba, unsigned char *rgb, size_t n) { four_to_three<false>(rgba, rgb, n); }
void rgba_to_bgr_avx2(const unsigned char *rgba, unsigned char *bgr, size_t n) { four_to_three<true>(rgba, bgr, n); }

}  // namespace tav
