// Binary PPM ("P6", RGB) and PGM ("P5", grey) reading; PPM writing.
//
// The raster is read in chunks of about 512 KiB straight into the image.
// Sizes come from the file, so nothing is allocated before the stream is
// known to hold the whole raster (raw samples: one byte each, no
// compression to allow for): a file that claims more pixels than it
// carries is refused, and so is one above the pixel ceiling.  Unseekable
// channels arrive here read whole, so the length is known; only a stream
// kind of a caller's own may not tell it, and then the ceiling alone
// bounds the picture while a short raster still refuses it.
#include "io/auxio_p.h"
#include "io/format_helpers_p.h"
#include "io/image_rows_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"

#include "core/memory_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kChunkBytes = 524288;
constexpr int kMaxTokenBytes = 15;

struct PpmHeader : tav::PictureHeader {
    int maxval = 0;
    int channels = 0;  // 3 for P6, 1 for P5
};

inline bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Decimal integer as "%d" reads it (sign, digits, anything after ignored),
// refusing values outside int instead of wrapping.
bool parse_int(const char *text, int *value) {
    const char *p = text;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (*p < '0' || *p > '9') return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    *value = static_cast<int>(v);
    return true;
}

// Magic, width, height and maxval, separated by whitespace; a "#" right
// after whitespace starts a comment that runs to the end of its line.  Any
// end of stream inside the header refuses it.  The stream is left at the
// first raster byte.  Both the size-only path and the full read start here.
bool read_ppm_header(AuxIO *stream, PpmHeader *header) {
    char tokens[4][kMaxTokenBytes + 1];
    int count = 0;
    int c = tav::next_byte(stream);
    if (c < 0) return false;
    while (count < 4) {
        if (is_space(c)) {
            c = tav::next_byte(stream);
            while (c == '#') {
                if (!AuxIO_SkipLine(stream)) return false;
                c = tav::next_byte(stream);
            }
            if (c < 0) return false;
            continue;
        }
        int length = 0;
        do {
            if (length == kMaxTokenBytes) return false;
            tokens[count][length++] = static_cast<char>(c);
            c = tav::next_byte(stream);
            if (c < 0) return false;
        } while (!is_space(c));
        tokens[count][length] = '\0';
        // Refusing a foreign magic at once keeps probing cheap.
        if (count == 0 && std::strcmp(tokens[0], "P6") != 0 && std::strcmp(tokens[0], "P5") != 0) return false;
        ++count;
    }
    // Text after maxval on its line is ignored; the raster follows the newline.
    if (c != '\n' && !AuxIO_SkipLine(stream)) return false;

    header->channels = tokens[0][1] == '6' ? 3 : 1;
    if (!parse_int(tokens[1], &header->width) || !parse_int(tokens[2], &header->height) ||
        !parse_int(tokens[3], &header->maxval))
        return false;
    if (header->width <= 0 || header->height <= 0 || header->maxval < 1 || header->maxval > 255) return false;
    header->mode = header->channels == 3 ? TAV_MODE_RGBA : TAV_MODE_GRAY;
    // Raw samples, one byte each: the raster must be there in full.
    header->needs_bytes = static_cast<unsigned long long>(header->width) * header->channels * header->height;
    return true;
}

// Samples of a maxval below 255 are stretched to 0..255 (the low 8 bits
// of value * 255 / maxval, also for samples above maxval).
struct SampleScale {
    unsigned char table[256];
    bool identity;
    explicit SampleScale(int maxval) : identity(maxval == 255) {
        for (int v = 0; v < 256; ++v) table[v] = static_cast<unsigned char>(v * 255 / maxval);
    }
    void apply(unsigned char *bytes, size_t n) const {
        if (identity) return;
        for (size_t i = 0; i < n; ++i) bytes[i] = table[bytes[i]];
    }
};

void put_rows(Photo *image, const PpmHeader &header, const unsigned char *bytes, int y, int rows) {
    if (header.channels == 3) PhotoPutRGB(image, bytes, 0, y, header.width, rows);
    else PhotoPutGray(image, bytes, 0, y, header.width, rows);
}

// Stores a chunk of decoded rows: straight into the image's memory when it
// has it (each row converted once), else through the pixel functions.
void store_rows(Photo *image, const tav::ImageRows *direct, const PpmHeader &header, const unsigned char *bytes, int y,
                int rows) {
    if (!direct) {
        put_rows(image, header, bytes, y, rows);
        return;
    }
    const size_t row_bytes = static_cast<size_t>(header.width) * header.channels;
    for (int r = 0; r < rows; ++r, bytes += row_bytes) {
        if (header.channels == 3) tav::rgb_to_rgba(bytes, direct->row(y + r), static_cast<size_t>(header.width), 255);
        else std::memcpy(direct->row(y + r), bytes, row_bytes);
    }
}

bool decode_ppm(AuxIO *stream, const PpmHeader &header, const tav::DecodeTarget &target) {
    const size_t row_bytes = static_cast<size_t>(header.width) * header.channels;
    const size_t raster_bytes = static_cast<size_t>(header.needs_bytes);
    const SampleScale scale(header.maxval);
    const tav::ImageRows *direct = target.direct ? &target.rows : nullptr;
    // Grey rows in memory are the raster itself: read straight into them.
    if (direct && header.channels == 1 && direct->stride == static_cast<ptrdiff_t>(row_bytes)) {
        if (!tav::read_exactly(stream, direct->base, raster_bytes)) return false;
        scale.apply(direct->base, raster_bytes);
        return true;
    }
    const int chunk_rows = static_cast<int>(std::clamp<size_t>(kChunkBytes / row_bytes, 1, header.height));
    tav::Bytes chunk = tav::attempt_bytes(row_bytes * chunk_rows);
    if (!chunk) return false;
    for (int y = 0; y < header.height; y += chunk_rows) {
        const int rows = std::min(chunk_rows, header.height - y);
        const size_t bytes = row_bytes * rows;
        if (!tav::read_exactly(stream, chunk.get(), bytes)) return false;
        scale.apply(chunk.get(), bytes);
        store_rows(target.image, direct, header, chunk.get(), y, rows);
    }
    return true;
}

}  // namespace

extern "C" {

Photo *ReadPPM(AuxIO *stream, Photo *image, const char *) {
    return tav::read_declared<PpmHeader>(stream, image, read_ppm_header, decode_ppm);
}

int WritePPM(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return 0;
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0) return 0;
    char size_line[32];
    std::snprintf(size_line, sizeof size_line, "%d %d\n", width, height);
    if (AuxIO_Fputs("P6\n", stream) < 0 || AuxIO_Fputs(size_line, stream) < 0 || AuxIO_Fputs("255\n", stream) < 0)
        return 0;
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    if (row_bytes > INT_MAX) return 0;
    tav::Bytes row = tav::attempt_bytes(row_bytes);
    if (!row) return 0;
    tav::ImageRows rows;
    const bool direct = tav::rows_to_read(image, &rows) && (PhotoIsTruecolor(image) || PhotoIsGrayscale(image));
    for (int y = 0; y < height; ++y) {
        if (direct && PhotoIsTruecolor(image)) tav::rgba_to_rgb(rows.row(y), row.get(), static_cast<size_t>(width));
        else if (direct) tav::gray_to_rgb(rows.row(y), row.get(), static_cast<size_t>(width));
        else PhotoGetRGB(image, row.get(), 0, y, width, 1);
        // After a failed write the rest would be lost too: stop at once.
        if (AuxIO_Write(stream, row.get(), static_cast<int>(row_bytes)) != static_cast<int>(row_bytes)) return 0;
    }
    return 1;
}

}  // extern "C"
