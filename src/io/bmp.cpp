// Windows and OS/2 bitmaps: reading 1/4/8/16/24/32 bits per pixel, plain,
// with bit fields (16 and 32 bits, alpha too) or run-length encoded (4 and
// 8 bits), under the 12-, 40-, 52-, 56-, 64-, 108- and 124-byte headers;
// writing 24-bit colour, or 8-bit with a grey palette for grayscale images.
//
// A plain raster must be in the stream in full before the image is made:
// its size is known from the header.  Run-length data can legitimately
// leave most of a picture unpainted (deltas, end of bitmap), so no byte
// count bounds it; the pixel ceiling does.  Pixels of runs that reach past
// the end of a row or above the top of the picture are dropped.
#include "io/format_helpers_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"

#include "core/memory_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

using tav::le16;
using tav::le32;

enum : uint32_t { kPlain = 0, kBitFields = 3, kAlphaBitFields = 6 };


// Palette colours as R, G, B, at most 256 of them (more cannot be indexed).
struct BmpPalette {
    unsigned char rgb[256 * 3] = {};
    int count = 0;
};

struct BmpHeader : tav::PictureHeader {
    bool top_down = false;
    int bits = 0;
    uint32_t compression = 0;
    bool fields = false;                             // bit fields given: masks below
    uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};  // red, green, blue, alpha (0: opaque)
    int palette_entries = 0;  // entries in the file's palette
    BmpPalette palette;
    size_t row_bytes = 0;  // of a plain raster, padded to four bytes
};

bool is_rle(const BmpHeader &header) {
    return header.compression != kPlain && header.compression != kBitFields && header.compression != kAlphaBitFields;
}

