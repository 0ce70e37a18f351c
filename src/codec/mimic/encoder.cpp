// The encoder.  Every coded block is intra-coded; a P-frame only adds, per
// block, the choice to copy the block from the previous frame or (for luma)
// from an older one.  The references are the encoder's own source planes,
// not a reconstruction: new input is compared with old input.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codec/mimic/bitstream_p.h"
#include "codec/mimic/mimic_internal_p.h"
#include "core/cpu_p.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace tav::mimic;

namespace {

// A luma block is unchanged when SSD / 64 <= 41 (a PSNR above 32 dB); a
// chroma block when its PSNR is above 36 dB: SSD <= 1045 over 8 rows, 522
// over 4.
constexpr int kLumaSameSSD = 41 * 64 + 63;
constexpr int kChromaSameSSD8 = 1045;
constexpr int kChromaSameSSD4 = 522;

// Differences below this are sensor noise: the luma plane takes the
// previous frame's sample instead.
constexpr int kNoise = 7;

#if defined(__SSE2__)
// The whole block's sum, eight differences a row as 16-bit lanes squared
// and added in pairs by one multiply-add.  Stopping early, as the plain
// loop does, measured slower here: the test costs more than the rows.
int block_ssd_sse2(const uint8_t *a, const uint8_t *b, int stride, int rows) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = zero;
    for (int r = 0; r < rows; ++r, a += stride, b += stride) {
        const __m128i x = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(a)), zero);
        const __m128i y = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(b)), zero);
        const __m128i d = _mm_sub_epi16(x, y);
        sum = _mm_add_epi32(sum, _mm_madd_epi16(d, d));
    }
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
    return _mm_cvtsi128_si32(sum);
}
#endif

// Sum of squared differences of an 8-wide block of `rows` rows; stops as
// soon as it exceeds `limit` (the result is then above `limit`).  Callers
// only ask whether the sum exceeds the limit, so the vector twin may add
// up the whole block.
int block_ssd(const uint8_t *a, const uint8_t *b, int stride, int rows, int limit) {
#if defined(__SSE2__)
    if (tav::vector_twins_on()) return block_ssd_sse2(a, b, stride, rows);
#endif
    int sum = 0;
    for (int r = 0; r < rows; ++r, a += stride, b += stride) {
        for (int c = 0; c < 8; ++c) {
            int d = a[c] - b[c];
            sum += d * d;
        }
        if (sum > limit) break;
    }
    return sum;
}

void snap_noise(uint8_t *current, const uint8_t *previous, int count) {
    // Written without a branch, so that it compiles to vector code.
    for (int i = 0; i < count; ++i) {
        const uint8_t c = current[i], p = previous[i];
        const uint8_t d = c > p ? c - p : p - c;
        current[i] = d < kNoise ? p : c;
    }
}

// One block: the DC, then (run, size) codes and magnitudes in scan order.
// Runs stop at 14 zeros: the rest of the block is dropped and the end of
// block written.  No end of block after a non-zero last coefficient.
void code_block(BitWriter &out, const uint8_t *samples, int stride, int rows, bool chroma, int quality) {
    int F[64], Q[64];
    forward_dct(samples, stride, rows, F);
    quantise(F, chroma, quality, kEncoderCoefficients, Q);
    out.put(static_cast<uint32_t>(Q[0]), 8);
    int zeros = 0;
    for (int n = 1; n < kEncoderCoefficients && zeros <= 14; ++n) {
        int value = Q[kScan[n]];
        if (value == 0) {
            ++zeros;
            continue;
        }
        int k = magnitude_bits(value);
        Code code = ac_code(zeros, k);
        out.put(code.bits, code.length);
        out.put(magnitude_field(value, k), k);
        zeros = 0;
    }
    if (zeros > 0) out.put(kEndOfBlock.bits, kEndOfBlock.length);
}

