// libFuzzer target: any byte string handed to a webcam decoder, as
// `tavcodec decode` would, must decode or be refused without reading past
// it.  The first byte picks the decoder and the rest is the frame:
//   0  a fresh decoder (the frame opens a stream),
//   1  a 320 x 240 decoder that has decoded a key frame and a P-frame,
//   2  a 160 x 120 decoder in the same state,
// so that skips and back-references meet real history, and every input
// costs one decode.  Frames longer than the longest frame are cut to it.
//
// The decoders are kept from one input to the next.  A refused frame
// leaves no trace a later frame can see (it never joins the history, and
// the header's quality is read afresh with every frame), so a primed
// decoder is primed again only after a frame decoded, and the fresh one is
// replaced only once a frame opened its stream: each input meets exactly
// the state its first byte names, and a finding replays alone.
#include <tcl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tavrel.h"

namespace {

constexpr size_t kLongestFrame = 105472;

struct Primers {
    std::vector<unsigned char> key, inter;
};
Primers primers[2];  // 320 x 240, 160 x 120

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

PhotoCodec *prime(const Primers &frames) {
    PhotoCodec *codec = PhotoCreateCodec();
    decode(codec, frames.key.data(), frames.key.size());
    decode(codec, frames.inter.data(), frames.inter.size());
    return codec;
}

bool opened_stream(PhotoCodec *codec) { return PhotoCodecGetSize(codec, nullptr, nullptr) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    Tcl_FindExecutable((*argv)[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tavrel_Init(interp) != TCL_OK) return 1;
    // 320 x 240 primers come from our encoder (the codec layer encodes only
    // that size); the 160 x 120 ones are a hand-made key frame whose
    // bitstream is all zeros, and a P-frame like it.
    PhotoCodec *enc = PhotoCreateCodec();
    for (int f = 0; f < 2; ++f) {
        int length = 0;
        std::vector<unsigned char> rgb = picture(f);
        const unsigned char *frame = PhotoCodecEncode(enc, rgb.data(), static_cast<int>(rgb.size()), &length);
        (f == 0 ? primers[0].key : primers[0].inter).assign(frame, frame + length);
    }
    PhotoDeleteCodec(enc);
    primers[1].key.assign(20 + 4 * 3000, 0);
    const unsigned char header[] = {0, 1, 0, 0, 160, 0, 120, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0};
    std::memcpy(primers[1].key.data(), header, sizeof header);
    primers[1].inter = primers[1].key;
    primers[1].inter[12] = 1;
    fresh = PhotoCreateCodec();
    for (int i = 0; i < 2; ++i) primed[i] = prime(primers[i]);
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
    PhotoCodec *&codec = primed[mode - 1];
    if (decode(codec, frame, length)) {
        PhotoDeleteCodec(codec);
        codec = prime(primers[mode - 1]);
    }
    return 0;
}
