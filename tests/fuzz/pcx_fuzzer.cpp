// libFuzzer target for the PCX reader alone: any bytes must be read or
// refused cleanly, through both the full read and the size-only path, and
// whatever was read must be readable back in full.
#include <tcl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tavrel.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) {
    Tcl_FindExecutable((*argv)[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    return Tavrel_Init(interp) == TCL_OK ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    std::vector<unsigned char> copy(data, data + size);
    for (int renderer : {TAV_RENDER_MEMORY, TAV_RENDER_NULL}) {
        Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
        unsigned char *bytes = copy.data();
        int length = static_cast<int>(copy.size());
        AuxIO *stream = AuxIO_Init("string", &bytes, &length, 0, 0, 0);
        Photo *read = ReadPCX(stream, image, nullptr);
        AuxIO_Close(stream);
        if (read && renderer == TAV_RENDER_MEMORY && read->width > 0 && read->height > 0) {
            std::vector<unsigned char> px(static_cast<size_t>(read->width) * 4);
            for (int y = 0; y < read->height; ++y) PhotoGetRGBA(read, px.data(), 0, y, read->width, 1);
        }
        PhotoDelete(image);
    }
    return 0;
}
