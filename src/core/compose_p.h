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
