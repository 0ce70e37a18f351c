// The codec's own integer transforms and its quantiser.  Both transforms are
// approximations whose every shift and rounding is part of the format: the
// encoder's output and the decoder's pixels depend on them bit for bit.
// Left shifts of values that may be negative are written as products.
#include <algorithm>

#include "codec/mimic/mimic_internal_p.h"
#include "core/cpu_p.h"

namespace tav::mimic {

namespace {

// The butterflies shared by both passes of the forward transform.
struct ForwardTerms {
    int a1, a2, a3, a4, c1, c2, c3, c4;
    explicit ForwardTerms(const int p[8]) {
        a1 = p[0] + p[7], a2 = p[1] + p[6], a3 = p[2] + p[5], a4 = p[3] + p[4];
        int b1 = p[0] - p[7], b2 = p[1] - p[6], b3 = p[2] - p[5], b4 = p[3] - p[4];
        c1 = 851 * (b1 + b4) - 282 * b1;
        c2 = 1004 * (b2 + b3) - 804 * b2;
        c3 = 1004 * (b2 + b3) - 1204 * b3;
        c4 = 851 * (b1 + b4) - 1420 * b4;
    }
};

}  // namespace

void forward_dct(const uint8_t *samples, int stride, int rows, int F[64]) {
    if (cpu_has_avx2()) return forward_dct_avx2(samples, stride, rows, F);
    // Row pass: only the first six outputs of each row are ever used.
    int T[8][6];
    for (int v = 0; v < 8; ++v) {
        const uint8_t *s = samples + static_cast<ptrdiff_t>(std::min(v, rows - 1)) * stride;
        int p[8] = {s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7]};
        ForwardTerms t(p);
        T[v][0] = t.a1 + t.a2 + t.a3 + t.a4;
        T[v][1] = (t.c1 + t.c2 + t.c3 + t.c4) >> 10;
        T[v][2] = (1337 * (t.a1 - t.a4) + 554 * (t.a2 - t.a3)) >> 10;
        T[v][3] = (181 * (t.c4 - t.c2)) >> 17;
        T[v][4] = t.a1 - t.a2 - t.a3 + t.a4;
        T[v][5] = (181 * (t.c1 - t.c3)) >> 17;
    }
    // Column pass, for u + v <= 6 only.
    std::fill(F, F + 64, 0);
    for (int u = 0; u < 6; ++u) {
        int p[8];
        for (int v = 0; v < 8; ++v) p[v] = T[v][u];
        ForwardTerms t(p);
        int c5 = 554 * (t.a1 + t.a2 - t.a3 - t.a4);
        int out[7] = {
            (t.a1 + t.a2 + t.a3 + t.a4 + 16) >> 5,
            (t.c1 + t.c2 + t.c3 + t.c4 + 16384) >> 15,
            (783 * (t.a1 - t.a4) + c5 + 16384) >> 15,
            (181 * ((t.c4 - t.c2) >> 8) + 8192) >> 14,
            (t.a1 - t.a2 - t.a3 + t.a4 + 16) >> 5,
            (181 * ((t.c1 - t.c3) >> 8) + 8192) >> 14,
            (c5 - 1891 * (t.a2 - t.a3) + 16384) >> 15,
        };
        for (int v = 0; v <= 6 - u; ++v) F[8 * v + u] = out[v];
    }
}

namespace {

// The raster positions the encoder's quantiser scales: scan positions 3 up
// to the encoder's count, less (u = 6, v = 0), which is never computed.
struct ScaledPositions {
    int32_t mask[64] = {};
    ScaledPositions() {
        for (int n = 3; n < kEncoderCoefficients; ++n)
            if (kScan[n] != 6) mask[kScan[n]] = -1;
    }
};

}  // namespace

void quantise(const int F[64], bool chroma, int quality, int num_coeffs, int Q[64]) {
    double s = quality_step(quality);
    if (s > 10)
        s = 10;
    else if (chroma && s < 1)
        s = 1;
    else if (s < 2)
        s = 2;
    const double inverse = 1.0 / s;
    const bool twin = num_coeffs == kEncoderCoefficients && cpu_has_avx2();
    if (twin) {
        static const ScaledPositions scaled;
        quantise_scaled_avx2(F, inverse, scaled.mask, Q);
    } else {
        std::fill(Q, Q + 64, 0);
    }
    Q[0] = F[0] / 2;
    // Scan positions 1 and 2 do not depend on the quality; division, not a
    // shift: they round toward zero.
    Q[8] = std::clamp(F[8] / 4, -120, 120);
    Q[1] = std::clamp(F[1] / 4, -120, 120);
    if (twin) return;
    for (int n = 3; n < num_coeffs; ++n) {
        int i = kScan[n];
        if (i == 6) continue;  // (u = 6, v = 0) is never computed: always sent as 0
        const double x = F[i] * inverse;
        int t = static_cast<int>(x);
        // Fractions of 0.6 and more round away from zero; written without
        // a branch, which the signs and sizes of real pictures mispredict.
        const double r = x - t;
        t += static_cast<int>(r >= 0.6) - static_cast<int>(r <= -0.6);
        Q[i] = std::clamp(t, -120, 120);
    }
}

