// SGI images: reading one byte per channel, verbatim or run-length encoded,
// 1 to 4 channels used (more are ignored); writing verbatim RGBA.  All
// numbers are big-endian; file row 0 is the bottom row of the picture.
// Pictures wider or taller than 65535 pixels cannot be written.
//
// Channels are stored one after the other, so a verbatim file is read a
// band of rows at a time: one contiguous read per channel and band.  Files
// with fewer than four channels read as grey: missing colour channels take
// the first channel's value, missing alpha is 255.
//
// Bounds: a verbatim file must hold every byte of the channels read.  An
// RLE file must hold both row tables (8 bytes per row and channel); rows
// may share their data, so the tables are what the bytes bound.
#include "io/format_helpers_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"
#include "io/reader_limits_p.h"

#include "core/memory_p.h"
#include "core/rgba_rows_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMagic = 474;
constexpr int kHeaderBytes = 512;
constexpr size_t kBandBytes = 262144;

struct SgiHeader : tav::PictureHeader {
    bool rle = false;
    int zsize = 0;     // channels in the file
    int channels = 0;  // channels read: at most four
};

bool read_sgi_header(AuxIO *stream, SgiHeader *header) {
    unsigned char head[24];
    if (!tav::read_exactly(stream, head, sizeof head)) return false;
    if (tav::be16(head) != kMagic || head[2] > 1 || head[3] != 1) return false;
    const uint32_t dimension = tav::be16(head + 4);
    if (dimension < 1 || dimension > 3) return false;
    header->rle = head[2] == 1;
    header->width = static_cast<int>(tav::be16(head + 6));
    header->height = dimension == 1 ? 1 : static_cast<int>(tav::be16(head + 8));
    header->zsize = dimension < 3 ? 1 : static_cast<int>(tav::be16(head + 10));
    if (header->width == 0 || header->height == 0 || header->zsize == 0) return false;
    header->channels = std::min(header->zsize, 4);
    header->mode = TAV_MODE_RGBA;
    const unsigned long long rows = static_cast<unsigned long long>(header->height) * header->zsize;
    header->needs_bytes = header->rle ? rows * 8
                                      : static_cast<unsigned long long>(header->width) * header->height *
                                            header->channels;
    unsigned char colormap[4];
    if (!tav::skip_bytes(stream, 80) || !tav::read_exactly(stream, colormap, sizeof colormap)) return false;
    if (tav::be32(colormap) > 1) return false;
    return tav::skip_bytes(stream, 404);
}

// The planes of one row as R, G, B, A: the channels the file lacks take
// their defined values, grey in the colour channels (a null alpha reads as
// opaque).
void channel_planes(const unsigned char *first, size_t plane_step, int channels, const unsigned char *plane[4]) {
    plane[0] = first;
    plane[1] = channels > 1 ? first + plane_step : first;
    plane[2] = channels > 2 ? first + 2 * plane_step : first;
    plane[3] = channels > 3 ? first + 3 * plane_step : nullptr;
}

bool read_verbatim(AuxIO *stream, Photo *image, const SgiHeader &header) {
    const size_t width = static_cast<size_t>(header.width);
    const int band_rows = static_cast<int>(std::clamp<size_t>(kBandBytes / width, 1, header.height));
    const size_t band = width * band_rows;
    tav::Bytes planes = tav::attempt_bytes(band * header.channels);
    tav::Bytes rgba = tav::attempt_bytes(band * 4);
    if (!planes || !rgba) return false;
    const size_t plane_bytes = width * static_cast<size_t>(header.height);
    for (int k = 0; k < header.height; k += band_rows) {
        const int rows = std::min(band_rows, header.height - k);
        for (int n = 0; n < header.channels; ++n) {
            const size_t at = kHeaderBytes + static_cast<size_t>(k) * width + n * plane_bytes;
            if (at > 0x7fffffff || AuxIO_Seek(stream, static_cast<int>(at), 0) < 0 ||
                !tav::read_exactly(stream, planes.get() + n * band, width * rows))
                return false;
        }
        // File rows run bottom-up: the band's last file row is its top row.
        for (int r = 0; r < rows; ++r) {
            const unsigned char *plane[4];
            channel_planes(planes.get() + width * r, band, header.channels, plane);
            tav::planes_to_rgba(plane, rgba.get() + width * 4 * (rows - 1 - r), width);
        }
        PhotoPutRGBA(image, rgba.get(), 0, header.height - k - rows, header.width, rows, TAV_COMPOSE_REPLACE);
    }
    return true;
}

