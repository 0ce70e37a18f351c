// PCX: reading 8 bits per plane, one plane (indexed, with the version-5
// trailer palette) or three and four planes (truecolour from the first
// three), RLE or plain; writing one 8-bit plane, RLE, with the trailer
// palette.  All 16-bit numbers are little-endian.
//
// Truecolour images are written through a 256-colour median-cut palette,
// grey ones through the grey ramp (both with error diffusion).
//
// Packed 1-, 4- and 24-bit layouts are refused: their rows are not one byte
// per pixel and plane, and reading them as such would give wrong pixels.
//
// Bound: a scan line of L bytes needs at least ceil(L / 63) bytes of RLE
// data (one run packet per 63 bytes), so a file is refused before the image
// is made when the stream cannot hold that much for every line.
#include "io/exact_palette_p.h"
#include "io/format_helpers_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_limits_p.h"

#include "core/memory_p.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kHeaderBytes = 128;
constexpr int kTrailerBytes = 769;
constexpr int kTrailerMark = 12;
constexpr int kLongestRun = 63;

struct PcxHeader {
    int version = 0;
    bool rle = false;
    int width = 0;
    int height = 0;
    int planes = 0;
    int bytes_per_line = 0;
};

bool read_pcx_header(AuxIO *stream, PcxHeader *header) {
    unsigned char head[kHeaderBytes];
    if (!tav::read_exactly(stream, head, sizeof head)) return false;
    const int version = head[1];
    if (head[0] != 10 || (version != 0 && version != 2 && version != 3 && version != 5) || head[2] > 1) return false;
    if (head[3] != 8) return false;
    const int xmin = static_cast<int>(tav::le16(head + 4)), ymin = static_cast<int>(tav::le16(head + 6));
    const int xmax = static_cast<int>(tav::le16(head + 8)), ymax = static_cast<int>(tav::le16(head + 10));
    // A one-pixel-wide or -tall picture has xmax == xmin: it is a picture
    // like any other (our own writer makes such files).
    if (xmax < xmin || ymax < ymin) return false;
    const int planes = head[65];
    if (planes != 1 && planes != 3 && planes != 4) return false;
    header->version = version;
    header->rle = head[2] == 1;
    header->width = xmax - xmin + 1;
    header->height = ymax - ymin + 1;
    header->planes = planes;
    header->bytes_per_line = static_cast<int>(tav::le16(head + 66));
    // A row never gives more pixels than it holds bytes.  Lines of an odd
    // byte count are common in files from other writers and read the same.
    return header->bytes_per_line >= header->width;
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

Photo *read_pcx(AuxIO *stream, Photo *image, const PcxHeader &header) {
    const int line_bytes = header.planes * header.bytes_per_line;
    const int mode = header.planes == 1 ? TAV_MODE_INDEXED : TAV_MODE_RGBA;
    tav::Bytes line = tav::attempt_bytes(static_cast<size_t>(line_bytes));
    if (!line || !tav::recreate_unblanked(image, header.width, header.height, mode)) return nullptr;
    std::memset(line.get(), 0, static_cast<size_t>(line_bytes));
    if (header.planes == 1) TavResizeColormap(PhotoColormap(image), 256);
    tav::Bytes rgb = tav::attempt_bytes(header.planes == 1 ? 1 : static_cast<size_t>(header.width) * 3);
    if (!rgb) return nullptr;
    ByteSource source(stream);
    if (!source) return nullptr;
    const unsigned char *p = line.get();
    const int bpl = header.bytes_per_line;
    for (int y = 0; y < header.height; ++y) {
        if (!read_line(source, header.rle, line.get(), line_bytes)) return nullptr;
        if (header.planes == 1) {
            PhotoPutIndex(image, p, 0, y, header.width, 1);
            continue;
        }
        // Planes are interleaved into packed RGB, the layout the image takes fastest.
        unsigned char *out = rgb.get();
        for (int x = 0; x < header.width; ++x, out += 3) {
            out[0] = p[x];
            out[1] = p[bpl + x];
            out[2] = p[2 * bpl + x];
        }
        PhotoPutRGB(image, rgb.get(), 0, y, header.width, 1);
    }
    if (header.version == 5 && header.planes == 1 && !read_trailer_palette(stream, PhotoColormap(image)))
        return nullptr;
    return image;
}

// ---- writing ------------------------------------------------------------------

// Runs of equal bytes, never across rows: a lone byte below 0xC0 stands
// for itself, anything else takes a count byte (at most 63) and the value.
size_t encode_row(const unsigned char *in, int n, unsigned char *out) {
    unsigned char *const start = out;
    for (int x = 0; x < n;) {
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
    for (int y = 0; y < height; ++y) {
        PhotoGetIndex(source, indices.get(), 0, y, width, 1);
        size_t n = encode_row(indices.get(), width, encoded.get());
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
    if (!stream || !image) return nullptr;
    PcxHeader header;
    if (!read_pcx_header(stream, &header)) return nullptr;
    const int mode = header.planes == 1 ? TAV_MODE_INDEXED : TAV_MODE_RGBA;
    if (PhotoIsNull(image)) return PhotoRecreate(image, header.width, header.height, mode);
    if (!tav::within_pixel_ceiling(header.width, header.height)) return nullptr;
    const unsigned long long line = static_cast<unsigned long long>(header.planes) * header.bytes_per_line;
    const unsigned long long per_line = header.rle ? (line + kLongestRun - 1) / kLongestRun : line;
    if (!tav::may_hold(stream, per_line * header.height)) return nullptr;
    return read_pcx(stream, image, header);
}

int WritePCX(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return 1;
    return write_pcx(stream, image);
}

}  // extern "C"
