// The memory renderer's private record, shared with the pixel fast paths.
#pragma once

#include "tavrel.h"

#include <cstddef>
#include <cstdint>

namespace tav {

enum : uint32_t { kOwnsBuffer = 1u << 0, kInterleaved = 1u << 1 };

struct TavMemoryRenderData {
    unsigned char *buffer;
    size_t buffer_bytes;  // of an own buffer, whose rows may be a view into it
    uint32_t flags;
    unsigned char *plane[4];
    int32_t pixel_stride[4];
    int32_t row_stride[4];
};

// Where the rows of an image lie when the pixel fast paths may write them
// in place: a memory image over its own interleaved buffer, whose renderer
// slots are the memory renderer's own.  Pixel (x, y) starts at
// base + y * row_stride + x * channels.
struct DirectRows {
    unsigned char *base;
    ptrdiff_t row_stride;
};

bool direct_rows(const Photo *image, DirectRows *rows);

// Where the rows lie when a fast path only reads them: any memory image
// whose pixels are interleaved in one buffer, its own or a caller's.
bool readable_rows(const Photo *image, DirectRows *rows);

// Hands a memory image over its own buffer new pixels of its own format:
// `fresh` (from attempt_zeroed_pixels, width x height, rows packed) becomes
// its buffer and the old one is freed, so an operation that builds the
// whole picture anew (a quarter turn) writes it once.  False, and `fresh`
// still the caller's, when the image has no such buffer.
bool adopt_pixels(Photo *image, unsigned char *fresh, int width, int height);

// Keeps only the rectangle (x, y, width, height), which must lie inside a
// memory image over its own buffer, without a new block: while the
// rectangle is a large part of the buffer it becomes a view into it (rows a
// stride apart, nothing moved); a small part slides to the front and the
// buffer gives the rest back.  False when the image has no such buffer.
bool keep_rect(Photo *image, int x, int y, int width, int height);

}  // namespace tav
