// Inside the webcam codec: frame geometry, the code tables, the transforms,
// the colour conversion, the deblocking filter and the context record.
//
// A frame is held as three 8-bit planes, Y, then the two chroma planes P1
// and P2 at half size each way, contiguous in that order.  Plane rows run
// bottom-up: plane row 0 is the bottom row of the picture, and every block,
// traversal and filter works in that order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "codec/mimic/mimic_p.h"

// The component stands on its own behind its C interface: it takes its
// memory from the C++ heap and hands none of it out.
namespace tav::mimic {

using Buffer = std::unique_ptr<uint8_t[]>;

constexpr int kHeaderBytes = 20;

// The header fields the decoder reads; `inter` is set for a P-frame.
struct FrameHeader {
    int quality, width, height, num_coeffs;
    bool inter;
};
inline FrameHeader read_header(const unsigned char *frame) {
    auto le16 = [frame](int at) { return frame[at] | (frame[at + 1] << 8); };
    return {le16(2), le16(4), le16(6), frame[16], (frame[12] | frame[13] | frame[14] | frame[15]) != 0};
}
constexpr int kHistoryFrames = 16;
// What the encoder sends in every header: the coefficients its forward
// transform computes.
constexpr int kEncoderCoefficients = 28;

// Sizes of one resolution.  Chroma block rows round up: at 160 x 120 the
// last row of chroma blocks holds only 4 real rows ("half" rows).
struct Geometry {
    int width = 0, height = 0;
    int chroma_width = 0, chroma_height = 0;
    int luma_size = 0, chroma_size = 0, frame_size = 0;  // bytes of Y, of P1, of all three
    int luma_block_cols = 0, luma_block_rows = 0;
    int chroma_block_cols = 0, chroma_block_rows = 0;
    bool chroma_last_row_half = false;

