// Wireless bitmaps (type 0: one bit per pixel, rows padded to whole bytes):
// read as a two-entry indexed image, index 0 black and 1 white; written from
// indices, a bit set for every non-zero index.
//
// The format has no signature beyond its zero type field, so the header
// rules are all that keep other data out; the raster must then be in the
// stream in full before the image is made.
#include "io/format_helpers_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"

#include "core/memory_p.h"
#include "core/rows_p.h"

#include <climits>
#include <cstring>

namespace {

struct WbmpHeader : tav::PictureHeader {};

// Multi-byte integer: 7-bit groups, most significant first, bit 7 set on
// every byte but the last.  The end of the stream ends the number; a value
// beyond int is refused.
bool read_multibyte(AuxIO *stream, long long *value) {
    long long v = 0;
    for (;;) {
        const int c = tav::next_byte(stream);
        if (c < 0) break;
        v = (v << 7) | (c & 0x7F);
        if (v > INT_MAX) return false;
        if (!(c & 0x80)) break;
    }
    *value = v;
    return true;
}

// Extension headers after the fixed header byte; the end of the stream
// ends any skipping.
void skip_extensions(AuxIO *stream, int fixed) {
    if (!(fixed & 0x80)) return;
    switch ((fixed >> 5) & 3) {
    case 0: {
        int c;
        do c = tav::next_byte(stream);
        while (c >= 0 && (c & 0x80));
        break;
    }
    case 3: {
        int b;
        do {
            b = tav::next_byte(stream);
            if (b < 0) return;
            const int n = ((b >> 4) & 7) + (b & 0x0F);
            for (int i = 0; i < n; ++i)
                if (tav::next_byte(stream) < 0) return;
        } while (b & 0x80);
        break;
    }
    default:
        break;
    }
}

size_t row_bytes(int width) { return (static_cast<size_t>(width) + 7) / 8; }

bool read_wbmp_header(AuxIO *stream, WbmpHeader *header) {
    long long type = 0, width = 0, height = 0;
    if (!read_multibyte(stream, &type) || type != 0) return false;
    const int fixed = tav::next_byte(stream);
    if (fixed < 0) return false;
    skip_extensions(stream, fixed);
    if (!read_multibyte(stream, &width) || !read_multibyte(stream, &height) || width <= 0 || height <= 0)
        return false;
    header->width = static_cast<int>(width);
    header->height = static_cast<int>(height);
    header->mode = TAV_MODE_INDEXED;
    // Rows of one bit a pixel, uncompressed: all of them must be there.
    header->needs_bytes = static_cast<unsigned long long>(row_bytes(header->width)) * header->height;
    return true;
}

bool decode_wbmp(AuxIO *stream, const WbmpHeader &header, const tav::DecodeTarget &target) {
    Photo *image = target.image;
    const size_t packed_bytes = row_bytes(header.width);
    tav::Bytes packed = tav::attempt_bytes(packed_bytes);
    tav::Bytes indices = tav::attempt_bytes(static_cast<size_t>(header.width));
    if (!packed || !indices) return false;
    TavColormap *colormap = PhotoColormap(image);
    TavResizeColormap(colormap, 2);
    TavSetColormap(colormap, 0, 0, 0, 0);
    TavSetColormap(colormap, 1, 255, 255, 255);
    for (int y = 0; y < header.height; ++y) {
        if (!tav::read_exactly(stream, packed.get(), packed_bytes)) return false;
        tav::unpack_bits(packed.get(), 1, indices.get(), static_cast<size_t>(header.width));
        PhotoPutIndex(image, indices.get(), 0, y, header.width, 1);
    }
    return true;
}

// Groups of 7 bits, most significant first, bit 7 set on all but the last.
unsigned char *put_multibyte(unsigned char *out, uint32_t value) {
    int groups = 0;
    for (uint32_t v = value; v >= 128; v >>= 7) ++groups;
    for (int g = groups; g > 0; --g) *out++ = static_cast<unsigned char>(0x80 | ((value >> (7 * g)) & 0x7F));
    *out++ = static_cast<unsigned char>(value & 0x7F);
    return out;
}

int write_wbmp(AuxIO *stream, Photo *image) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0) return 1;
    tav::QuantizedPhoto quantized;
    Photo *source = image;
    if (!PhotoIsIndexed(image) || !PhotoColormap(image) || TavColormapSize(PhotoColormap(image)) > 2)
        source = quantized.image = tav::quantize_onto(image, PhotoPaletteBW());
    if (!source) return 1;

    unsigned char head[12] = {0, 0};
    unsigned char *end = put_multibyte(put_multibyte(head + 2, static_cast<uint32_t>(width)),
                                       static_cast<uint32_t>(height));
    if (!tav::write_all(stream, head, static_cast<size_t>(end - head))) return 1;
    const size_t packed_bytes = row_bytes(width);
    tav::Bytes indices = tav::attempt_bytes(static_cast<size_t>(width));
    tav::Bytes packed = tav::attempt_bytes(packed_bytes);
    if (!indices || !packed) return 1;
    for (int y = 0; y < height; ++y) {
        PhotoGetIndex(source, indices.get(), 0, y, width, 1);
        std::memset(packed.get(), 0, packed_bytes);
        for (int x = 0; x < width; ++x)
            if (indices[x]) packed[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
        if (!tav::write_all(stream, packed.get(), packed_bytes)) return 1;
    }
    return 0;
}

}  // namespace

extern "C" {

Photo *ReadWBMP(AuxIO *stream, Photo *image, const char *) {
    return tav::read_declared<WbmpHeader>(stream, image, read_wbmp_header, decode_wbmp);
}

int WriteWBMP(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return 1;
    return write_wbmp(stream, image);
}

}  // extern "C"
