// AVX2 twin of the row conversion from planes to R,G,B: 16 pixels at a
// time, the clamp done by saturating packs, the bytes interleaved by
// shuffles.
#include <immintrin.h>

#include <array>
#include <cstring>

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

// Shuffles gathering channel k of 8 pixels (24 bytes) from their first 16
// bytes and from the last 8.
constexpr std::array<std::array<std::array<uint8_t, 16>, 2>, 3> kGather = [] {
    std::array<std::array<std::array<uint8_t, 16>, 2>, 3> m{};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 16; ++j) {
            const int at = 3 * j + k;
            m[k][0][j] = static_cast<uint8_t>(j < 8 && at < 16 ? at : 0x80);
            m[k][1][j] = static_cast<uint8_t>(j < 8 && at >= 16 ? at - 16 : 0x80);
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

namespace {

inline __m128i load16(const uint8_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }

// The luma weights of 8 pixels, each channel widened to 32 bits: e, and the
// first and third channels' values.
struct Weighed {
    __m256i e, first, third;
};
inline Weighed weigh(const uint8_t *p, const __m128i gather[3][2]) {
    const __m128i lo = load16(p), hi = load8(p + 16);
    __m256i ch[3];
    for (int k = 0; k < 3; ++k)
        ch[k] = _mm256_cvtepu8_epi32(_mm_or_si128(_mm_shuffle_epi8(lo, gather[k][0]), _mm_shuffle_epi8(hi, gather[k][1])));
    const __m256i e = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(ch[0], _mm256_set1_epi32(7471)),
                                                        _mm256_mullo_epi32(ch[1], _mm256_set1_epi32(38470))),
                                       _mm256_mullo_epi32(ch[2], _mm256_set1_epi32(19595)));
    return {e, ch[0], ch[2]};
}

// 8 values of 0 ... 255 as bytes.
inline void store8(uint8_t *out, __m256i v) {
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(words, words));
}

// Sums of neighbouring pairs of the 8 lanes of a and b added: 4 values.
inline __m128i pairs(__m256i a, __m256i b) {
    const __m256i s = _mm256_add_epi32(a, b);
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_hadd_epi32(s, s), 0x08));
}

}  // namespace

void planes_row_pair_avx2(const uint8_t *s1, const uint8_t *s2, int width, uint8_t *y1, uint8_t *y2, uint8_t *c1,
                          uint8_t *c2) {
    __m128i gather[3][2];
    for (int k = 0; k < 3; ++k)
        for (int h = 0; h < 2; ++h) gather[k][h] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(kGather[k][h].data()));
    const __m128i round = _mm_set1_epi32(131071), bias = _mm_set1_epi32(128);
    auto chroma = [&](__m128i sum, __m128i e, int factor) {
        const __m128i v = _mm_srai_epi32(_mm_add_epi32(_mm_sub_epi32(_mm_slli_epi32(sum, 16), e), round), 16);
        const __m128i c = _mm_add_epi32(_mm_srai_epi32(_mm_mullo_epi32(v, _mm_set1_epi32(factor)), 18), bias);
        const __m128i words = _mm_packs_epi32(c, c);
        return _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    };
    // The raw frame is read bottom-up, against the way the processor
    // fetches ahead on its own: ask for the next pair of rows.
    const ptrdiff_t ahead = -6 * static_cast<ptrdiff_t>(width);
    for (int x = 0; x < width; x += 8) {
        if (x % 16 == 0) {
            _mm_prefetch(reinterpret_cast<const char *>(s1 + 3 * x + ahead), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char *>(s2 + 3 * x + ahead), _MM_HINT_T0);
        }
        const Weighed a = weigh(s1 + 3 * x, gather), b = weigh(s2 + 3 * x, gather);
        store8(y1 + x, _mm256_srai_epi32(a.e, 16));
        store8(y2 + x, _mm256_srai_epi32(b.e, 16));
        const __m128i e = pairs(a.e, b.e);
        const int second = chroma(pairs(a.third, b.third), e, 57475), first = chroma(pairs(a.first, b.first), e, 32244);
        std::memcpy(c2 + x / 2, &second, 4);
        std::memcpy(c1 + x / 2, &first, 4);
    }
}

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
