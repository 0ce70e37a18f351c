// Row conversions between the caller's channel layouts and packed RGBA.
#include "core/rows_p.h"

#include "core/cpu_p.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace tav {

// The conversions with twins pick them here, once per row: short
// rows (a sprite, a glyph) are not worth the check.
constexpr size_t kTwinRow = 8;

void rgb_to_rgba(const unsigned char *rgb, unsigned char *rgba, size_t n, unsigned char alpha) {
    if (n >= kTwinRow && cpu_has_avx2()) return rgb_to_rgba_avx2(rgb, rgba, n, alpha);
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Four bytes in, the fourth replaced by alpha; the last pixel is
        // left to the byte loop so that no byte past the row is read.
        const uint32_t alpha_bits = static_cast<uint32_t>(alpha) << 24;
        for (; i + 1 < n; ++i, rgb += 3, rgba += 4) {
            uint32_t v;
            std::memcpy(&v, rgb, 4);
            v = (v & 0x00FFFFFFu) | alpha_bits;
            std::memcpy(rgba, &v, 4);
        }
    }
    for (; i < n; ++i, rgb += 3, rgba += 4) {
        rgba[0] = rgb[0];
        rgba[1] = rgb[1];
        rgba[2] = rgb[2];
        rgba[3] = alpha;
    }
}

void bgr_to_rgba(const unsigned char *bgr, unsigned char *rgba, size_t n, unsigned char alpha) {
    if (n >= kTwinRow && cpu_has_avx2()) return bgr_to_rgba_avx2(bgr, rgba, n, alpha);
    for (size_t i = 0; i < n; ++i, bgr += 3, rgba += 4) {
        rgba[0] = bgr[2];
        rgba[1] = bgr[1];
        rgba[2] = bgr[0];
        rgba[3] = alpha;
    }
}

void gray_to_rgba(const unsigned char *gray, unsigned char *rgba, size_t n, unsigned char alpha) {
    if (n >= kTwinRow && cpu_has_avx2()) return gray_to_rgba_avx2(gray, rgba, n, alpha);
    for (size_t i = 0; i < n; ++i, rgba += 4) {
        rgba[0] = rgba[1] = rgba[2] = gray[i];
        rgba[3] = alpha;
    }
}

void grayalpha_to_rgba(const unsigned char *ya, unsigned char *rgba, size_t n) {
    for (size_t i = 0; i < n; ++i, ya += 2, rgba += 4) {
        rgba[0] = rgba[1] = rgba[2] = ya[0];
        rgba[3] = ya[1];
    }
}

void index_to_rgba(const unsigned char *index, int step, unsigned char *rgba, size_t n, const PaletteLut &lut) {
    for (size_t i = 0; i < n; ++i, index += step, rgba += 4) std::memcpy(rgba, &lut[*index * 4], 4);
}

bool palette_to_rgba(const unsigned char *index, const unsigned char *rgb, int entries, unsigned char *rgba,
                     size_t n) {
    for (size_t i = 0; i < n; ++i, rgba += 4) {
        const int k = index[i];
        if (k >= entries) return false;
        std::memcpy(rgba, rgb + 3 * k, 3);
        rgba[3] = 255;
    }
    return true;
}

bool lut16_to_rgba(const uint16_t *index, const unsigned char *lut, int entries, unsigned char *rgba, size_t n) {
    for (size_t i = 0; i < n; ++i, rgba += 4) {
        if (index[i] >= entries) return false;
        std::memcpy(rgba, lut + 4 * index[i], 4);
    }
    return true;
}

#if defined(__SSE2__)
// Sixteen pixels a step: red and green bytes interleaved, blue and alpha,
// then the two pairs.  Returns how many pixels it did.
size_t planes_to_rgba_sse2(const unsigned char *r, const unsigned char *g, const unsigned char *b,
                           const unsigned char *a, unsigned char *rgba, size_t n) {
    auto load = [](const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(255));
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i vr = load(r + i), vg = load(g + i), vb = load(b + i), va = a ? load(a + i) : opaque;
        const __m128i rg_lo = _mm_unpacklo_epi8(vr, vg), rg_hi = _mm_unpackhi_epi8(vr, vg);
        const __m128i ba_lo = _mm_unpacklo_epi8(vb, va), ba_hi = _mm_unpackhi_epi8(vb, va);
        __m128i *o = reinterpret_cast<__m128i *>(rgba + 4 * i);
        _mm_storeu_si128(o, _mm_unpacklo_epi16(rg_lo, ba_lo));
        _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(rg_lo, ba_lo));
        _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(rg_hi, ba_hi));
        _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(rg_hi, ba_hi));
    }
    return i;
}
#endif

void planes_to_rgba(const unsigned char *const plane[4], unsigned char *out, size_t n) {
    // The planes never overlap the row: saying so lets the loops vectorise.
    const unsigned char *__restrict r = plane[0], *__restrict g = plane[1], *__restrict b = plane[2],
                                    *__restrict a = plane[3];
    unsigned char *__restrict rgba = out;
    size_t i = 0;
#if defined(__SSE2__)
    if (vector_twins_on()) {
        i = planes_to_rgba_sse2(r, g, b, a, rgba, n);
        rgba += 4 * i;
    }
#endif
    for (; i < n; ++i, rgba += 4) {
        rgba[0] = r[i];
        rgba[1] = g[i];
        rgba[2] = b[i];
        rgba[3] = a ? a[i] : 255;
    }
}

