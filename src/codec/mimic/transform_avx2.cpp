// AVX2 twin of the decoder's inverse transform and block store: the eight
// rows (then the eight columns) of a block as the lanes of 32-bit vectors,
// with the very products, sums and shifts of the portable transform.
#include <immintrin.h>

#include "codec/mimic/mimic_internal_p.h"

namespace tav::mimic {
namespace {

using V = __m256i;

inline V add(V a, V b) { return _mm256_add_epi32(a, b); }
inline V sub(V a, V b) { return _mm256_sub_epi32(a, b); }
inline V mul(V a, int k) { return _mm256_mullo_epi32(a, _mm256_set1_epi32(k)); }
inline V shr(V a, int n) { return _mm256_srai_epi32(a, n); }

void transpose8(V r[8]) {
    V t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        u[4 * i] = _mm256_unpacklo_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm256_unpackhi_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm256_unpacklo_epi64(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm256_unpackhi_epi64(t[4 * i + 1], t[4 * i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

// The row pass, p[k] holding sample k of eight rows.
void rows_pass(V p[8]) {
    V e = add(mul(p[0], 2048), mul(p[4], 2048));
    V g = add(mul(p[2], 4 * 392), mul(add(p[2], p[6]), 4 * 277));
    const V round = _mm256_set1_epi32(512);
    const V w1 = add(add(e, g), round), w2 = add(sub(e, g), round);
    e = sub(mul(p[0], 2048), mul(p[4], 2048));
    g = sub(mul(add(p[2], p[6]), 4 * 277), mul(p[6], 4 * 946));
    const V w3 = add(add(e, g), round), w4 = add(sub(e, g), round);
    e = add(add(mul(p[1], 512), mul(p[3], 724)), mul(p[7], 512));
    g = sub(add(mul(p[1], 512), mul(p[5], 724)), mul(p[7], 512));
    const V w5 = shr(sub(mul(add(e, g), 213), mul(g, 71)), 6), w6 = shr(sub(mul(add(e, g), 213), mul(e, 355)), 6);
    e = add(sub(mul(p[1], 512), mul(p[3], 724)), mul(p[7], 512));
    g = sub(sub(mul(p[1], 512), mul(p[5], 724)), mul(p[7], 512));
    const V w7 = shr(sub(mul(add(e, g), 251), mul(e, 201)), 6), w8 = shr(sub(mul(add(e, g), 251), mul(g, 301)), 6);
    p[0] = shr(add(w1, w5), 10), p[1] = shr(add(w3, w7), 10), p[2] = shr(add(w4, w8), 10), p[3] = shr(add(w2, w6), 10);
    p[4] = shr(sub(w2, w6), 10), p[5] = shr(sub(w4, w8), 10), p[6] = shr(sub(w3, w7), 10), p[7] = shr(sub(w1, w5), 10);
}

// The column pass, p[k] holding row k of eight columns.
void columns_pass(V p[8]) {
    V e = add(mul(p[0], 512), mul(p[4], 512));
    V g = add(mul(add(p[2], p[6]), 277), mul(p[2], 392));
    const V round = _mm256_set1_epi32(1024);
    const V w1 = add(add(e, g), round), w2 = add(sub(e, g), round);
    e = sub(mul(p[0], 512), mul(p[4], 512));
    g = sub(mul(add(p[2], p[6]), 277), mul(p[6], 946));
    const V w3 = add(add(e, g), round), w4 = add(sub(e, g), round);
    e = shr(add(add(mul(p[1], 128), mul(p[3], 181)), mul(p[7], 128)), 6);
    g = shr(sub(add(mul(p[1], 128), mul(p[5], 181)), mul(p[7], 128)), 6);
    const V w5 = sub(mul(add(e, g), 213), mul(g, 71)), w6 = sub(mul(add(e, g), 213), mul(e, 355));
    e = shr(add(sub(mul(p[1], 128), mul(p[3], 181)), mul(p[7], 128)), 6);
    g = shr(sub(sub(mul(p[1], 128), mul(p[5], 181)), mul(p[7], 128)), 6);
    const V w7 = sub(mul(add(e, g), 251), mul(e, 201)), w8 = sub(mul(add(e, g), 251), mul(g, 301));
    p[0] = shr(add(w1, w5), 11), p[1] = shr(add(w3, w7), 11), p[2] = shr(add(w4, w8), 11), p[3] = shr(add(w2, w6), 11);
    p[4] = shr(sub(w2, w6), 11), p[5] = shr(sub(w4, w8), 11), p[6] = shr(sub(w3, w7), 11), p[7] = shr(sub(w1, w5), 11);
}

}  // namespace

void inverse_dct_store_avx2(const int D[64], uint8_t *out, int stride, int rows) {
    V p[8];
    for (int r = 0; r < 8; ++r) p[r] = _mm256_loadu_si256(reinterpret_cast<const V *>(D + 8 * r));
    transpose8(p);
    rows_pass(p);
    transpose8(p);
    columns_pass(p);
    for (int r = 0; r < rows; ++r) {
        // Saturating packs are the clamp to 0 ... 255.
        const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(p[r]), _mm256_extracti128_si256(p[r], 1));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + static_cast<ptrdiff_t>(r) * stride), _mm_packus_epi16(words, words));
    }
}

}  // namespace tav::mimic
