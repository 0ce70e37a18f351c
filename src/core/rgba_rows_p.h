// Reading an image a row at a time as packed RGBA, for loops that only
// read: the rows themselves when a memory image keeps them as RGBA in one
// buffer, else a copy converted by PhotoGetRGBA.
#pragma once

#include "core/memory_p.h"
#include "core/render_memory_p.h"
#include "tavrel.h"

#include <cstddef>

namespace tav {

class RgbaRows {
public:
    explicit RgbaRows(Photo *image) : image_(image) {
        if (image->mode == TAV_MODE_RGBA && readable_rows(image, &rows_)) return;
        rows_.base = nullptr;
        size_t row_bytes = 0;
        if (image->width > 0 && checked_mul(static_cast<size_t>(image->width), 4, &row_bytes))
            copy_ = attempt_bytes(row_bytes);
    }
    // False when the copy could not be had.
    explicit operator bool() const { return rows_.base || copy_; }
    // Row y, width * 4 bytes, good until the next call.
    const unsigned char *row(int y) {
        if (rows_.base) return rows_.base + static_cast<ptrdiff_t>(y) * rows_.row_stride;
        PhotoGetRGBA(image_, copy_.get(), 0, y, image_->width, 1);
        return copy_.get();
    }

private:
    Photo *image_;
    DirectRows rows_{};
    Bytes copy_;
};

}  // namespace tav