void unpack_bits(const unsigned char *packed, int bits, unsigned char *index, size_t n) {
    if (bits == 8) {
        std::memcpy(index, packed, n);
        return;
    }
    const int per_byte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    size_t i = 0;
    // Whole bytes first, then the pixels of a last partial byte.
    for (; i + per_byte <= n; i += per_byte, ++packed)
        for (int k = 0; k < per_byte; ++k) index[i + k] = static_cast<unsigned char>((*packed >> (8 - bits * (k + 1))) & mask);
    for (int k = 0; i < n; ++i, ++k) index[i] = static_cast<unsigned char>((*packed >> (8 - bits * (k + 1))) & mask);
}

// One word a pixel: the compiler turns this into wide stores, and a short
// run (the rows of a small shape) pays no call per copy.
void solid_rgba(unsigned char *rgba, size_t n, const unsigned char color[4]) {
    uint32_t word;
    std::memcpy(&word, color, 4);
    for (size_t i = 0; i < n; ++i) std::memcpy(rgba + 4 * i, &word, 4);
}

void alternate_rgb(unsigned char *rgb, size_t n, const unsigned char first[3],
                   const unsigned char second[3]) {
    if (n == 0) return;
    std::memcpy(rgb, first, 3);
    if (n == 1) return;
    std::memcpy(rgb + 3, second, 3);
    // The pair repeats every six bytes: doubling what is written keeps that.
    const size_t total = n * 3;
    for (size_t done = 6; done < total; done *= 2) std::memcpy(rgb + done, rgb, std::min(done, total - done));
}

void gray_to_rgb(const unsigned char *gray, unsigned char *rgb, size_t n) {
    for (size_t i = 0; i < n; ++i, rgb += 3) rgb[0] = rgb[1] = rgb[2] = gray[i];
}

void rgb565_to_rgb(const unsigned char *words, unsigned char *rgb, size_t n) {
    for (size_t k = 0; k < n; ++k, words += 2, rgb += 3) {
        const unsigned v = words[0] * 256u + words[1];
        rgb[0] = static_cast<unsigned char>((v & 31) * 255 / 31);
        rgb[1] = static_cast<unsigned char>(((v >> 5) & 63) * 255 / 63);
        rgb[2] = static_cast<unsigned char>((v >> 11) * 255 / 31);
    }
}

void rgba_to_rgb(const unsigned char *rgba, unsigned char *rgb, size_t n) {
    if (n >= kTwinRow && cpu_has_avx2()) return rgba_to_rgb_avx2(rgba, rgb, n);
    for (size_t i = 0; i < n; ++i, rgba += 4, rgb += 3) {
        rgb[0] = rgba[0];
        rgb[1] = rgba[1];
        rgb[2] = rgba[2];
    }
}

void rgba_to_bgr(const unsigned char *rgba, unsigned char *bgr, size_t n) {
    if (n >= kTwinRow && cpu_has_avx2()) return rgba_to_bgr_avx2(rgba, bgr, n);
    for (size_t i = 0; i < n; ++i, rgba += 4, bgr += 3) {
        bgr[0] = rgba[2];
        bgr[1] = rgba[1];
        bgr[2] = rgba[0];
    }
}

void rgba_to_bgra(const unsigned char *rgba, unsigned char *bgra, size_t n) {
    for (size_t i = 0; i < n; ++i, rgba += 4, bgra += 4) {
        bgra[0] = rgba[2];
        bgra[1] = rgba[1];
        bgra[2] = rgba[0];
        bgra[3] = rgba[3];
    }
}

void rgba_to_abgr(const unsigned char *rgba, unsigned char *abgr, size_t n) {
    for (size_t i = 0; i < n; ++i, rgba += 4, abgr += 4) {
        abgr[0] = rgba[3];
        abgr[1] = rgba[2];
        abgr[2] = rgba[1];
        abgr[3] = rgba[0];
    }
}

#if defined(__SSE2__)
// One channel of sixteen packed pixels a step: shifted down in each 32-bit
// pixel, masked, and packed to bytes.  Returns how many pixels it did.
size_t rgba_channel_sse2(const unsigned char *rgba, int channel, unsigned char *dst, size_t n) {
    const __m128i low = _mm_set1_epi32(0xff), shift = _mm_cvtsi32_si128(8 * channel);
    auto take = [&](const unsigned char *p) {
        return _mm_and_si128(_mm_srl_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), shift), low);
    };
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const unsigned char *p = rgba + 4 * i;
        const __m128i words = _mm_packs_epi32(take(p), take(p + 16)), more = _mm_packs_epi32(take(p + 32), take(p + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_packus_epi16(words, more));
    }
    return i;
}
#endif

