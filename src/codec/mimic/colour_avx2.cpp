// AVX2 twin of the row conversion from planes to R,G,B: 16 pixels at a
// time, the clamp done by saturating packs, the bytes interleaved by
// shuffles.
#include <immintrin.h>

#include <array>

#include "codec/mimic/mimic_internal_p.h"

namespace tav::mimic {
namespace {

// Shuffle k of output vector v takes channel k's bytes to their places in
// bytes 16 v ... 16 v + 15 of the interleaved row (0x80: none).
constexpr std::array<std::array<std::array<uint8_t, 16>, 3>, 3> kInterleave = [] {
    std::array<std::array<std::array<uint8_t, 16>, 3>, 3> m{};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k)
            for (int q = 0; q < 16; ++q) {
                const int at = 16 * v + q;
                m[v][k][q] = static_cast<uint8_t>(at % 3 == k ? at / 3 : 0x80);
            }
    return m;
}();

inline __m128i load8(const uint8_t *p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)); }

// One channel of 16 pixels: luma plus the term of each pixel's chroma sample.
inline __m128i channel(__m128i luma_lo, __m128i luma_hi, const int16_t *terms) {
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i *>(terms));
    return _mm_packus_epi16(_mm_add_epi16(luma_lo, _mm_unpacklo_epi16(t, t)),
                            _mm_add_epi16(luma_hi, _mm_unpackhi_epi16(t, t)));
}

inline __m128i mask(int v, int k) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(kInterleave[v][k].data())); }

}  // namespace

void chroma_terms_avx2(const uint8_t *c1, const uint8_t *c2, int chroma_width, ChromaTerms &t) {
    const __m256i bias = _mm256_set1_epi32(128);
    auto widen = [&bias](const uint8_t *p) { return _mm256_sub_epi32(_mm256_cvtepu8_epi32(load8(p)), bias); };
    auto times = [](__m256i v, int k) { return _mm256_mullo_epi32(v, _mm256_set1_epi32(k)); };
    // 16 terms from two vectors of 8, back in order after the in-lane pack.
    auto store = [](int16_t *out, __m256i lo, __m256i hi) {
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(lo, hi), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), packed);
    };
    for (int x = 0; x < chroma_width; x += 16) {
        const __m256i u0 = widen(c1 + x), u1 = widen(c1 + x + 8), v0 = widen(c2 + x), v1 = widen(c2 + x + 8);
        store(t.add[0] + x, _mm256_srai_epi32(times(u0, 133169), 16), _mm256_srai_epi32(times(u1, 133169), 16));
        store(t.add[1] + x, _mm256_srai_epi32(_mm256_add_epi32(times(u0, -25821), times(v0, -38076)), 16),
              _mm256_srai_epi32(_mm256_add_epi32(times(u1, -25821), times(v1, -38076)), 16));
        store(t.add[2] + x, _mm256_srai_epi32(times(v0, 74711), 16), _mm256_srai_epi32(times(v1, 74711), 16));
    }
}

void rgb_row_avx2(const uint8_t *y, const ChromaTerms &t, int width, uint8_t *out) {
    __m128i masks[3][3];
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k) masks[v][k] = mask(v, k);
    for (int x = 0; x < width; x += 16, out += 48) {
        const __m128i lo = _mm_cvtepu8_epi16(load8(y + x)), hi = _mm_cvtepu8_epi16(load8(y + x + 8));
        const __m128i ch[3] = {channel(lo, hi, t.add[0] + x / 2), channel(lo, hi, t.add[1] + x / 2),
                               channel(lo, hi, t.add[2] + x / 2)};
        for (int v = 0; v < 3; ++v) {
            __m128i bytes = _mm_shuffle_epi8(ch[0], masks[v][0]);
            bytes = _mm_or_si128(bytes, _mm_shuffle_epi8(ch[1], masks[v][1]));
            bytes = _mm_or_si128(bytes, _mm_shuffle_epi8(ch[2], masks[v][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16 * v), bytes);
        }
    }
}

}  // namespace tav::mimic
