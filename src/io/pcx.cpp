// PCX: reading 8 bits per plane, one plane (indexed, with the version-5
// trailer palette) or three and four planes (truecolour from the first
// three); 1, 2 or 4 bits in one plane and 1 bit in two to four planes
// (indexed, colours from the header's 16-entry palette); RLE or plain.
// Writing one 8-bit plane, RLE, with the trailer palette.  All 16-bit
// numbers are little-endian.
//
// Truecolour images are written through a 256-colour median-cut palette,
// grey ones through the grey ramp (both with error diffusion).
//
// One-bit single-plane files whose header palette gives both indices the
// same colour (old writers leave it zero) read as black and white.
//
// Bound: a scan line of L bytes needs at least ceil(L / 63) bytes of RLE
// data (one run packet per 63 bytes), so a file is refused before the image
// is made when the stream cannot hold that much for every line.
#include "io/exact_palette_p.h"
#include "io/format_helpers_p.h"
#include "io/image_rows_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"

#include "core/memory_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kHeaderBytes = 128;
constexpr int kTrailerBytes = 769;
constexpr int kTrailerMark = 12;
constexpr int kLongestRun = 63;

struct PcxHeader : tav::PictureHeader {
    int version = 0;
    bool rle = false;
    int planes = 0;
    int bytes_per_line = 0;
    int bits = 8;                    // per pixel and plane
    unsigned char palette[48] = {};  // the header's 16 colours, R, G, B
};

bool low_bit(const PcxHeader &header) { return header.bits < 8; }

bool read_pcx_header(AuxIO *stream, PcxHeader *header) {
    unsigned char head[kHeaderBytes];
    if (!tav::read_exactly(stream, head, sizeof head)) return false;
    const int version = head[1];
    if (head[0] != 10 || (version != 0 && version != 2 && version != 3 && version != 5) || head[2] > 1) return false;
    const int bits = head[3];
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return false;
    const int xmin = static_cast<int>(tav::le16(head + 4)), ymin = static_cast<int>(tav::le16(head + 6));
    const int xmax = static_cast<int>(tav::le16(head + 8)), ymax = static_cast<int>(tav::le16(head + 10));
    // A one-pixel-wide or -tall picture has xmax == xmin: it is a picture
    // like any other (our own writer makes such files).
    if (xmax < xmin || ymax < ymin) return false;
    const int planes = head[65];
    if (bits == 8 ? planes != 1 && planes != 3 && planes != 4 : planes < 1 || planes > 4 || (bits > 1 && planes > 1))
        return false;
    header->version = version;
    header->rle = head[2] == 1;
    header->width = xmax - xmin + 1;
    header->height = ymax - ymin + 1;
    header->planes = planes;
    header->bytes_per_line = static_cast<int>(tav::le16(head + 66));
    header->bits = bits;
    std::memcpy(header->palette, head + 16, sizeof header->palette);
    // A row never gives more pixels than it holds bits.  Lines of an odd
    // byte count are common in files from other writers and read the same.
    if (static_cast<long long>(header->bytes_per_line) * 8 < static_cast<long long>(header->width) * bits)
        return false;
    header->mode = planes == 1 || low_bit(*header) ? TAV_MODE_INDEXED : TAV_MODE_RGBA;
    // Every line is there, run-length coded at best in runs of 63 bytes.
    const unsigned long long line = static_cast<unsigned long long>(planes) * header->bytes_per_line;
    const unsigned long long per_line = header->rle ? (line + kLongestRun - 1) / kLongestRun : line;
    header->needs_bytes = per_line * header->height;
    return true;
}

// The stream read ahead in blocks: scan lines are decoded a byte at a
// time, and the trailer is found by seeking afterwards, so reading past
// the last line costs nothing.
class ByteSource {
public:
    static constexpr int kBlock = 65536;
    explicit ByteSource(AuxIO *stream) : stream_(stream), buffer_(tav::attempt_bytes(kBlock)) {}
    explicit operator bool() const { return buffer_ != nullptr; }
    int next() {
        if (at_ == end_ && !refill()) return -1;
        return buffer_[at_++];
    }
    bool copy(unsigned char *out, int n) {
        while (n > 0) {
            if (at_ == end_ && !refill()) return false;
            const int step = std::min(n, end_ - at_);
            std::memcpy(out, buffer_.get() + at_, static_cast<size_t>(step));
            at_ += step;
            out += step;
            n -= step;
        }
        return true;
    }

private:
    bool refill() {
        const int got = AuxIO_Read(stream_, buffer_.get(), kBlock);
        at_ = 0;
        end_ = got > 0 ? got : 0;
        return end_ > 0;
    }
    AuxIO *stream_;
    tav::Bytes buffer_;
    int at_ = 0;
    int end_ = 0;
};

