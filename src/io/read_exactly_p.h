// Whole-buffer reads for the readers that need a fixed number of bytes.
#pragma once

#include "tavrel.h"

#include <climits>
#include <cstddef>

namespace tav {

// Reads exactly n bytes, going on after short reads (a channel over a pipe
// delivers what it has).  False when the stream ends first.
inline bool read_exactly(AuxIO *stream, unsigned char *buffer, size_t n) {
    while (n > 0) {
        const int want = n > INT_MAX ? INT_MAX : static_cast<int>(n);
        const int got = AuxIO_Read(stream, buffer, want);
        if (got <= 0) return false;
        buffer += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace tav
