// Shared by the per-format fuzz targets: one interpreter with the package
// loaded, a lowered pixel ceiling, and the reads every target performs.
#pragma once

#include <tcl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tavrel.h"

namespace fuzzing {

// Pictures up to 2^20 pixels (4 MiB of RGBA) decode: large enough for every
// path of every reader, small enough that a run-length input painting the
// whole picture still runs at thousands of inputs a second.  scripts/fuzz.sh
// sets libFuzzer's malloc limit a little above what such a picture needs,
// so any allocation a small input makes beyond that is a finding.
constexpr long long kFuzzPixelCeiling = 1LL << 20;

inline int initialize(char ***argv) {
    Tcl_FindExecutable((*argv)[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tavrel_Init(interp) != TCL_OK) return 1;
    TavSetPixelCeiling(kFuzzPixelCeiling);
    return 0;
}

// Whatever was read must be readable back: its first, middle and last rows
// in full (the sanitizer sees any row the image does not really hold).
inline void read_back(Photo *image) {
    if (image->width <= 0 || image->height <= 0) return;
    std::vector<unsigned char> row(static_cast<size_t>(image->width) * 4);
    for (int y : {0, image->height / 2, image->height - 1}) PhotoGetRGBA(image, row.data(), 0, y, image->width, 1);
}

// Hands the bytes to one reader, into a memory image and into a null image
// (the size-only path), as the generic reader would.
inline void read_with(FormatReader reader, const uint8_t *data, size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    for (int renderer : {TAV_RENDER_MEMORY, TAV_RENDER_NULL}) {
        unsigned char *bytes = copy.data();
        int length = static_cast<int>(copy.size());
        AuxIO *stream = AuxIO_Init("string", &bytes, &length, 0, 0, 0);
        Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
        if (reader(stream, image, nullptr) && renderer == TAV_RENDER_MEMORY) read_back(image);
        PhotoDelete(image);
        AuxIO_Close(stream);
    }
}

}  // namespace fuzzing