void put_le16(uint8_t *p, int v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

struct Plane {
    uint8_t *current;
    const uint8_t *previous;
    int stride;
};

void encode_key(BitWriter &out, const Geometry &g, const Plane planes[3], int quality) {
    for (int br = 0; br < g.luma_block_rows; ++br)
        for (int bc = 0; bc < g.luma_block_cols; ++bc)
            code_block(out, planes[0].current + 8 * (br * g.width + bc), g.width, 8, false, quality);
    for (int p = 1; p < 3; ++p)
        for (int br = 0; br < g.chroma_block_rows; ++br) {
            const int rows = g.chroma_block_rows_of(br);
            for (int bc = 0; bc < g.chroma_block_cols; ++bc)
                code_block(out, planes[p].current + 8 * (br * g.chroma_width + bc), g.chroma_width, rows, true,
                           quality);
        }
}

void encode_inter(BitWriter &out, MimCtx *ctx, const Plane planes[3], int quality) {
    const Geometry &g = ctx->geometry;
    // Older frames searched for a luma block: H[1] ... H[min(N - 1, 15)].
    const int references = std::min<int>(static_cast<int>(ctx->frames) - 1, kHistoryFrames - 1);
    const int W = g.width;
    snap_noise(planes[0].current, planes[0].previous, g.luma_size);
    for (int br = 0; br < g.luma_block_rows; ++br)
        for (int bc = 0; bc < g.luma_block_cols; ++bc) {
            const ptrdiff_t at = 8 * (static_cast<ptrdiff_t>(br) * W + bc);
            uint8_t *c = planes[0].current + at;
            if (block_ssd(c, planes[0].previous + at, W, 8, kLumaSameSSD) <= kLumaSameSSD) {
                out.put(1, 1);
                copy_block(c, planes[0].previous + at, W, 8);
                continue;
            }
            // The closest older frame, ties to the newest.  H[1] itself has
            // just failed the test above and could never win.
            int best = 0, best_d = 42;
            for (int r = 2; r <= references; ++r) {
                int ssd = block_ssd(ctx->previous(r) + at, c, W, 8, best_d * 64 - 1);
                if (ssd / 64 < best_d) best = r, best_d = ssd / 64;
            }
            if (best) {
                out.put(1, 2);
                out.put(static_cast<uint32_t>(best), 4);
                copy_block(c, ctx->previous(best) + at, W, 8);
            } else {
                out.put(0, 2);
                code_block(out, c, W, 8, false, quality);
            }
        }
    for (int p = 1; p < 3; ++p) {
        const int CW = g.chroma_width;
        for (int br = 0; br < g.chroma_block_rows; ++br) {
            const int rows = g.chroma_block_rows_of(br);
            int same = rows == 8 ? kChromaSameSSD8 : kChromaSameSSD4;
            for (int bc = 0; bc < g.chroma_block_cols; ++bc) {
                const ptrdiff_t at = 8 * (static_cast<ptrdiff_t>(br) * CW + bc);
                uint8_t *c = planes[p].current + at;
                if (block_ssd(c, planes[p].previous + at, CW, rows, same) <= same) {
                    out.put(0, 1);
                    copy_block(c, planes[p].previous + at, CW, rows);
                } else {
                    out.put(1, 1);
                    code_block(out, c, CW, rows, true, quality);
                }
            }
        }
    }
}

}  // namespace

extern "C" int mimic_encode_frame(MimCtx *ctx, const unsigned char *input, unsigned char *output,
                                  int *output_length, int make_keyframe) {
    if (!ctx || !input || !output || !output_length || !ctx->encoder_ready) return 0;
    const Geometry &g = ctx->geometry;
    const int capacity = *output_length > 0 ? *output_length : g.max_frame_bytes();
    if (capacity < kHeaderBytes + 4) return 0;
    const bool key = make_keyframe || ctx->frames == 0;

    // The frame is built in the history slot it will occupy: that slot holds
    // H[16], which the encoder never refers to, and it only joins the
    // history once the frame is complete.
    uint8_t *current = ctx->slot(ctx->write_slot);
    const uint8_t *previous = ctx->previous(1);
    const Plane planes[3] = {
        {current, previous, g.width},
        {current + g.luma_size, previous + g.luma_size, g.chroma_width},
        {current + g.luma_size + g.chroma_size, previous + g.luma_size + g.chroma_size, g.chroma_width},
    };
    rgb_to_planes(g, input, planes[0].current, planes[1].current, planes[2].current);

    BitWriter out(output + kHeaderBytes, static_cast<size_t>(capacity - kHeaderBytes) / 4);
    if (key)
        encode_key(out, g, planes, ctx->quality);
    else
        encode_inter(out, ctx, planes, ctx->quality);
    out.finish();
    if (!out.fits()) return 0;

    std::memset(output, 0, kHeaderBytes);
    put_le16(output, 256);
    put_le16(output + 2, ctx->quality);
    put_le16(output + 4, g.width);
    put_le16(output + 6, g.height);
    output[12] = key ? 0 : 1;
    output[16] = kEncoderCoefficients;

    ctx->advance();
    ++ctx->frames;
    *output_length = kHeaderBytes + static_cast<int>(4 * out.words());
    return 1;
}
