// What readers and writers share about the image they fill or save: making
// it without blanking pixels that are all written next, and reaching its
// rows directly when it keeps them in one interleaved buffer.
#pragma once

#include "core/render_memory_p.h"
#include "tavrel.h"

#include <cstddef>

namespace tav {

// Re-creates the image in `mode` and gives it width x height pixels left
// undefined: for readers that write every pixel right after.  False when
// the image cannot take the size.
inline bool recreate_unblanked(Photo *image, int width, int height, int mode) {
    return PhotoRecreate(image, 0, 0, mode) && PhotoExpand(image, width, height) == 0 &&
           PhotoWidth(image) == width && PhotoHeight(image) == height;
}

// The image's rows in memory: row y starts at base + y * stride and holds
// width * channels bytes in the image's own pixel format.
struct ImageRows {
    unsigned char *base = nullptr;
    ptrdiff_t stride = 0;
    unsigned char *row(int y) const { return base + static_cast<ptrdiff_t>(y) * stride; }
};

// Rows a writer may read straight from memory: a memory image in one
// interleaved buffer, its own or a caller's.
inline bool rows_to_read(Photo *image, ImageRows *rows) {
    DirectRows found{};
    if (!image || !readable_rows(image, &found)) return false;
    rows->base = found.base;
    rows->stride = found.row_stride;
    return true;
}

// Rows a reader may decode into: rows the pixel fast paths may write in
// place (an own buffer: caller planes may be read-only views) and no clip
// region, so that every byte stored is the decoded pixel itself, exactly
// as the pixel functions would store it.
inline bool rows_to_write(Photo *image, ImageRows *rows) {
    DirectRows found{};
    if (!image || image->region || !direct_rows(image, &found)) return false;
    rows->base = found.base;
    rows->stride = found.row_stride;
    return true;
}

}  // namespace tav
