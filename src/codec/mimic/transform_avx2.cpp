// AVX2 twins of the decoder's inverse transform and block store, and of the
// encoder's forward transform: the eight rows (then the eight columns) of a
// block as the lanes of 32-bit vectors, with the very products, sums and
// shifts of the portable transforms.
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

// The butterflies shared by both passes of the forward transform, lane by
// lane: p[k] is element k of each of eight rows (or columns).
struct ForwardTerms {
    V a1, a2, a3, a4, c1, c2, c3, c4;
    explicit ForwardTerms(const V p[8]) {
        a1 = add(p[0], p[7]), a2 = add(p[1], p[6]), a3 = add(p[2], p[5]), a4 = add(p[3], p[4]);
        const V b1 = sub(p[0], p[7]), b2 = sub(p[1], p[6]), b3 = sub(p[2], p[5]), b4 = sub(p[3], p[4]);
        const V m14 = mul(add(b1, b4), 851), m23 = mul(add(b2, b3), 1004);
        c1 = sub(m14, mul(b1, 282));
        c2 = sub(m23, mul(b2, 804));
        c3 = sub(m23, mul(b3, 1204));
        c4 = sub(m14, mul(b4, 1420));
    }
    V sum() const { return add(add(a1, a2), add(a3, a4)); }
    V alternating() const { return add(sub(sub(a1, a2), a3), a4); }
    V odd_sum() const { return add(add(c1, c2), add(c3, c4)); }
};

inline V k(int v) { return _mm256_set1_epi32(v); }

}  // namespace

void forward_dct_avx2(const uint8_t *samples, int stride, int rows, int F[64]) {
    V p[8];
    for (int v = 0; v < 8; ++v) {
        const uint8_t *s = samples + static_cast<ptrdiff_t>(v < rows ? v : rows - 1) * stride;
        p[v] = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(s)));
    }
    transpose8(p);  // p[k]: sample k of each row
    const ForwardTerms r(p);
    V t[8] = {r.sum(),
              shr(r.odd_sum(), 10),
              shr(add(mul(sub(r.a1, r.a4), 1337), mul(sub(r.a2, r.a3), 554)), 10),
              shr(mul(sub(r.c4, r.c2), 181), 17),
              r.alternating(),
              shr(mul(sub(r.c1, r.c3), 181), 17),
              _mm256_setzero_si256(),
              _mm256_setzero_si256()};
    transpose8(t);  // t[v]: row v's outputs, lane u
    const ForwardTerms c(t);
    const V c5 = mul(sub(add(c.a1, c.a2), add(c.a3, c.a4)), 554);
    const V out[7] = {
        shr(add(c.sum(), k(16)), 5),
        shr(add(c.odd_sum(), k(16384)), 15),
        shr(add(add(mul(sub(c.a1, c.a4), 783), c5), k(16384)), 15),
        shr(add(mul(shr(sub(c.c4, c.c2), 8), 181), k(8192)), 14),
        shr(add(c.alternating(), k(16)), 5),
        shr(add(mul(shr(sub(c.c1, c.c3), 8), 181), k(8192)), 14),
        shr(add(sub(c5, mul(sub(c.a2, c.a3), 1891)), k(16384)), 15),
    };
    // Only u + v <= 6 with u <= 5 is kept; the rest of F is 0.
    const V lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int v = 0; v < 8; ++v) {
        const int last = v == 0 ? 5 : 6 - v;  // the highest u kept in row v
        const V kept = v < 7 ? _mm256_and_si256(out[v], _mm256_cmpgt_epi32(k(last + 1), lane)) : _mm256_setzero_si256();
        _mm256_storeu_si256(reinterpret_cast<V *>(F + 8 * v), kept);
    }
}

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

void quantise_scaled_avx2(const int F[64], double inverse, const int32_t mask[64], int Q[64]) {
    // Four positions a step in doubles, as the portable loop computes:
    // x = F * inverse truncated to t; a fraction of 0.6 or more (either
    // way) moves t one away from zero; then the clamp to -120 ... 120.
    const __m256d scale = _mm256_set1_pd(inverse), one = _mm256_set1_pd(1.0);
    const __m256d up = _mm256_set1_pd(0.6), down = _mm256_set1_pd(-0.6);
    const __m256d lo = _mm256_set1_pd(-120.0), hi = _mm256_set1_pd(120.0);
    // Row 7 (v = 7) never holds a kept position.
    for (int i = 56; i < 64; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i *>(Q + i), _mm_setzero_si128());
    for (int i = 0; i < 56; i += 4) {
        const __m256d x = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i *>(F + i))), scale);
        const __m256d t = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(x));
        const __m256d r = _mm256_sub_pd(x, t);
        __m256d q = _mm256_add_pd(t, _mm256_and_pd(_mm256_cmp_pd(r, up, _CMP_GE_OQ), one));
        q = _mm256_sub_pd(q, _mm256_and_pd(_mm256_cmp_pd(r, down, _CMP_LE_OQ), one));
        const __m128i value = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(q, lo), hi));
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(mask + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(Q + i), _mm_and_si128(value, keep));
    }
}

}  // namespace tav::mimic
