// The memory renderer's private record, shared with the pixel fast paths.
#pragma once

#include "tavrel.h"

#include <cstdint>

namespace tav {

enum : uint32_t { kOwnsBuffer = 1u << 0, kInterleaved = 1u << 1 };

struct TavMemoryRenderData {
    unsigned char *buffer;
    uint32_t flags;
    unsigned char *plane[4];
    int32_t pixel_stride[4];
    int32_t row_stride[4];
};

}  // namespace tav
