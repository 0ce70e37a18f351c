// libFuzzer target: any byte string handed to the generic reader, as
// `tavrel load -data` would, must be read or refused cleanly.  The format
// registry probes every reader, so one target covers them all.
#include <tcl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tavrel.h"

namespace {

FormatDb **formats = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    Tcl_FindExecutable((*argv)[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tavrel_Init(interp) != TCL_OK) return 1;
    formats = TavImageInit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 24)) return 0;
    std::vector<unsigned char> copy(data, data + size);
    for (int renderer : {TAV_RENDER_MEMORY, TAV_RENDER_NULL}) {
        Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
        Photo *read = TavReadString(formats, image, copy.data(), static_cast<int>(copy.size()), nullptr, nullptr);
        if (read && renderer == TAV_RENDER_MEMORY && read->width > 0 && read->height > 0) {
            // Whatever was read must be readable back in full.
            std::vector<unsigned char> px(static_cast<size_t>(read->width) * 4);
            for (int y = 0; y < read->height; ++y) PhotoGetRGBA(read, px.data(), 0, y, read->width, 1);
        }
        PhotoDelete(image);  // readers re-create the caller's image in place

    }
    return 0;
}
