// libFuzzer target for the GIF reader alone: any byte string is read into a
// memory image and a size-only image, or refused cleanly.  What is read
// must be readable in full, and a decoded picture must write back.
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
        unsigned char *bytes = copy.data();
        int length = static_cast<int>(copy.size());
        AuxIO *stream = AuxIO_Init("string", &bytes, &length, 0, 0, 0);
        Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
        Photo *read = ReadGIF(stream, image, nullptr);
        AuxIO_Close(stream);
        if (read && renderer == TAV_RENDER_MEMORY && read->width > 0 && read->height > 0) {
            std::vector<unsigned char> px(static_cast<size_t>(read->width) * 4);
            for (int y = 0; y < read->height; ++y) PhotoGetRGBA(read, px.data(), 0, y, read->width, 1);
            if (static_cast<long long>(read->width) * read->height <= 4096 * 64) {
                unsigned char *out = nullptr;
                AuxIO *sink = AuxIO_Init("string", &out, nullptr, 0, 0, 0);
                WriteGIF(sink, read, "");
                AuxIO_Close(sink);
                TavFree(out);
            }
        }
        PhotoDelete(image);  // the reader re-creates the caller's image in place
    }
    return 0;
}
