// libFuzzer target: any byte string handed to a webcam decoder, as
// `tavcodec decode` would, must decode or be refused without reading past
// it.  Each input is tried twice on a fresh decoder (as a first frame), and
// twice on decoders of either size that have already decoded a key frame
// and a P-frame, so that skips and back-references meet real history.
// Inputs longer than the longest frame are cut to it.
//
// The primed decoders are kept from one input to the next and primed again
// only after an input decoded: a refused frame leaves no trace a later
// frame can see (it never joins the history, and the header's quality is
// read afresh with every frame), so each input meets exactly the state of
// a newly primed decoder, at a fraction of the cost.
#include <tcl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tavrel.h"

namespace {

constexpr size_t kLongestFrame = 105472;
std::vector<unsigned char> primers[2][2];  // [size][key, P-frame]

std::vector<unsigned char> picture(int t) {
    std::vector<unsigned char> rgb(TAV_CODEC_FRAME_BYTES);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>((i / 3 % 320) + (i / 960) * 2 + t * 5);
    return rgb;
}

PhotoCodec *primed[2];


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

PhotoCodec *prime(const std::vector<unsigned char> (&frames)[2]) {
    PhotoCodec *codec = PhotoCreateCodec();
    for (const auto &frame : frames) decode(codec, frame.data(), frame.size());
    return codec;
}

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
        primers[0][f].assign(frame, frame + length);
    }
    PhotoDeleteCodec(enc);
    primers[1][0].assign(20 + 4 * 3000, 0);
    const unsigned char header[] = {0, 1, 0, 0, 160, 0, 120, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0};
    std::memcpy(primers[1][0].data(), header, sizeof header);
    primers[1][1] = primers[1][0];
    primers[1][1][12] = 1;
    for (int i = 0; i < 2; ++i) primed[i] = prime(primers[i]);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > kLongestFrame) size = kLongestFrame;
    PhotoCodec *fresh = PhotoCreateCodec();
    decode(fresh, data, size);
    decode(fresh, data, size);
    PhotoDeleteCodec(fresh);
    // One decoder of each size, past a key frame and a P-frame.
    for (int i = 0; i < 2; ++i) {
        const bool first = decode(primed[i], data, size);
        if (decode(primed[i], data, size) || first) {
            PhotoDeleteCodec(primed[i]);
            primed[i] = prime(primers[i]);
        }
    }
    return 0;
}