// The Windows headers: 40 bytes, then (52) colour masks, (56) an alpha mask,
// (108) colour-space data and (124) a colour profile, all skipped but the
// masks.  64 bytes is the OS/2 header, whose extra fields mean nothing here.
bool windows_header_size(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// Both headers, the masks and the palette, up to the first byte of the
// pixel data.
bool read_headers(AuxIO *stream, BmpHeader *header) {
    BmpPalette *palette = &header->palette;
    unsigned char head[18];
    if (!tav::read_exactly(stream, head, sizeof head) || head[0] != 'B' || head[1] != 'M') return false;
    const uint32_t offset = le32(head + 10), info_size = le32(head + 14);
    if (offset > 0xFFFF || (info_size != 12 && !windows_header_size(info_size))) return false;

    uint32_t consumed;
    uint32_t colours_used = 0;
    if (info_size == 12) {
        unsigned char info[8];
        if (!tav::read_exactly(stream, info, sizeof info)) return false;
        header->width = static_cast<int>(le16(info));
        header->height = static_cast<int>(le16(info + 2));
        header->bits = static_cast<int>(le16(info + 6));
        header->compression = kPlain;
        consumed = 26;
    } else {
        unsigned char info[36];
        if (!tav::read_exactly(stream, info, sizeof info)) return false;
        const auto width = static_cast<int32_t>(le32(info)), height = static_cast<int32_t>(le32(info + 4));
        if (width <= 0 || height == 0 || height == INT32_MIN) return false;
        header->width = width;
        header->top_down = height < 0;
        header->height = height < 0 ? -height : height;
        header->bits = static_cast<int>(le16(info + 10));
        header->compression = le32(info + 12);
        colours_used = le32(info + 28) & 0xFFFF;
        unsigned char more[124 - 40];
        if (!tav::read_exactly(stream, more, info_size - 40)) return false;
        consumed = 14 + info_size;
        // Masks inside a longer Windows header, or after the 40-byte one.
        const bool fields = header->compression == kBitFields || header->compression == kAlphaBitFields;
        const uint32_t in_header = info_size == 64 ? 0 : (info_size - 40) / 4;
        uint32_t count = in_header >= 4 ? 4 : in_header;
        if (fields && count < 3) {
            count = header->compression == kAlphaBitFields ? 4 : 3;
            if (!tav::read_exactly(stream, more, 4 * count)) return false;
            consumed += 4 * count;
        }
        if (fields) {
            header->fields = true;
            for (uint32_t c = 0; c < count; ++c) header->masks[c] = le32(more + 4 * c);
            if (count < 4) header->masks[3] = 0;
        }
    }
    if (header->width <= 0 || header->height <= 0) return false;
    switch (header->bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    // Run-length data exists for 4 and 8 bits only, and always runs bottom-up.
    if (is_rle(*header) && ((header->bits != 4 && header->bits != 8) || header->top_down)) return false;

    if (header->bits < 16) {
        const uint32_t entries = colours_used ? colours_used : 1u << header->bits;
        const uint32_t entry_bytes = info_size == 12 ? 3 : 4;
        if (consumed + entries * entry_bytes > offset) return false;
        header->palette_entries = static_cast<int>(entries);
        const uint32_t kept = std::min<uint32_t>(entries, 256);
        // The table in one read; entries past the 256th are never used.
        unsigned char table[256 * 4];
        if (!tav::read_exactly(stream, table, kept * entry_bytes) ||
            !tav::skip_bytes(stream, (entries - kept) * entry_bytes))
            return false;
        for (uint32_t i = 0; i < kept; ++i) {
            const unsigned char *entry = table + entry_bytes * i;
            palette->rgb[3 * i] = entry[2];
            palette->rgb[3 * i + 1] = entry[1];
            palette->rgb[3 * i + 2] = entry[0];
        }
        palette->count = static_cast<int>(kept);
        consumed += entries * entry_bytes;
    }
    if (consumed > offset) return false;
    return tav::skip_bytes(stream, offset - consumed);
}

// The header record: run-length data needs at least one code pair (a file
// with none is refused before anything is made); a plain raster must be
// in the stream in full.
bool read_bmp_header(AuxIO *stream, BmpHeader *header) {
    if (!read_headers(stream, header)) return false;
    header->mode = TAV_MODE_RGBA;
    if (is_rle(*header)) {
        header->needs_bytes = 2;
        return true;
    }
    const unsigned long long row_bytes = (static_cast<unsigned long long>(header->width) * header->bits + 31) / 32 * 4;
    header->row_bytes = static_cast<size_t>(row_bytes);
    return !__builtin_mul_overflow(row_bytes, static_cast<unsigned long long>(header->height), &header->needs_bytes);
}


// ---- plain rows ------------------------------------------------------------

// One bit-field channel: the field under its mask, scaled to 8 bits.
// Fields of 8 bits or fewer widen by repeating their top bits (a full
// 5-bit 31 is 255, not 248), through a table; wider fields give their top
// 8 bits.  An empty mask gives 0.
struct Field {
    uint32_t mask;
    int right = 0;
    int narrow = 0;  // right shift of a field wider than 8 bits
    bool widen = false;
    unsigned char table[256] = {};
    explicit Field(uint32_t m) : mask(m) {
        if (!mask) return;
        right = __builtin_ctz(mask);
        const int width = __builtin_popcount(mask >> right);  // a mask with holes counts its bits
        if (width > 8) {
            narrow = width - 8;
            return;
        }
        widen = true;
        for (uint32_t v = 0; v < (1u << width); ++v) {
            unsigned wide = 0;
            for (int shift = 8 - width; shift > -width; shift -= width)
                wide |= shift >= 0 ? v << shift : v >> -shift;
            table[v] = static_cast<unsigned char>(wide);
        }
    }
    unsigned char operator()(uint32_t v) const {
        const uint32_t field = (v & mask) >> right;
        return widen ? table[field & 0xFF] : static_cast<unsigned char>(field >> narrow);
    }
};

// Rows of 16- or 32-bit bit fields to RGBA: opaque without an alpha mask.
struct Fields {
    Field red, green, blue, alpha;
    explicit Fields(const BmpHeader &h) : red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]) {}
    template <int Bytes>
    void row(const unsigned char *in, int width, unsigned char *out) const {
        const bool opaque = alpha.mask == 0;
        for (int x = 0; x < width; ++x, in += Bytes, out += 4) {
            const uint32_t v = Bytes == 2 ? le16(in) : le32(in);
            out[0] = red(v);
            out[1] = green(v);
            out[2] = blue(v);
            out[3] = opaque ? 255 : alpha(v);
        }
    }
};

// B, G, R and an unused fourth byte to opaque R, G, B, A.
void bgrx_to_rgba(const unsigned char *in, int width, unsigned char *out) {
    for (int x = 0; x < width; ++x, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = 255;
    }
}