// Decodes one RLE row into `out`; false when the packets run past the row
// or the bytes end before the row's final packet.  What a row leaves
// undecoded keeps the zeros it was given.
bool decode_rle_row(const unsigned char *in, size_t length, int width, unsigned char *out) {
    int x = 0;
    for (size_t i = 0; i < length;) {
        const int c = in[i++];
        const int count = c & 0x7F;
        if (count == 0) return true;
        if (count > width - x) return false;
        if (c & 0x80) {
            if (length - i < static_cast<size_t>(count)) return false;
            std::memcpy(out + x, in + i, static_cast<size_t>(count));
            i += count;
        } else {
            if (i == length) return false;
            std::memset(out + x, in[i++], static_cast<size_t>(count));
        }
        x += count;
    }
    return false;
}

bool read_rle(AuxIO *stream, Photo *image, const SgiHeader &header) {
    const size_t rows = static_cast<size_t>(header.height) * header.channels;
    const size_t width = static_cast<size_t>(header.width);
    tav::Bytes table = tav::attempt_bytes(rows * 4);
    // The longest valid row: every pixel a packet of its own, and the end.
    const size_t longest = 2 * width + 1;
    tav::Bytes packed = tav::attempt_bytes(longest);
    tav::Bytes planes = tav::attempt_bytes(width * header.channels);
    tav::Bytes rgba = tav::attempt_bytes(width * 4);
    if (!table || !packed || !planes || !rgba || !tav::read_exactly(stream, table.get(), rows * 4)) return false;
    const unsigned char *plane[4];
    channel_planes(planes.get(), width, header.channels, plane);
    for (int k = 0; k < header.height; ++k) {
        std::memset(planes.get(), 0, width * header.channels);
        for (int n = 0; n < header.channels; ++n) {
            const uint32_t start = tav::be32(table.get() + 4 * (static_cast<size_t>(n) * header.height + k));
            if (start > 0x7fffffff || AuxIO_Seek(stream, static_cast<int>(start), 0) < 0) return false;
            const int got = AuxIO_Read(stream, packed.get(), static_cast<int>(longest));
            if (got <= 0 ||
                !decode_rle_row(packed.get(), static_cast<size_t>(got), header.width, planes.get() + n * width))
                return false;
        }
        tav::planes_to_rgba(plane, rgba.get(), width);
        PhotoPutRGBA(image, rgba.get(), 0, header.height - 1 - k, header.width, 1, TAV_COMPOSE_REPLACE);
    }
    return true;
}

bool decode_sgi(AuxIO *stream, const SgiHeader &header, const tav::DecodeTarget &target) {
    return header.rle ? read_rle(stream, target.image, header) : read_verbatim(stream, target.image, header);
}

int write_sgi(AuxIO *stream, Photo *image) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return 1;
    unsigned char head[kHeaderBytes] = {};
    tav::put_be16(head, kMagic);
    head[2] = 0;
    head[3] = 1;
    tav::put_be16(head + 4, 3);
    tav::put_be16(head + 6, static_cast<uint32_t>(width));
    tav::put_be16(head + 8, static_cast<uint32_t>(height));
    tav::put_be16(head + 10, 4);
    tav::put_be32(head + 16, 255);
    std::memcpy(head + 24, "Unknown", 7);
    if (!tav::write_all(stream, head, sizeof head)) return 1;

    // One channel at a time, every row bottom-up.
    const size_t row = static_cast<size_t>(width);
    const int band_rows = static_cast<int>(std::clamp<size_t>(kBandBytes / row, 1, height));
    tav::Bytes band = tav::attempt_bytes(row * band_rows);
    tav::RgbaRows source(image);
    if (!band || !source) return 1;
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < height; k += band_rows) {
            const int rows = std::min(band_rows, height - k);
            for (int r = 0; r < rows; ++r)
                tav::rgba_channel(source.row(height - 1 - (k + r)), c, band.get() + row * r, 1, row);
            if (!tav::write_all(stream, band.get(), row * rows)) return 1;
        }
    }
    return 0;
}

}  // namespace

extern "C" {

Photo *ReadSGI(AuxIO *stream, Photo *image, const char *) {
    return tav::read_declared<SgiHeader>(stream, image, read_sgi_header, decode_sgi);
}

int WriteSGI(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return 1;
    return write_sgi(stream, image);
}

}  // extern "C"
