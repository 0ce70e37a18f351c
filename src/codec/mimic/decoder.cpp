// The decoder.  Blocks are decoded into the working planes; a frame that
// decodes completely joins the history unfiltered, and is then deblocked
// for output.  A frame that fails is still shown as far as it got (through
// the codec's own interface; the length-checked one leaves the output
// alone), but never becomes a reference.
//
// The decoder refuses what it cannot decode soundly rather than read or
// copy memory it does not own: more than 64 coefficients per block, a code
// that places a coefficient past position 63, a back-reference to a frame
// it never decoded and, when it knows the frame's length, a bitstream that
// runs past it.  That is seen after each row of blocks, so a truncated
// frame costs what it holds, not a whole frame of blocks decoded from the
// zeros past its end.
#include <algorithm>
#include <cstring>

#include "codec/mimic/bitstream_p.h"
#include "codec/mimic/mimic_internal_p.h"

using namespace tav::mimic;

namespace {

struct PlaneOut {
    uint8_t *work;
    const uint8_t *previous;
    int stride;
};

class FrameDecoder {
public:
    FrameDecoder(MimCtx *ctx, const unsigned char *frame, int length, int num_coeffs, bool inter)
        : ctx_(ctx),
          g_(ctx->geometry),
          bits_(frame + kHeaderBytes, static_cast<size_t>(length - kHeaderBytes)),
          num_coeffs_(num_coeffs),
          inter_(inter),
          steps_{dequantise_step(false, ctx->quality), dequantise_step(true, ctx->quality)} {}

    bool luma(const PlaneOut &plane) {
        const int W = g_.width;
        for (int br = 0; br < g_.luma_block_rows; ++br) {
            for (int bc = 0; bc < g_.luma_block_cols; ++bc) {
                const ptrdiff_t at = 8 * (static_cast<ptrdiff_t>(br) * W + bc);
                if (inter_) {
                    if (bits_.get(1)) {
                        copy_block(plane.work + at, plane.previous + at, W, 8);
                        continue;
                    }
                    if (bits_.get(1)) {
                        // 0 names the sixteenth frame back.
                        int back = static_cast<int>(bits_.get(4));
                        if (back == 0) back = kHistoryFrames;
                        if (back > ctx_->history_frames) return false;
                        copy_block(plane.work + at, ctx_->previous(back) + at, W, 8);
                        continue;
                    }
                }
                if (!block(plane.work + at, W, 8, false)) return false;
            }
            if (!bits_.within()) return false;
        }
        return true;
    }

    bool chroma(const PlaneOut &plane) {
        const int CW = g_.chroma_width;
        for (int br = 0; br < g_.chroma_block_rows; ++br) {
            const int rows = g_.chroma_block_rows_of(br);
            for (int bc = 0; bc < g_.chroma_block_cols; ++bc) {
                const ptrdiff_t at = 8 * (static_cast<ptrdiff_t>(br) * CW + bc);
                if (inter_ && !bits_.get(1)) {
                    copy_block(plane.work + at, plane.previous + at, CW, rows);
                    continue;
                }
                if (!block(plane.work + at, CW, rows, true)) return false;
            }
            if (!bits_.within()) return false;
        }
        return true;
    }

private:
    // One run/size code; false when no code matches (a corrupt stream).
    bool symbol(int *run, int *k) {
        uint32_t next = bits_.peek(32);
        const Symbol &s = kShortSymbols[next >> (32 - kShortCodeBits)];
        if (s.length) {
            bits_.skip(s.length);
            *run = s.run, *k = s.k;
            return true;
        }
        for (int i = 0; i < kLongSymbolCount; ++i) {
            const LongSymbol &l = kLongSymbols[i];
            if ((next >> (32 - l.length)) == l.bits) {
                bits_.skip(l.length);
                *run = l.run, *k = l.k;
                return true;
            }
        }
        return false;
    }

    bool block(uint8_t *out, int stride, int rows, bool chroma) {
        int D[64] = {};
        const double step = steps_[chroma];
        D[0] = static_cast<int>(bits_.get(8));
        bool ac = false;
        for (int pos = 1; pos < num_coeffs_;) {
            int run = 0, k = 0;
            if (!symbol(&run, &k)) return false;
            if (run == 0xFF) break;  // end of block
            pos += run;
            if (pos > 63) return false;
            const int i = kScan[pos];
            D[i] = dequantise_one(i, magnitude_value(bits_.get(k), k), step);
            ac = true;
            ++pos;
        }
        if (!ac) {
            // The transform reproduces a lone DC exactly.
            for (int r = 0; r < rows; ++r) std::memset(out + static_cast<ptrdiff_t>(r) * stride, D[0], 8);
            return true;
        }
        D[0] *= 2;
        inverse_dct_store(D, out, stride, rows);
        return true;
    }

    MimCtx *ctx_;
    const Geometry &g_;
    BitReader bits_;
    int num_coeffs_;
    bool inter_;
    double steps_[2];  // dequantiser steps of luma and chroma
};

}  // namespace

namespace {

// `show_failed`: whether a frame that fails still reaches `output` as far
// as it got (the codec's own interface), or leaves it untouched.
int decode_frame(MimCtx *ctx, const unsigned char *input, int length, unsigned char *output, bool show_failed) {
    if (!ctx || !input || !output || !ctx->decoder_ready || length < kHeaderBytes) return 0;
    const Geometry &g = ctx->geometry;
    const FrameHeader header = read_header(input);
    if (header.width != g.width || header.height != g.height) return 0;
    ctx->quality = header.quality;
    const int num_coeffs = header.num_coeffs;
    const bool inter = header.inter;

    uint8_t *work = ctx->work.get();
    const uint8_t *previous = ctx->previous(1);
    const PlaneOut planes[3] = {
        {work, previous, g.width},
        {work + g.luma_size, previous + g.luma_size, g.chroma_width},
        {work + g.luma_size + g.chroma_size, previous + g.luma_size + g.chroma_size, g.chroma_width},
    };

    // A P-frame needs a decoded frame before it.
    bool ok = !(inter && ctx->history_frames == 0) && num_coeffs <= 64;
    if (ok) {
        FrameDecoder frame(ctx, input, length, num_coeffs, inter);
        std::memset(planes[1].work, 128, 2 * static_cast<size_t>(g.chroma_size));
        ok = frame.luma(planes[0]);
        if (ok) {
            ok = frame.chroma(planes[1]) && frame.chroma(planes[2]);
            if (!ok) std::memset(planes[1].work, 128, 2 * static_cast<size_t>(g.chroma_size));
        }
    }
    if (ok) {
        ctx->remember(work);
        ++ctx->frames;
        deblock_plane(planes[0].work, g.width, g.height);
        deblock_plane(planes[1].work, g.chroma_width, g.chroma_height);
        deblock_plane(planes[2].work, g.chroma_width, g.chroma_height);
    }
    if (ok || show_failed) planes_to_rgb(g, planes[0].work, planes[1].work, planes[2].work, output);
    return ok ? 1 : 0;
}

}  // namespace

extern "C" int mimic_decode_frame(MimCtx *ctx, const unsigned char *input, unsigned char *output) {
    return decode_frame(ctx, input, MIMIC_MAX_FRAME_READ, output, true);
}

extern "C" int mimic_decode_frame_checked(MimCtx *ctx, const unsigned char *input, int input_length,
                                          unsigned char *output) {
    return decode_frame(ctx, input, input_length, output, false);
}