bool decode_plain(AuxIO *stream, const BmpHeader &header, const tav::DecodeTarget &target) {
    const int width = header.width;
    const size_t row_bytes = header.row_bytes;
    // The row as read, then room for one palette index per pixel.
    tav::Bytes row = tav::attempt_bytes(row_bytes + static_cast<size_t>(width));
    tav::Bytes converted = tav::attempt_bytes(target.direct ? 1 : static_cast<size_t>(width) * 4);
    if (!row || !converted) return false;
    // 16-bit rows without masks are 5-5-5; 32-bit rows without masks are
    // B, G, R and an unused byte (opaque even when it is all zero).
    const Fields fields(header);
    const int entries = std::min(header.palette_entries, 256);
    // Rows become opaque RGBA, in the image's own rows when it has them.
    for (int k = 0; k < header.height; ++k) {
        const int y = header.top_down ? k : header.height - 1 - k;
        unsigned char *out = target.direct ? target.rows.row(y) : converted.get();
        if (!tav::read_exactly(stream, row.get(), row_bytes)) return false;
        const unsigned char *in = row.get();
        switch (header.bits) {
        case 24:
            tav::bgr_to_rgba(in, out, static_cast<size_t>(width), 255);
            break;
        case 32:
            if (header.fields) fields.row<4>(in, width, out);
            else bgrx_to_rgba(in, width, out);
            break;
        case 16:
            fields.row<2>(in, width, out);
            break;
        default: {
            // The indices sit in the row buffer's spare bytes past the data.
            unsigned char *indices = row.get() + row_bytes;
            tav::unpack_bits(in, header.bits, indices, static_cast<size_t>(width));
            if (!tav::palette_to_rgba(indices, header.palette.rgb, entries, out, static_cast<size_t>(width)))
                return false;
        }
        }
        if (!target.direct) PhotoPutRGBA(target.image, out, 0, y, width, 1, TAV_COMPOSE_REPLACE);
    }
    return true;
}

// ---- run-length data --------------------------------------------------------

// Colours decoded into a span of one row and stored a span at a time:
// consecutive runs on a row reach the image in one call.  The span holds
// a few thousand pixels, whatever the width the header claims.
class SpanRow {
public:
    static constexpr int kPixels = 4096;
    SpanRow(Photo *image, unsigned char *rgb) : image_(image), rgb_(rgb) {}
    // Room for n (at most 255) pixels at (x, y).
    unsigned char *at(int x, long long y, int n) {
        if (y != y_ || x != end_ || end_ - start_ + n > kPixels) {
            flush();
            y_ = y;
            start_ = end_ = x;
        }
        return rgb_ + 3 * static_cast<size_t>(x - start_);
    }
    void grew(int n) { end_ += n; }
    void flush() {
        if (end_ > start_) PhotoPutRGB(image_, rgb_, start_, static_cast<int>(y_), end_ - start_, 1);
        start_ = end_ = 0;
    }

private:
    Photo *image_;
    unsigned char *rgb_;
    long long y_ = -1;
    int start_ = 0;
    int end_ = 0;
};

// Skipped pixels stay as the image was made: transparent black, costing no
// memory in a picture that is mostly unpainted.
bool decode_rle(AuxIO *stream, const BmpHeader &header, const tav::DecodeTarget &target) {
    const int width = header.width;
    const BmpPalette &palette = header.palette;
    tav::Bytes row = tav::attempt_bytes(SpanRow::kPixels * 3);
    if (!row) return false;

    const int entries = std::min(header.palette_entries, 256);
    const bool four = header.bits == 4;
    SpanRow span(target.image, row.get());
    unsigned char absolute[256];
    long long y = header.height - 1;
    int x = 0;  // never beyond the width: what lies past it is dropped
    // Pixels of a run that fall outside the picture are dropped, as
    // encoders that pad their rows to a multiple of four pixels expect.
    auto visible = [&](int n) { return y < 0 ? 0 : std::min(n, width - x); };
    for (;;) {
        const int count = tav::next_byte(stream);
        const int value = tav::next_byte(stream);
        if (value < 0) return false;
        if (count > 0) {
            const int hi = four ? value >> 4 : value, lo = four ? value & 0x0F : value;
            if (hi >= entries || (count > 1 && lo >= entries)) return false;
            const int shown = visible(count);
            tav::alternate_rgb(span.at(x, y, shown), static_cast<size_t>(shown), palette.rgb + 3 * hi,
                               palette.rgb + 3 * lo);
            span.grew(shown);
            x = std::min(width, x + count);
        } else if (value == 0) {  // end of line
            --y;
            x = 0;
        } else if (value == 1) {  // end of bitmap
            span.flush();
            return true;
        } else if (value == 2) {  // delta
            const int dx = tav::next_byte(stream);
            const int dy = tav::next_byte(stream);
            if (dy < 0) return false;
            x = std::min(width, x + dx);
            y -= dy;
        } else {  // absolute run of `value` pixels
            const int n = value;
            const int bytes = ((four ? (n + 1) / 2 : n) + 1) & ~1;
            if (!tav::read_exactly(stream, absolute, static_cast<size_t>(bytes))) return false;
            const int shown = visible(n);
            unsigned char *out = span.at(x, y, shown);
            for (int i = 0; i < n; ++i) {
                const int index = four ? ((i & 1) ? absolute[i >> 1] & 0x0F : absolute[i >> 1] >> 4) : absolute[i];
                if (index >= entries) return false;
                if (i < shown) std::memcpy(out + 3 * i, palette.rgb + 3 * index, 3);
            }
            span.grew(shown);
            x = std::min(width, x + n);
        }
    }
}