double dequantise_step(bool chroma, int quality) {
    double f = quality_step(quality);
    if (f > 10) f = 10;
    if (!chroma && f < 2) f = 2;
    if (chroma && f < 1) f = 1;
    return f;
}

void dequantise(int D[64], bool chroma, int quality) {
    const double f = dequantise_step(chroma, quality);
    for (int i = 0; i < 64; ++i)
        if (D[i]) D[i] = dequantise_one(i, D[i], f);
}

void inverse_dct(int D[64]) {
    for (int r = 0; r < 8; ++r) {
        int *p = D + 8 * r;
        int e = p[0] * 2048 + p[4] * 2048;
        int g = 4 * p[2] * 392 + (4 * p[2] + 4 * p[6]) * 277;
        int w1 = e + g + 512, w2 = e - g + 512;
        e = p[0] * 2048 - p[4] * 2048;
        g = (4 * p[2] + 4 * p[6]) * 277 - 4 * p[6] * 946;
        int w3 = e + g + 512, w4 = e - g + 512;
        e = p[1] * 512 + 724 * p[3] + p[7] * 512;
        g = p[1] * 512 + 724 * p[5] - p[7] * 512;
        int w5 = (213 * (e + g) - 71 * g) >> 6, w6 = (213 * (e + g) - 355 * e) >> 6;
        e = p[1] * 512 - 724 * p[3] + p[7] * 512;
        g = p[1] * 512 - 724 * p[5] - p[7] * 512;
        int w7 = (251 * (e + g) - 201 * e) >> 6, w8 = (251 * (e + g) - 301 * g) >> 6;
        p[0] = (w1 + w5) >> 10, p[1] = (w3 + w7) >> 10, p[2] = (w4 + w8) >> 10, p[3] = (w2 + w6) >> 10;
        p[4] = (w2 - w6) >> 10, p[5] = (w4 - w8) >> 10, p[6] = (w3 - w7) >> 10, p[7] = (w1 - w5) >> 10;
    }
    for (int c = 0; c < 8; ++c) {
        int p[8];
        for (int r = 0; r < 8; ++r) p[r] = D[8 * r + c];
        int e = p[0] * 512 + p[4] * 512;
        int g = (p[2] + p[6]) * 277 + 392 * p[2];
        int w1 = e + g + 1024, w2 = e - g + 1024;
        e = p[0] * 512 - p[4] * 512;
        g = (p[2] + p[6]) * 277 - 946 * p[6];
        int w3 = e + g + 1024, w4 = e - g + 1024;
        e = (p[1] * 128 + 181 * p[3] + p[7] * 128) >> 6;
        g = (p[1] * 128 + 181 * p[5] - p[7] * 128) >> 6;
        int w5 = 213 * (e + g) - 71 * g, w6 = 213 * (e + g) - 355 * e;
        e = (p[1] * 128 - 181 * p[3] + p[7] * 128) >> 6;
        g = (p[1] * 128 - 181 * p[5] - p[7] * 128) >> 6;
        int w7 = 251 * (e + g) - 201 * e, w8 = 251 * (e + g) - 301 * g;
        int out[8] = {(w1 + w5) >> 11, (w3 + w7) >> 11, (w4 + w8) >> 11, (w2 + w6) >> 11,
                      (w2 - w6) >> 11, (w4 - w8) >> 11, (w3 - w7) >> 11, (w1 - w5) >> 11};
        for (int r = 0; r < 8; ++r) D[8 * r + c] = out[r];
    }
}

void store_block(const int D[64], uint8_t *out, int stride, int rows) {
    // Both luma and chroma are clamped: storing chroma overshoot unclamped
    // would wrap a saturated colour round to its opposite.
    for (int r = 0; r < rows; ++r) {
        uint8_t *o = out + static_cast<ptrdiff_t>(r) * stride;
        for (int c = 0; c < 8; ++c) o[c] = static_cast<uint8_t>(std::clamp(D[8 * r + c], 0, 255));
    }
}

void inverse_dct_store(int D[64], uint8_t *out, int stride, int rows) {
    if (cpu_has_avx2()) return inverse_dct_store_avx2(D, out, stride, rows);
    inverse_dct(D);
    store_block(D, out, stride, rows);
}

}  // namespace tav::mimic