void rgba_channel(const unsigned char *rgba, int channel, unsigned char *dst, int step, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    if (step == 1 && vector_twins_on()) i = rgba_channel_sse2(rgba, channel, dst, n);
#endif
    const unsigned char *src = rgba + channel + 4 * i;
    for (dst += i * static_cast<size_t>(step); i < n; ++i, src += 4, dst += step) *dst = *src;
}

namespace {

// ---- source rows -----------------------------------------------------------

void copy_packed(const ChannelRow &s, unsigned char *rgba, size_t n) { std::memcpy(rgba, s.p[0], n * 4); }
void from_solid(const ChannelRow &s, unsigned char *rgba, size_t n) {
    const unsigned char color[4] = {*s.p[0], *s.p[1], *s.p[2], *s.p[3]};
    solid_rgba(rgba, n, color);
}
void from_rgb(const ChannelRow &s, unsigned char *rgba, size_t n) { rgb_to_rgba(s.p[0], rgba, n, *s.p[3]); }
void from_bgr(const ChannelRow &s, unsigned char *rgba, size_t n) { bgr_to_rgba(s.p[2], rgba, n, *s.p[3]); }
void from_gray(const ChannelRow &s, unsigned char *rgba, size_t n) { gray_to_rgba(s.p[0], rgba, n, *s.p[3]); }
void from_planes(const ChannelRow &s, unsigned char *rgba, size_t n) {
    for (int ch = 0; ch < 4; ++ch) {
        const unsigned char *src = s.p[ch];
        const int step = s.stride[ch];
        unsigned char *out = rgba + ch;
        if (step == 0) {
            const unsigned char v = *src;
            for (size_t i = 0; i < n; ++i, out += 4) *out = v;
        } else {
            for (size_t i = 0; i < n; ++i, src += step, out += 4) *out = *src;
        }
    }
}

bool strides_are(const int stride[4], int rgb, int a) {
    return stride[0] == rgb && stride[1] == rgb && stride[2] == rgb && stride[3] == a;
}

// ---- destination rows ------------------------------------------------------

template <void (*Convert)(const unsigned char *, unsigned char *, size_t), int Base>
void to_packed(const unsigned char *rgba, unsigned char *dst[4], const int step[4], size_t n) {
    Convert(rgba, dst[Base], n);
    for (int ch = 0; ch < 4; ++ch)
        if (dst[ch]) dst[ch] += static_cast<ptrdiff_t>(step[ch]) * static_cast<ptrdiff_t>(n);
}

void copy_rgba(const unsigned char *rgba, unsigned char *out, size_t n) { std::memcpy(out, rgba, n * 4); }

void to_channels(const unsigned char *rgba, unsigned char *dst[4], const int step[4], size_t n) {
    for (int ch = 0; ch < 4; ++ch) {
        if (!dst[ch]) continue;
        rgba_channel(rgba, ch, dst[ch], step[ch], n);
        dst[ch] += static_cast<ptrdiff_t>(step[ch]) * static_cast<ptrdiff_t>(n);
    }
}

// Whether the channels in `order` lie at base, base+1, ... with one step.
bool consecutive(unsigned char *const dst[4], const int step[4], std::initializer_list<int> order, int pixel) {
    const unsigned char *base = dst[*order.begin()];
    int k = 0;
    for (int ch : order) {
        if (!dst[ch] || dst[ch] != base + k || step[ch] != pixel) return false;
        ++k;
    }
    return true;
}

}  // namespace

bool is_packed_rgba(const ChannelRow &s) {
    return strides_are(s.stride, 4, 4) && s.p[1] == s.p[0] + 1 && s.p[2] == s.p[0] + 2 && s.p[3] == s.p[0] + 3;
}

ToRgbaFn choose_to_rgba(const ChannelRow &s, bool same_row_strides) {
    if (strides_are(s.stride, 0, 0)) return from_solid;
    if (!same_row_strides) return from_planes;
    if (is_packed_rgba(s)) return copy_packed;
    if (strides_are(s.stride, 3, 0) && s.p[1] == s.p[0] + 1 && s.p[2] == s.p[0] + 2) return from_rgb;
    if (strides_are(s.stride, 3, 0) && s.p[1] == s.p[2] + 1 && s.p[0] == s.p[2] + 2) return from_bgr;
    if (strides_are(s.stride, 1, 0) && s.p[1] == s.p[0] && s.p[2] == s.p[0]) return from_gray;
    return from_planes;
}

FromRgbaFn choose_from_rgba(unsigned char *const dst[4], const int step[4]) {
    if (consecutive(dst, step, {0, 1, 2, 3}, 4)) return to_packed<copy_rgba, 0>;
    if (consecutive(dst, step, {2, 1, 0, 3}, 4)) return to_packed<rgba_to_bgra, 2>;
    if (consecutive(dst, step, {3, 2, 1, 0}, 4)) return to_packed<rgba_to_abgr, 3>;
    if (!dst[3] && consecutive(dst, step, {0, 1, 2}, 3)) return to_packed<rgba_to_rgb, 0>;
    if (!dst[3] && consecutive(dst, step, {2, 1, 0}, 3)) return to_packed<rgba_to_bgr, 2>;
    return to_channels;
}

}  // namespace tav
