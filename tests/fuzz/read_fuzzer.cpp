// libFuzzer target: any byte string handed to the generic reader, as
// `tavrel load -data` would, must be read or refused cleanly.  The format
// registry probes every reader, so one target covers them all.
#include "fuzz_support.h"

namespace {

FormatDb **formats = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    if (fuzzing::initialize(argv) != 0) return 1;
    formats = TavImageInit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 24)) return 0;
    std::vector<unsigned char> copy(data, data + size);
    for (int renderer : {TAV_RENDER_MEMORY, TAV_RENDER_NULL}) {
        Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
        Photo *read = TavReadString(formats, image, copy.data(), static_cast<int>(copy.size()), nullptr, nullptr);
        if (read && renderer == TAV_RENDER_MEMORY) fuzzing::read_back(read);
        PhotoDelete(image);
    }
    return 0;
}
