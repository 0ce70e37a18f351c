// Small helpers shared by the raster readers and writers (BMP, PCX, SGI,
// WBMP, and the byte-order access of the others): byte-order access to
// header fields, skipping bytes, the bytes-left bound, writing, and
// quantising for the indexed writers.
#pragma once

#include "io/auxio_p.h"
#include "io/image_rows_p.h"
#include "tavrel.h"

#include <cstddef>
#include <cstdint>

namespace tav {

inline uint32_t le16(const unsigned char *p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }
inline uint32_t le32(const unsigned char *p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline uint32_t be16(const unsigned char *p) { return (uint32_t{p[0]} << 8) | p[1]; }
inline uint32_t be32(const unsigned char *p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline unsigned char *put_le16(unsigned char *p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    return p + 2;
}
inline unsigned char *put_le32(unsigned char *p, uint32_t v) {
    put_le16(p, v);
    return put_le16(p + 2, v >> 16);
}
inline unsigned char *put_be16(unsigned char *p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
    return p + 2;
}
inline unsigned char *put_be32(unsigned char *p, uint32_t v) {
    put_be16(p, v >> 16);
    return put_be16(p + 2, v);
}

// Reads and drops n bytes; false when the stream ends first.
bool skip_bytes(AuxIO *stream, size_t n);

// Whether the rest of the stream may hold `need` bytes: true when it has
// them or cannot tell its length.
bool may_hold(AuxIO *stream, unsigned long long need);

// Writes n bytes; false on a short or failed write.
inline bool write_all(AuxIO *stream, const unsigned char *bytes, size_t n) {
    return n <= 0x7fffffff && AuxIO_Write(stream, bytes, static_cast<int>(n)) == static_cast<int>(n);
}

// Owner of the indexed image a writer makes from a truecolour or grey one.
struct QuantizedPhoto {
    Photo *image = nullptr;
    QuantizedPhoto() = default;
    QuantizedPhoto(const QuantizedPhoto &) = delete;
    QuantizedPhoto &operator=(const QuantizedPhoto &) = delete;
    ~QuantizedPhoto() { PhotoDelete(image); }
};

// Maps the image onto `colormap`, which the new image takes over (it is
// released here when quantising fails, as is a null colormap's absence).
Photo *quantize_onto(Photo *image, TavColormap *colormap);

}  // namespace tav