    // Rows of chroma block row `br`: 8, or 4 in a last row of half blocks.
    int chroma_block_rows_of(int br) const { return chroma_last_row_half && br == chroma_block_rows - 1 ? 4 : 8; }
    // The geometry of 160 x 120 or 320 x 240; false for any other size.
    bool set(int w, int h);
    int max_frame_bytes() const { return width == 320 ? MIMIC_MAX_FRAME_BYTES_HIGH : MIMIC_MAX_FRAME_BYTES_LOW; }
};

// An 8-wide block of `rows` rows, rows `stride` apart, as encoder and
// decoder copy it from a reference frame.
inline void copy_block(uint8_t *dst, const uint8_t *src, int stride, int rows) {
    for (int r = 0; r < rows; ++r, dst += stride, src += stride) std::memcpy(dst, src, 8);
}

// Scan order: scan position -> raster index 8 * row + column.
extern const uint8_t kScan[64];

// The run/size code of (run, k), k = bits of the magnitude (1 ... 7); run
// 15 exists only with k = 1.  length 0: no such code.
struct Code {
    uint32_t bits;
    int length;
};
constexpr Code kEndOfBlock = {0xA, 4};
Code ac_code(int run, int k);

// The magnitude field of a value x, 0 < |x| < 128, in k bits.
inline int magnitude_bits(int x) {
    int a = x < 0 ? -x : x;
    return 32 - __builtin_clz(static_cast<unsigned>(a));
}
inline uint32_t magnitude_field(int x, int k) {
    int a = x < 0 ? -x : x;
    return static_cast<uint32_t>(2 * ((1 << k) - 1 - a) + (x > 0 ? 1 : 0));
}
inline int magnitude_value(uint32_t field, int k) {
    int m = (1 << k) - 1 - static_cast<int>(field >> 1);
    return (field & 1) ? m : -m;
}

// Decoding of run/size codes: codes up to kShortCodeBits long resolve from
// one table look-up of that many leading bits; longer ones from a list.
constexpr int kShortCodeBits = 12;
struct Symbol {
    uint8_t length;  // 0: not resolved by the short table
    uint8_t run;     // 0xFF for end of block
    uint8_t k;
};
extern const Symbol *const kShortSymbols;  // 1 << kShortCodeBits entries
struct LongSymbol {
    uint32_t bits;
    uint8_t length, run, k;
};
extern const LongSymbol *const kLongSymbols;
extern const int kLongSymbolCount;

// The quantiser step of a quality, before the clamps of each side.
double quality_step(int quality);

// Forward transform of an 8 x 8 block of samples (rows `stride` apart; a
// half block of 4 rows repeats its last row), giving F for u + v <= 6.
void forward_dct(const uint8_t *samples, int stride, int rows, int F[64]);
// Its AVX2 twin, which forward_dct calls itself where the processor has it.
void forward_dct_avx2(const uint8_t *samples, int stride, int rows, int F[64]);
// Encoder quantiser: F -> Q (raster indices), for `num_coeffs` scan positions.
void quantise(const int F[64], bool chroma, int quality, int num_coeffs, int Q[64]);
// The twin of its scaling: Q[i] = F[i] scaled and rounded as quantise does
// where mask[i] is -1, and 0 elsewhere; no position of the last row may be
// kept.
void quantise_scaled_avx2(const int F[64], double inverse, const int32_t mask[64], int Q[64]);
// Decoder: dequantises Q in place and transforms it back to samples;
// `rows` of the result (8, or 4 for a half block) go to `out`.
void dequantise(int D[64], bool chroma, int quality);
// The same one coefficient at a time (raster index i), with the step of the
// plane kind and quality.
double dequantise_step(bool chroma, int quality);
inline int dequantise_one(int i, int value, double step) {
    if (i == 0) return value * 2;
    if (i == 1 || i == 8) return value * 4;
    return static_cast<int>(value * step);
}
void inverse_dct(int D[64]);
void store_block(const int D[64], uint8_t *out, int stride, int rows);
// Both of them at once: the portable pair, or its AVX2 twin.
void inverse_dct_store(int D[64], uint8_t *out, int stride, int rows);
void inverse_dct_store_avx2(const int D[64], uint8_t *out, int stride, int rows);

// Colour conversion between R,G,B top-down frames and the planes.
void rgb_to_planes(const Geometry &g, const uint8_t *rgb, uint8_t *y, uint8_t *p1, uint8_t *p2);
// Two plane rows and their chroma row from raw rows s1 and s2 (the twin
// wants a width that is a multiple of 8).
void planes_row_pair(const uint8_t *s1, const uint8_t *s2, int width, uint8_t *y1, uint8_t *y2, uint8_t *c1,
                     uint8_t *c2);
void planes_row_pair_avx2(const uint8_t *s1, const uint8_t *s2, int width, uint8_t *y1, uint8_t *y2, uint8_t *c1,
                          uint8_t *c2);
void planes_to_rgb(const Geometry &g, const uint8_t *y, const uint8_t *p1, const uint8_t *p2, uint8_t *rgb);
// One output row of it: what each chroma sample adds to the bytes of its
// two pixels, and the row from a luma row and those terms (the twin wants
// a width that is a multiple of 16).
struct ChromaTerms {
    alignas(16) int16_t add[3][160];
};
void chroma_terms(const uint8_t *c1, const uint8_t *c2, int chroma_width, ChromaTerms &t);
void chroma_terms_avx2(const uint8_t *c1, const uint8_t *c2, int chroma_width, ChromaTerms &t);
void rgb_row(const uint8_t *y, const ChromaTerms &t, int width, uint8_t *out);
void rgb_row_avx2(const uint8_t *y, const ChromaTerms &t, int width, uint8_t *out);

// The decoder's post-filter over one plane, in place.  A plane of 60 rows
// reads one row past its end (the caller provides it).
void deblock_plane(uint8_t *plane, int stride, int rows);
// Its pieces: every edge of one group of 4 rows (vertical edges), and one
// group of 8 columns at one horizontal edge (`at` on the window's first row).
void deblock_vertical_group(uint8_t *row0, int stride);
void deblock_horizontal_group(uint8_t *at, int stride);
// Their AVX2 twins over a whole plane (stride a multiple of 16).
void deblock_vertical_edges_avx2(uint8_t *plane, int stride, int rows);
void deblock_horizontal_edges_avx2(uint8_t *plane, int stride, int rows);

}  // namespace tav::mimic

// The context.  History slot h of frame i back (H[i], i = 1 ... 16) is
// (write_slot + i) mod 16; a finished frame goes into write_slot, which then
// moves down by one.
struct _MimCtx {
    bool encoder_ready = false;
    bool decoder_ready = false;
    tav::mimic::Geometry geometry;
    int quality = 0;
    int num_coeffs = 0;
    unsigned int frames = 0;  // frames encoded, or decoded successfully
    int history_frames = 0;   // frames held in the history, at most 16
    int write_slot = tav::mimic::kHistoryFrames - 1;
    // Working planes (plus one zero row after P2 for the filter) and the
    // 16 history frames.
    tav::mimic::Buffer work;
    tav::mimic::Buffer history;

    uint8_t *slot(int i) { return history.get() + static_cast<size_t>(i) * geometry.frame_size; }
    // H[back], back = 1 ... 16.
    uint8_t *previous(int back) { return slot((write_slot + back) % tav::mimic::kHistoryFrames); }
    bool allocate();
    // Keeps `planes` as the newest frame of the history.
    void remember(const uint8_t *planes);
    // The frame in write_slot becomes the newest of the history.
    void advance();
};
