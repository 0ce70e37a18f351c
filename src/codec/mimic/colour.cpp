// Colour conversion between raw R,G,B frames (top-down) and the codec's
// planes (bottom-up).  The weights are keyed to byte positions: byte 0 gets
// the weight and chroma factor that the analogue YUV matrices give to blue,
// byte 2 those of red.  That is what other decoders of the format expect,
// so it is kept as it is.
#include <algorithm>

#include "codec/mimic/mimic_internal_p.h"
#include "core/cpu_p.h"

namespace tav::mimic {

void planes_row_pair(const uint8_t *s1, const uint8_t *s2, int width, uint8_t *y1, uint8_t *y2, uint8_t *c1,
                     uint8_t *c2) {
    for (int x = 0; x < width / 2; ++x) {
        const uint8_t *a = s1 + 6 * x, *b = a + 3, *c = s2 + 6 * x, *d = c + 3;
        int ea = 7471 * a[0] + 38470 * a[1] + 19595 * a[2];
        int eb = 7471 * b[0] + 38470 * b[1] + 19595 * b[2];
        int ec = 7471 * c[0] + 38470 * c[1] + 19595 * c[2];
        int ed = 7471 * d[0] + 38470 * d[1] + 19595 * d[2];
        y1[2 * x] = static_cast<uint8_t>(ea >> 16);
        y1[2 * x + 1] = static_cast<uint8_t>(eb >> 16);
        y2[2 * x] = static_cast<uint8_t>(ec >> 16);
        y2[2 * x + 1] = static_cast<uint8_t>(ed >> 16);
        int e = ea + eb + ec + ed;
        int v = ((a[2] + b[2] + c[2] + d[2]) * 65536 - e + 131071) >> 16;
        c2[x] = static_cast<uint8_t>(std::clamp(((v * 57475) >> 18) + 128, 0, 255));
        v = ((a[0] + b[0] + c[0] + d[0]) * 65536 - e + 131071) >> 16;
        // Provably within 17 ... 239: no clamp needed.
        c1[x] = static_cast<uint8_t>(((v * 32244) >> 18) + 128);
    }
}

void rgb_to_planes(const Geometry &g, const uint8_t *rgb, uint8_t *y, uint8_t *p1, uint8_t *p2) {
    const int W = g.width, H = g.height, row_bytes = 3 * W;
    auto pair = cpu_has_avx2() && W % 8 == 0 ? planes_row_pair_avx2 : planes_row_pair;
    for (int py = 0; py < H; py += 2) {
        // Plane rows py and py + 1 are raw rows H - 1 - py and H - 2 - py.
        const uint8_t *s1 = rgb + static_cast<ptrdiff_t>(H - 1 - py) * row_bytes;
        uint8_t *y1 = y + static_cast<ptrdiff_t>(py) * W;
        pair(s1, s1 - row_bytes, W, y1, y1 + W, p1 + static_cast<ptrdiff_t>(py / 2) * g.chroma_width,
             p2 + static_cast<ptrdiff_t>(py / 2) * g.chroma_width);
    }
}

namespace {

inline uint8_t clamp255(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

void chroma_terms(const uint8_t *c1, const uint8_t *c2, int chroma_width, ChromaTerms &t) {
    for (int x = 0; x < chroma_width; ++x) {
        int u = c1[x] - 128, v = c2[x] - 128;
        t.add[0][x] = static_cast<int16_t>((133169 * u) >> 16);
        t.add[1][x] = static_cast<int16_t>((-25821 * u - 38076 * v) >> 16);
        t.add[2][x] = static_cast<int16_t>((74711 * v) >> 16);
    }
}

void rgb_row(const uint8_t *y, const ChromaTerms &t, int width, uint8_t *out) {
    for (int x = 0; x < width; ++x) {
        const int l = y[x], c = x >> 1;
        out[3 * x] = clamp255(l + t.add[0][c]);
        out[3 * x + 1] = clamp255(l + t.add[1][c]);
        out[3 * x + 2] = clamp255(l + t.add[2][c]);
    }
}

void planes_to_rgb(const Geometry &g, const uint8_t *y, const uint8_t *p1, const uint8_t *p2, uint8_t *rgb) {
    const int W = g.width, H = g.height, CW = g.chroma_width;
    // Per chroma sample, what it adds to each byte: (y * 65536 + t) >> 16
    // is y + (t >> 16) exactly, since y * 65536 has no low bits.  (Flooring
    // and truncating differ only for negative sums, which clamp to 0 either
    // way.)  Two plane rows share one chroma row.
    const bool twin = cpu_has_avx2() && W % 16 == 0;
    auto terms_of = twin ? chroma_terms_avx2 : chroma_terms;
    auto row = twin ? rgb_row_avx2 : rgb_row;
    ChromaTerms terms;
    for (int i = 0; i < H; ++i) {
        if ((i & 1) == 0)
            terms_of(p1 + static_cast<ptrdiff_t>(i / 2) * CW, p2 + static_cast<ptrdiff_t>(i / 2) * CW, CW, terms);
        row(y + static_cast<ptrdiff_t>(i) * W, terms, W, rgb + static_cast<ptrdiff_t>(H - 1 - i) * 3 * W);
    }
}

}  // namespace tav::mimic