bool decode_bmp(AuxIO *stream, const BmpHeader &header, const tav::DecodeTarget &target) {
    return is_rle(header) ? decode_rle(stream, header, target) : decode_plain(stream, header, target);
}


// ---- writing ------------------------------------------------------------------

int write_bmp(AuxIO *stream, Photo *image) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0) return 1;
    const bool grey = PhotoIsGrayscale(image);
    const size_t pixel_bytes = grey ? 1 : 3;
    const size_t stride = (pixel_bytes * static_cast<size_t>(width) + 3) & ~size_t{3};
    const uint32_t data_offset = grey ? 1078 : 54;
    size_t raster = 0;
    // The header's 32-bit sizes must hold the file.
    if (!tav::checked_mul(stride, static_cast<size_t>(height), &raster) || raster > 0xFFFFFFFFu - data_offset)
        return 1;

    unsigned char head[54] = {'B', 'M'};
    tav::put_le32(head + 2, static_cast<uint32_t>(data_offset + raster));
    tav::put_le32(head + 10, data_offset);
    tav::put_le32(head + 14, 40);
    tav::put_le32(head + 18, static_cast<uint32_t>(width));
    tav::put_le32(head + 22, static_cast<uint32_t>(height));
    tav::put_le16(head + 26, 1);
    tav::put_le16(head + 28, grey ? 8 : 24);
    tav::put_le32(head + 34, static_cast<uint32_t>(raster));
    tav::put_le32(head + 38, 2925);
    tav::put_le32(head + 42, 2925);
    tav::put_le32(head + 46, grey ? 256 : 0);
    tav::put_le32(head + 50, grey ? 256 : 0);
    if (!tav::write_all(stream, head, sizeof head)) return 1;
    if (grey) {
        unsigned char ramp[1024];
        for (int k = 0; k < 256; ++k) {
            ramp[4 * k] = ramp[4 * k + 1] = ramp[4 * k + 2] = static_cast<unsigned char>(k);
            ramp[4 * k + 3] = 0;
        }
        if (!tav::write_all(stream, ramp, sizeof ramp)) return 1;
    }

    // Rows are gathered a few at a time so that the stream sees few large writes.
    const int rows_per_chunk = static_cast<int>(std::clamp<size_t>(262144 / stride, 1, static_cast<size_t>(height)));
    tav::Bytes chunk = tav::attempt_bytes(stride * rows_per_chunk + static_cast<size_t>(width) * 3);
    if (!chunk) return 1;
    unsigned char *bgr = chunk.get() + stride * rows_per_chunk;  // grey rows are fetched as BGR here
    for (int done = 0; done < height;) {
        const int rows = std::min(rows_per_chunk, height - done);
        for (int r = 0; r < rows; ++r) {
            unsigned char *out = chunk.get() + stride * r;
            const int y = height - 1 - (done + r);
            if (grey) {
                PhotoGetBGR(image, bgr, 0, y, width, 1);
                for (int x = 0; x < width; ++x) out[x] = bgr[3 * x];
            } else {
                PhotoGetBGR(image, out, 0, y, width, 1);
            }
            std::memset(out + pixel_bytes * width, 0, stride - pixel_bytes * width);
        }
        if (!tav::write_all(stream, chunk.get(), stride * rows)) return 1;
        done += rows;
    }
    AuxIO_Flush(stream);
    return 0;
}

}  // namespace

extern "C" {

Photo *ReadBMP(AuxIO *stream, Photo *image, const char *) {
    return tav::read_declared<BmpHeader>(stream, image, read_bmp_header, decode_bmp);
}


int WriteBMP(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return 1;
    return write_bmp(stream, image);
}

}  // extern "C"