// Fills one scan line; runs never cross lines.
bool read_line(ByteSource &source, bool rle, unsigned char *line, int length) {
    if (!rle) return source.copy(line, length);
    for (int at = 0; at < length;) {
        const int c = source.next();
        if (c < 0) return false;
        if (c < 0xC0) {
            line[at++] = static_cast<unsigned char>(c);
            continue;
        }
        const int count = c & 0x3F;
        const int value = source.next();
        if (value < 0 || count > length - at) return false;
        std::memset(line + at, value, static_cast<size_t>(count));
        at += count;
    }
    return true;
}

bool read_trailer_palette(AuxIO *stream, TavColormap *colormap) {
    if (AuxIO_Seek(stream, -kTrailerBytes, 2) < 0) return false;
    if (tav::next_byte(stream) != kTrailerMark) return true;
    unsigned char rgb[3];
    for (int index = 0; index < 256 && tav::read_exactly(stream, rgb, 3); ++index)
        TavSetColormap(colormap, index, rgb[0], rgb[1], rgb[2]);
    return true;
}

// The colours of a low-bit file: the header palette, or black and white.
void set_header_palette(const PcxHeader &header, TavColormap *colormap) {
    const int colours = 1 << (header.bits * header.planes);
    TavResizeColormap(colormap, colours);
    const unsigned char *p = header.palette;
    const bool black_and_white = colours == 2 && std::memcmp(p, p + 3, 3) == 0;
    for (int i = 0; i < colours; ++i) {
        if (black_and_white) TavSetColormap(colormap, i, 255 * i, 255 * i, 255 * i);
        else TavSetColormap(colormap, i, p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    }
}

// Palette indices of a low-bit line: packed pixels of one plane (most
// significant first), or one bit from each plane, plane 0 the lowest.
void unpack_line(const PcxHeader &header, const unsigned char *line, unsigned char *indices) {
    const int width = header.width, bits = header.bits, bpl = header.bytes_per_line;
    if (header.planes == 1) {
        tav::unpack_bits(line, bits, indices, static_cast<size_t>(width));
        return;
    }
    std::memset(indices, 0, static_cast<size_t>(width));
    for (int plane = 0; plane < header.planes; ++plane, line += bpl)
        for (int x = 0; x < width; ++x)
            indices[x] |= static_cast<unsigned char>(((line[x >> 3] >> (7 - (x & 7))) & 1) << plane);
}

bool decode_pcx(AuxIO *stream, const PcxHeader &header, const tav::DecodeTarget &target) {
    Photo *image = target.image;
    const int line_bytes = header.planes * header.bytes_per_line;
    tav::Bytes line = tav::attempt_bytes(static_cast<size_t>(line_bytes));
    if (!line) return false;
    std::memset(line.get(), 0, static_cast<size_t>(line_bytes));
    if (low_bit(header)) set_header_palette(header, PhotoColormap(image));
    else if (header.planes == 1) TavResizeColormap(PhotoColormap(image), 256);
    // Colour rows as RGBA, or the indices of a low-bit row.
    tav::Bytes rgba =
        tav::attempt_bytes(header.planes == 1 && !low_bit(header) ? 1 : static_cast<size_t>(header.width) * 4);
    if (!rgba) return false;
    ByteSource source(stream);
    if (!source) return false;
    const unsigned char *p = line.get();
    const int bpl = header.bytes_per_line;
    for (int y = 0; y < header.height; ++y) {
        if (!read_line(source, header.rle, line.get(), line_bytes)) return false;
        if (low_bit(header)) {
            unpack_line(header, p, rgba.get());
            PhotoPutIndex(image, rgba.get(), 0, y, header.width, 1);
            continue;
        }
        if (header.planes == 1) {
            PhotoPutIndex(image, p, 0, y, header.width, 1);
            continue;
        }
        // The first three planes are joined into opaque RGBA, the layout the image stores as it is.
        const unsigned char *planes[4] = {p, p + bpl, p + 2 * bpl, nullptr};
        tav::planes_to_rgba(planes, rgba.get(), static_cast<size_t>(header.width));
        PhotoPutRGBA(image, rgba.get(), 0, y, header.width, 1, TAV_COMPOSE_REPLACE);
    }
    if (header.version == 5 && header.planes == 1 && !low_bit(header) &&
        !read_trailer_palette(stream, PhotoColormap(image)))
        return false;
    return true;
}

// ---- writing ------------------------------------------------------------------

// The bytes at the start of `in` that stand for themselves: each below
// 0xC0 and unlike the one after it, at most 8, found 8 at a time.  Needs 9
// readable bytes.
inline int lone_bytes(const unsigned char *in) {
    if constexpr (std::endian::native != std::endian::little) return 0;
    uint64_t a, b;
    std::memcpy(&a, in, 8);
    std::memcpy(&b, in + 1, 8);
    constexpr uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    const uint64_t same = a ^ b;
    // The lowest set bit marks the first byte equal to its successor, or
    // with both top bits set; bits above it may be false alarms.
    const uint64_t stop = ((same - kLow) & ~same & kHigh) | (a & a << 1 & kHigh);
    return stop ? std::countr_zero(stop) / 8 : 8;
}

// Runs of equal bytes, never across rows: a lone byte below 0xC0 stands
// for itself, anything else takes a count byte (at most 63) and the value.
// Lone bytes go through 8 at a time, as grainy pictures are mostly made of.
size_t encode_row(const unsigned char *in, int n, unsigned char *out) {
    unsigned char *const start = out;
    for (int x = 0; x < n;) {
        if (x + 9 <= n) {
            const int lone = lone_bytes(in + x);
            std::memcpy(out, in + x, 8);  // the output has room: at most 2 bytes an input byte
            out += lone;
            x += lone;
            if (lone == 8) continue;
        }
        const unsigned char v = in[x];
        int run = 1;
        while (x + run < n && in[x + run] == v) ++run;
        x += run;
        for (; run >= 64; run -= 63) {
            *out++ = 0xFF;
            *out++ = v;
        }
        if (run == 1 && v < 0xC0) {
            *out++ = v;
        } else if (run > 0) {
            *out++ = static_cast<unsigned char>(0xC0 | run);
            *out++ = v;
        }
    }
    return static_cast<size_t>(out - start);
}

int write_pcx(AuxIO *stream, Photo *image) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return 1;
    tav::QuantizedPhoto quantized;
    Photo *source = image;
    if (PhotoIsGrayscale(image)) {
        source = quantized.image = tav::quantize_onto(image, PhotoPaletteGray());
    } else if (!PhotoIsIndexed(image)) {
        // Truecolour, and grey with alpha (whose alpha PCX cannot keep):
        // exactly its colours when they fit, else median cut.
        source = quantized.image = tav::index_exactly(image, 256, false);
        if (!source) source = quantized.image = tav::quantize_onto(image, PhotoAdaptative(image, 256));
    }
    if (!source) return 1;

    const int bytes_per_line = (width + 1) & ~1;
    unsigned char head[kHeaderBytes] = {10, 5, 1, 8};
    tav::put_le16(head + 8, static_cast<uint32_t>(width - 1));
    tav::put_le16(head + 10, static_cast<uint32_t>(height - 1));
    tav::put_le16(head + 12, 72);
    tav::put_le16(head + 14, 72);
    head[65] = 1;
    tav::put_le16(head + 66, static_cast<uint32_t>(bytes_per_line));
    tav::put_le16(head + 68, 1);
    if (!tav::write_all(stream, head, sizeof head)) return 1;

    tav::Bytes indices = tav::attempt_bytes(static_cast<size_t>(width));
    tav::Bytes encoded = tav::attempt_bytes(2 * static_cast<size_t>(width) + 1);
    if (!indices || !encoded) return 1;
    tav::ImageRows rows;
    const bool in_place = tav::rows_to_read(source, &rows);
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = in_place ? rows.row(y) : indices.get();
        if (!in_place) PhotoGetIndex(source, indices.get(), 0, y, width, 1);
        size_t n = encode_row(row, width, encoded.get());
        if (width & 1) encoded[n++] = 0;  // the pad byte that makes the line even
        if (!tav::write_all(stream, encoded.get(), n)) return 1;
    }

    unsigned char trailer[kTrailerBytes] = {kTrailerMark};
    TavColormap *colormap = PhotoColormap(source);
    const int entries = colormap ? std::min(TavColormapSize(colormap), 256) : 0;
    for (int i = 0; i < entries; ++i) {
        int r, g, b;
        TavGetColormap(colormap, i, &r, &g, &b);
        trailer[1 + 3 * i] = static_cast<unsigned char>(r);
        trailer[2 + 3 * i] = static_cast<unsigned char>(g);
        trailer[3 + 3 * i] = static_cast<unsigned char>(b);
    }
    return tav::write_all(stream, trailer, sizeof trailer) ? 0 : 1;
}

}  // namespace

extern "C" {

Photo *ReadPCX(AuxIO *stream, Photo *image, const char *) {
    return tav::read_declared<PcxHeader>(stream, image, read_pcx_header, decode_pcx);
}

int WritePCX(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return 1;
    return write_pcx(stream, image);
}

}  // extern "C"
