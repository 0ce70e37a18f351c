// Codec objects: a webcam codec context that becomes an encoder or a decoder
// on first use, makes a key frame every fifteenth frame and keeps one output
// buffer for a whole stream.  Only the codec's C interface is used here,
// with one addition of ours: decoding is told the frame's length.
#include <algorithm>
#include <cstring>

#include "codec/mimic/mimic_p.h"
#include "core/memory_p.h"

namespace {

constexpr unsigned int kRegistryTag = 0x12233445;
constexpr unsigned int kKeyFrameInterval = 15;
constexpr int kHeaderBytes = 20;

MimCtx *context(PhotoCodec *codec) { return static_cast<MimCtx *>(codec->mimic); }

// Makes `out_buffer` hold at least `size` bytes; it never shrinks.
bool ensure_output(PhotoCodec *codec, int size) {
    if (codec->out_capacity >= size && codec->out_buffer) return true;
    TavFree(codec->out_buffer);
    codec->out_capacity = 0;
    codec->out_buffer = static_cast<unsigned char *>(tav::attempt_alloc(static_cast<size_t>(size)));
    if (!codec->out_buffer) return false;
    codec->out_capacity = size;
    return true;
}

int property(PhotoCodec *codec, const char *name, int *value) {
    return mimic_get_property(context(codec), name, value) == 1;
}

}  // namespace

extern "C" {

unsigned int *TavCodecInit(void) {
    auto *registry = static_cast<unsigned int *>(tav::attempt_alloc(sizeof(unsigned int)));
    if (registry) *registry = kRegistryTag;
    return registry;
}

void TavCodecClose(unsigned int *registry) { TavFree(registry); }

PhotoCodec *PhotoCreateCodec(void) {
    auto *codec = static_cast<PhotoCodec *>(tav::attempt_alloc(sizeof(PhotoCodec)));
    if (!codec) return nullptr;
    std::memset(codec, 0, sizeof(*codec));
    codec->mimic = mimic_open();
    if (!codec->mimic) {
        TavFree(codec);
        return nullptr;
    }
    return codec;
}

int PhotoDeleteCodec(PhotoCodec *codec) {
    if (!codec) return 0;
    if (codec->mimic) mimic_close(context(codec));
    TavFree(codec->out_buffer);
    TavFree(codec);
    return 0;
}

unsigned char *PhotoCodecEncode(PhotoCodec *codec, const unsigned char *rgb, int length, int *encoded_length) {
    if (!codec) return nullptr;
    // The direction is fixed before the frame is looked at.
    if (codec->state == TAV_CODEC_FRESH) {
        mimic_encoder_init(context(codec), MIMIC_RES_HIGH);
        codec->state = TAV_CODEC_ENCODER;
    }
    if (codec->state != TAV_CODEC_ENCODER || !rgb || length != TAV_CODEC_FRAME_BYTES) return nullptr;
    int size = 0;
    if (!property(codec, "buffer_size", &size) || size <= 0) return nullptr;
    // Five times the advertised size, as the codec's users have always
    // allocated, but never less than the longest frame the encoder makes:
    // the advertised size is not a bound.
    const int capacity = static_cast<int>(std::clamp<long long>(5LL * size, MIMIC_MAX_FRAME_BYTES_HIGH, 1 << 30));
    if (!ensure_output(codec, capacity)) return nullptr;
    int n = capacity;
    const int key = codec->frame_count % kKeyFrameInterval == 0;
    if (mimic_encode_frame(context(codec), rgb, codec->out_buffer, &n, key) != 1) return nullptr;
    ++codec->frame_count;
    if (encoded_length) *encoded_length = n;
    return codec->out_buffer;
}

unsigned char *PhotoCodecDecode(PhotoCodec *codec, const unsigned char *frame, int length, int *decoded_length) {
    if (!codec) return nullptr;
    if (codec->state == TAV_CODEC_FRESH) codec->state = TAV_CODEC_DECODER_WAITING;
    if (codec->state != TAV_CODEC_DECODER_WAITING && codec->state != TAV_CODEC_DECODER) return nullptr;
    // The frame's length is passed on, so that a truncated frame fails
    // instead of being read past its end.
    if (!frame || length < kHeaderBytes) return nullptr;
    if (codec->state == TAV_CODEC_DECODER_WAITING) {
        // A refused first frame leaves the decoder waiting for the next.
        if (mimic_decoder_init(context(codec), frame) != 1) return nullptr;
        codec->state = TAV_CODEC_DECODER;
    }
    if (!ensure_output(codec, TAV_CODEC_FRAME_BYTES)) return nullptr;
    if (mimic_decode_frame_checked(context(codec), frame, length, codec->out_buffer) != 1) return nullptr;
    ++codec->frame_count;
    // A 160 x 120 stream fills only the start of the buffer: what follows
    // would be whatever the buffer held, so it is not part of the reply.
    int width = 0, height = 0;
    if (!property(codec, "width", &width) || !property(codec, "height", &height)) return nullptr;
    if (decoded_length) *decoded_length = width * height * 3;
    return codec->out_buffer;
}

int PhotoCodecGetSize(PhotoCodec *codec, int *width, int *height) {
    if (!codec) return 1;
    if (codec->state == TAV_CODEC_ENCODER) {
        if (width) *width = 320;
        if (height) *height = 240;
        return 0;
    }
    if (codec->state != TAV_CODEC_DECODER) return 1;
    int w = 0, h = 0;
    if (width && !property(codec, "width", &w)) return 1;
    if (height && !property(codec, "height", &h)) return 1;
    if (width) *width = w;
    if (height) *height = h;
    return 0;
}

int PhotoCodecGetQuality(PhotoCodec *codec, int *quality) {
    if (!codec) return 1;
    if (!quality) return 0;
    int q = 0;
    if (!property(codec, "quality", &q)) return 1;
    *quality = q;
    return 0;
}

int PhotoCodecSetQuality(PhotoCodec *codec, int quality) {
    if (!codec) return 1;
    return mimic_set_property(context(codec), "quality", &quality) == 1 ? 0 : 1;
}

}  // extern "C"
