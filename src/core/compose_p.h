// Per-pixel compose step and row compositor.  The mode is resolved once per
// row and the pixel loop is instantiated per mode, so the hot loop carries
// no mode switch.
#pragma once

#include "tavrel.h"

#include <cstddef>

namespace tav {

inline int combine_alpha(int at, int ab) { return (at * 255 + (255 - at) * ab + 127) / 255; }

inline int combine_over(int ct, int cb, int at, int ab, int ar) {
    if (ar == 0) return ct;
    const int w = ((255 - at) * ab + 127) / 255;
    const int v = (ct * at + cb * w + 127) / ar;
    return v > 255 ? 255 : v;  // a result alpha below 128 can push the quotient past a byte
}

// Exact division by a result alpha 1..255 without a divide instruction:
// n < 2^17 here, and ceil(2^40 / d) keeps n * error * d below 2^40.
struct Reciprocals {
    unsigned long long of[256];
    constexpr Reciprocals() : of{} {
        for (unsigned long long d = 1; d < 256; ++d) of[d] = ((1ull << 40) + d - 1) / d;
    }
};
inline constexpr Reciprocals kReciprocal;

// Over's colour rule on one truecolour pixel, with the terms that depend
// only on the ink and the alpha rule given: top[c] = ink[c] * sa + 127, the
// destination's weight w and the reciprocal of the result alpha.
inline void over_rgb(unsigned char *dst, const int top[3], int w, unsigned long long reciprocal) {
    for (int c = 0; c < 3; ++c) {
        const unsigned long long v = (static_cast<unsigned long long>(top[c] + dst[c] * w) * reciprocal) >> 40;
        dst[c] = static_cast<unsigned char>(v > 255 ? 255 : v);  // a result alpha below 128 can overshoot
    }
}

// One truecolour pixel under over with ink rgb and alpha sa (1..254): the
// same integers as the over row, for callers that blend single pixels.
inline void over_rgba_pixel(unsigned char *dst, const unsigned char *rgb, int sa) {
    const int top[3] = {rgb[0] * sa + 127, rgb[1] * sa + 127, rgb[2] * sa + 127};
    const int da = dst[3];
    if (da == 255) {  // an opaque pixel stays opaque: ar 255, weight 255 - sa
        over_rgb(dst, top, 255 - sa, kReciprocal.of[255]);
        return;
    }
    const int ar = combine_alpha(sa, da);  // at least sa, so never 0
    over_rgb(dst, top, ((255 - sa) * da + 127) / 255, kReciprocal.of[ar]);
    dst[3] = static_cast<unsigned char>(ar);
}

// One truecolour pixel under replace or over, ink rgb with alpha 0..255:
// replace, and over with opaque ink, store the ink; over blends
// translucent ink and leaves the pixel under clear ink.
inline void replace_or_over_pixel(unsigned char *dst, const unsigned char *rgb, int alpha, bool replace) {
    if (replace || alpha == 255) {
        dst[0] = rgb[0], dst[1] = rgb[1], dst[2] = rgb[2], dst[3] = static_cast<unsigned char>(alpha);
    } else if (alpha != 0) {
        over_rgba_pixel(dst, rgb, alpha);
    }
}

// Where an image pixel keeps its alpha, or -1 when the mode has none.
inline int alpha_index(int mode) {
    return mode == TAV_MODE_RGBA ? 3 : mode == TAV_MODE_GRAYALPHA ? 1 : -1;
}

// Combines n packed RGBA source pixels into a row of image pixels in the
// image's own layout (`channels` bytes each, alpha at `alpha_at` or none).
// The compose mode must already be resolved (never 0).
void compose_row(int compose, unsigned char *dst, int channels, int alpha_at,
                 const unsigned char *rgba, size_t n);

// The same with one source colour `ink` for every pixel of the row.
void compose_row_solid(int compose, unsigned char *dst, int channels, int alpha_at,
                       const unsigned char ink[4], size_t n);

// The row loop of one (resolved) mode, chosen once and then called per row
// or per pixel without a mode switch: `src` is n packed RGBA pixels for
// choose_compose_row, one RGBA colour for choose_compose_solid.
using ComposeRowFn = void (*)(unsigned char *dst, int channels, int alpha_at, const unsigned char *src, size_t n);
ComposeRowFn choose_compose_row(int compose);
ComposeRowFn choose_compose_solid(int compose);

}  // namespace tav
