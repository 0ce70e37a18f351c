// Private memory helpers: the attempt-allocator for sizes that come from
// outside (files, scripts) and an RAII owner for blocks taken from TavAlloc.
#pragma once

#include "tavrel.h"

#include <cstddef>
#include <memory>

namespace tav {

// Like TavAlloc, but returns nullptr instead of ending the process when the
// size is impossible (above what the Tcl allocator can address) or the
// memory is not there.  Released with TavFree.
void *attempt_alloc(size_t size);

// Resizes a block from TavAlloc/attempt_alloc, keeping its first bytes;
// returns nullptr (the old block untouched) when the size is impossible.
void *attempt_realloc(void *block, size_t size);

// Multiplies sizes without overflow; returns false when the product does not
// fit in a size_t.
inline bool checked_mul(size_t a, size_t b, size_t *out) {
    return !__builtin_mul_overflow(a, b, out);
}

// Pixel buffers: zeroed memory from the system allocator (fresh pages for
// large sizes, so a picture costs resident memory only where it is
// written), released with free_pixels and never handed to callers.
// nullptr when the memory is not there.
void *attempt_zeroed_pixels(size_t size);
// The same without zeroing, for a buffer the caller writes whole before
// anything reads it (zeroing reused memory would cost a pass of its own).
void *attempt_unzeroed_pixels(size_t size);
void free_pixels(void *block);
// Gives back the end of a pixel block that now holds only `size` bytes;
// the block stays where it is (or, if the system moves it, the moved
// block is returned).  Never fails: at worst the block keeps its size.
void *shrink_pixels(void *block, size_t size);

struct TavFreeDeleter {
    void operator()(void *p) const noexcept { TavFree(p); }
};

// Owner of a byte block from TavAlloc / attempt_alloc.
using Bytes = std::unique_ptr<unsigned char[], TavFreeDeleter>;

inline Bytes alloc_bytes(size_t size) {
    return Bytes(static_cast<unsigned char *>(TavAlloc(static_cast<unsigned int>(size ? size : 1))));
}

inline Bytes attempt_bytes(size_t size) {
    return Bytes(static_cast<unsigned char *>(attempt_alloc(size ? size : 1)));
}

// Scratch space for one call: small requests (single pixels, short runs,
// the common case when drawing) live on the stack, larger ones come from
// the attempt-allocator.  data() is null when a large request failed.
class Scratch {
public:
    explicit Scratch(size_t size)
        : heap_(size > sizeof(inline_) ? attempt_bytes(size) : nullptr),
          data_(size > sizeof(inline_) ? heap_.get() : inline_) {}
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    unsigned char *data() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    alignas(16) unsigned char inline_[512];
    Bytes heap_;
    unsigned char *data_;
};

}  // namespace tav
