// Row functions: the channel-layout conversions of the pixel family, one
// plain function per layout pair over n pixels of one row.  Callers resolve
// the layout once per call (choose_to_rgba, choose_from_rgba) and then run
// the chosen function row after row.  Each function here is the portable
// reference; a vectorised twin must give the same bytes for every input.
#pragma once

#include "core/pixel_p.h"

#include <cstddef>
#include <cstdint>

namespace tav {

// ---- into packed RGBA ------------------------------------------------------

// Packed R,G,B (or B,G,R) with one alpha byte for every pixel.
void rgb_to_rgba(const unsigned char *rgb, unsigned char *rgba, size_t n, unsigned char alpha);
void bgr_to_rgba(const unsigned char *bgr, unsigned char *rgba, size_t n, unsigned char alpha);
// One grey byte per pixel as R = G = B, with one alpha for every pixel.
void gray_to_rgba(const unsigned char *gray, unsigned char *rgba, size_t n, unsigned char alpha);
// Grey and alpha pairs: R = G = B = Y, A = the pixel's alpha.
void grayalpha_to_rgba(const unsigned char *ya, unsigned char *rgba, size_t n);
// Palette expansion: each index (every `step` bytes) becomes its LUT entry.
void index_to_rgba(const unsigned char *index, int step, unsigned char *rgba, size_t n, const PaletteLut &lut);
// Range-checked palette expansion: each index becomes its opaque colour
// from `rgb` (R, G, B per entry); false, with the row unfinished, at the
// first index of `entries` or beyond.
bool palette_to_rgba(const unsigned char *index, const unsigned char *rgb, int entries, unsigned char *rgba, size_t n);
// Range-checked expansion through an RGBA table of `entries` colours, for
// indices wider than a byte (GIF's 12-bit codes): false, with the row
// unfinished, at the first index of `entries` or beyond.
bool lut16_to_rgba(const uint16_t *index, const unsigned char *lut, int entries, unsigned char *rgba, size_t n);
// Separate planes to packed RGBA: plane[c] holds channel c of every pixel;
// a null alpha plane gives opaque pixels.
void planes_to_rgba(const unsigned char *const plane[4], unsigned char *rgba, size_t n);
// One colour repeated over the row.
void solid_rgba(unsigned char *rgba, size_t n, const unsigned char color[4]);
// Two colours taking turns over the row (first, second, first, ...), as a
// run-length code paints a run of paired pixels; n may be odd.
void alternate_rgb(unsigned char *rgb, size_t n, const unsigned char first[3], const unsigned char second[3]);
// One grey byte per pixel spread to packed R = G = B.
void gray_to_rgb(const unsigned char *gray, unsigned char *rgb, size_t n);
// "565" words (high byte first: blue in bits 15-11, green 10-5, red 4-0)
// widened to packed R,G,B by v * 255 / max, truncating.
void rgb565_to_rgb(const unsigned char *words, unsigned char *rgb, size_t n);

// Indices packed `bits` (1, 2, 4 or 8) to a byte, the first pixel in the
// most significant bits, to one index byte per pixel.
void unpack_bits(const unsigned char *packed, int bits, unsigned char *index, size_t n);

// ---- out of packed RGBA ----------------------------------------------------

void rgba_to_rgb(const unsigned char *rgba, unsigned char *rgb, size_t n);
void rgba_to_bgr(const unsigned char *rgba, unsigned char *bgr, size_t n);
void rgba_to_bgra(const unsigned char *rgba, unsigned char *bgra, size_t n);
void rgba_to_abgr(const unsigned char *rgba, unsigned char *abgr, size_t n);
// One channel of each pixel to every `step` bytes of dst.
void rgba_channel(const unsigned char *rgba, int channel, unsigned char *dst, int step, size_t n);

// ---- vector twins -----------------------------------------------------------

// AVX2 twins (rows_avx2.cpp) of rgb_to_rgba, bgr_to_rgba, gray_to_rgba,
// rgba_to_rgb and rgba_to_bgr, which call them themselves for rows of 8
// pixels or more when the processor has AVX2.
void rgb_to_rgba_avx2(const unsigned char *rgb, unsigned char *rgba, size_t n, unsigned char alpha);
void bgr_to_rgba_avx2(const unsigned char *bgr, unsigned char *rgba, size_t n, unsigned char alpha);
void gray_to_rgba_avx2(const unsigned char *gray, unsigned char *rgba, size_t n, unsigned char alpha);
void rgba_to_rgb_avx2(const unsigned char *rgba, unsigned char *rgb, size_t n);
void rgba_to_bgr_avx2(const unsigned char *rgba, unsigned char *bgr, size_t n);

// ---- layout selection ------------------------------------------------------

// Four channel addresses and pixel strides, R, G, B, A; the same shape
// serves a block's source row and a reader's destination row.
struct ChannelRow {
    const unsigned char *p[4];
    int stride[4];
};

// Whether the row already is packed R, G, B, A.
bool is_packed_rgba(const ChannelRow &row);

// Fills n packed RGBA pixels from a source row.
using ToRgbaFn = void (*)(const ChannelRow &src, unsigned char *rgba, size_t n);

// The conversion for rows shaped like `row`: the channels' relative
// addresses and strides decide it; every row of a block shares them when
// the channels share one row stride (`same_row_strides`).
ToRgbaFn choose_to_rgba(const ChannelRow &row, bool same_row_strides);

// Delivers n packed RGBA pixels to destination channels (absent ones are
// skipped); the addresses are advanced past the row.
using FromRgbaFn = void (*)(const unsigned char *rgba, unsigned char *dst[4], const int step[4], size_t n);

FromRgbaFn choose_from_rgba(unsigned char *const dst[4], const int step[4]);

}  // namespace tav
