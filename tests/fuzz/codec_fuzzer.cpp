// libFuzzer target: any byte string handed to a webcam decoder, as
// `tavcodec decode` would, must decode or be refused without reading past
// it.  The first byte picks the decoder and the rest is the frame:
//   0  a fresh decoder (the frame opens a stream),
//   1  a 320 x 240 decoder whose history is full (sixteen frames),
//   2  a 160 x 120 decoder whose history is full,
// so that skips and back-references of every depth meet real history, and
// every input costs one decode.  Frames longer than the longest frame are
// cut to it.
//
// The decoders are kept from one input to the next.  A refused frame never
// joins the history, and the header's quality is read afresh with every
// frame; a frame that decodes only replaces the oldest of sixteen frames,
// which changes pixel values but not the path any later frame takes.  So
// each input meets the state its first byte names, and a finding replays
// alone.  The fresh decoder is replaced once a frame opened its stream.
#include <tcl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tavrel.h"

namespace {

constexpr size_t kLongestFrame = 105472;

constexpr int kHistoryFrames = 16;
std::vector<unsigned char> primers[2][kHistoryFrames];  // [320 x 240, 160 x 120][frame]

PhotoCodec *fresh;
PhotoCodec *primed[2];

std::vector<unsigned char> picture(int t) {
    std::vector<unsigned char> rgb(TAV_CODEC_FRAME_BYTES);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>((i / 3 % 320) + (i / 960) * 2 + t * 5);
    return rgb;
}

// Decodes a copy of exactly `size` bytes, so that any over-read is caught;
// true when the frame decoded.
bool decode(PhotoCodec *codec, const uint8_t *data, size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    int length = 0;
    const unsigned char *out = PhotoCodecDecode(codec, copy.data(), static_cast<int>(copy.size()), &length);
    if (out && length > 0) {
        // The whole reply must be readable: one checked copy, not a loop
        // whose every comparison the coverage tracer would record.
        static unsigned char sink[TAV_CODEC_FRAME_BYTES];
        std::memcpy(sink, out, static_cast<size_t>(std::min(length, TAV_CODEC_FRAME_BYTES)));
    }
    return out != nullptr;
}

// A decoder that decoded all of `frames`, or null.
PhotoCodec *prime(const std::vector<unsigned char> (&frames)[kHistoryFrames]) {
    PhotoCodec *codec = PhotoCreateCodec();
    for (const auto &frame : frames)
        if (!decode(codec, frame.data(), frame.size())) {
            PhotoDeleteCodec(codec);
            return nullptr;
        }
    return codec;
}

// libFuzzer ignores what its initialiser returns: a primer that does not
// decode would leave the run without the state it claims, so it stops here.
[[noreturn]] void stop(const char *why) {
    std::fprintf(stderr, "codec_fuzzer: %s\n", why);
    std::abort();
}

bool opened_stream(PhotoCodec *codec) { return PhotoCodecGetSize(codec, nullptr, nullptr) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    Tcl_FindExecutable((*argv)[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tavrel_Init(interp) != TCL_OK) return 1;
    // 320 x 240 primers come from our encoder (the codec layer encodes only
    // that size, a key frame every fifteenth); the 160 x 120 ones are a
    // hand-made key frame whose bitstream is all zeros, and P-frames like it.
    PhotoCodec *enc = PhotoCreateCodec();
    for (int f = 0; f < kHistoryFrames; ++f) {
        int length = 0;
        std::vector<unsigned char> rgb = picture(f);
        const unsigned char *frame = PhotoCodecEncode(enc, rgb.data(), static_cast<int>(rgb.size()), &length);
        if (!frame) stop("the encoder made no primer");
        primers[0][f].assign(frame, frame + length);
    }
    PhotoDeleteCodec(enc);
    std::vector<unsigned char> small(20 + 4 * 3000, 0);
    const unsigned char header[] = {0, 1, 0, 0, 160, 0, 120, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0};
    std::memcpy(small.data(), header, sizeof header);
    primers[1][0] = small;
    small[12] = 1;
    for (int f = 1; f < kHistoryFrames; ++f) primers[1][f] = small;
    fresh = PhotoCreateCodec();
    for (int i = 0; i < 2; ++i)
        if (!(primed[i] = prime(primers[i]))) stop("a primer did not decode");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const unsigned mode = data[0] % 3u;
    const uint8_t *frame = data + 1;
    const size_t length = std::min(size - 1, kLongestFrame);
    if (mode == 0) {
        decode(fresh, frame, length);
        // A refused first frame leaves the decoder waiting, as new.
        if (opened_stream(fresh)) {
            PhotoDeleteCodec(fresh);
            fresh = PhotoCreateCodec();
        }
        return 0;
    }
    decode(primed[mode - 1], frame, length);
    return 0;
}
