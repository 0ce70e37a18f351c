// The codec context: opening, one-time initialisation as an encoder or a
// decoder, and the properties.
#include <cstring>
#include <new>

#include "codec/mimic/mimic_internal_p.h"

namespace tav::mimic {

bool Geometry::set(int w, int h) {
    if (!((w == 160 && h == 120) || (w == 320 && h == 240))) return false;
    width = w, height = h;
    chroma_width = w / 2, chroma_height = h / 2;
    luma_size = w * h;
    chroma_size = chroma_width * chroma_height;
    frame_size = luma_size + 2 * chroma_size;
    luma_block_cols = w / 8, luma_block_rows = h / 8;
    chroma_block_cols = chroma_width / 8;
    chroma_block_rows = h / 16 + (h % 16 != 0);
    chroma_last_row_half = h % 16 != 0;
    return true;
}

}  // namespace tav::mimic

using namespace tav::mimic;

bool _MimCtx::allocate() {
    // The working planes carry one zero row after the second chroma plane:
    // the filter of a 60-row chroma plane reads one row past its end.
    // Zero-filled: a P-frame refused before any key frame still shows what
    // the working planes hold.
    work.reset(new (std::nothrow) uint8_t[static_cast<size_t>(geometry.frame_size) + geometry.chroma_width]());
    history.reset(new (std::nothrow) uint8_t[static_cast<size_t>(geometry.frame_size) * kHistoryFrames]());
    if (!work || !history) {
        work.reset();
        history.reset();
        return false;
    }
    return true;
}

void _MimCtx::remember(const uint8_t *planes) {
    std::memcpy(slot(write_slot), planes, geometry.frame_size);
    advance();
}

void _MimCtx::advance() {
    write_slot = (write_slot + kHistoryFrames - 1) % kHistoryFrames;
    if (history_frames < kHistoryFrames) ++history_frames;
}

extern "C" {

MimCtx *mimic_open(void) { return new (std::nothrow) MimCtx(); }


void mimic_close(MimCtx *ctx) { delete ctx; }

int mimic_encoder_init(MimCtx *ctx, MimicResEnum resolution) {
    if (!ctx || ctx->encoder_ready || ctx->decoder_ready) return 0;
    Geometry g;
    if (resolution == MIMIC_RES_LOW)
        g.set(160, 120);
    else if (resolution == MIMIC_RES_HIGH)
        g.set(320, 240);
    else
        return 0;
    ctx->geometry = g;
    if (!ctx->allocate()) return 0;
    ctx->quality = 0;
    ctx->num_coeffs = kEncoderCoefficients;
    ctx->encoder_ready = true;
    return 1;
}

int mimic_decoder_init(MimCtx *ctx, const unsigned char *frame) {
    if (!ctx || !frame || ctx->encoder_ready || ctx->decoder_ready) return 0;
    const FrameHeader header = read_header(frame);
    Geometry g;
    if (!g.set(header.width, header.height)) return 0;
    // Decoding starts with a key frame.
    if (header.inter) return 0;
    ctx->geometry = g;
    if (!ctx->allocate()) return 0;
    ctx->quality = header.quality;
    ctx->decoder_ready = true;
    return 1;
}

int mimic_get_property(MimCtx *ctx, const char *name, void *value) {
    if (!ctx || !name || !value || !(ctx->encoder_ready || ctx->decoder_ready)) return 0;
    int *out = static_cast<int *>(value);
    if (std::strcmp(name, "buffer_size") == 0)
        *out = ctx->encoder_ready ? MIMIC_ENCODER_BUFFER_SIZE : ctx->geometry.luma_size * 3;
    else if (std::strcmp(name, "width") == 0)
        *out = ctx->geometry.width;
    else if (std::strcmp(name, "height") == 0)
        *out = ctx->geometry.height;
    else if (std::strcmp(name, "quality") == 0)
        *out = ctx->quality;
    else
        return 0;
    return 1;
}

int mimic_set_property(MimCtx *ctx, const char *name, void *value) {
    if (!ctx || !name || !value || !ctx->encoder_ready) return 0;
    if (std::strcmp(name, "quality") != 0) return 0;
    int quality = *static_cast<int *>(value);
    if (quality < 0 || quality > 10000) return 0;
    ctx->quality = quality;
    return 1;
}

}  // extern "C"
