// PNG through libpng: stream callbacks over AuxIO, error recovery, and the
// transforms that turn every PNG into 8-bit RGBA rows.
//
// libpng reports errors by longjmp, which skips C++ destructors.  Every
// function that sets a recovery point is therefore a small C-style function
// whose locals are trivially destructible; the libpng structures and the
// row buffers are owned by its caller, which releases them on every path.
#include "core/memory_p.h"
#include "io/auxio_p.h"
#include "io/format_options_p.h"
#include "io/format_helpers_p.h"
#include "io/image_rows_p.h"
#include "io/png_compression_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"
#include "io/reader_limits_p.h"
#include "tavrel.h"

#include <png.h>

#include <climits>
#include <cstdint>
#include <csetjmp>
#include <cstring>

namespace tav {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

[[noreturn]] void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

// What libpng reads from: the IHDR bytes already taken by read_png_header,
// then the stream.
struct PngSource {
    AuxIO *stream;
    const unsigned char *prefix;
    size_t prefix_left;
};

void read_callback(png_structp png, png_bytep data, size_t n) {
    auto *source = static_cast<PngSource *>(png_get_io_ptr(png));
    const size_t from_prefix = n < source->prefix_left ? n : source->prefix_left;
    if (from_prefix > 0) {
        std::memcpy(data, source->prefix, from_prefix);
        source->prefix += from_prefix;
        source->prefix_left -= from_prefix;
    }
    if (!read_exactly(source->stream, data + from_prefix, n - from_prefix)) png_error(png, "Read Error");
}

void write_callback(png_structp png, png_bytep data, size_t n) {
    auto *stream = static_cast<AuxIO *>(png_get_io_ptr(png));
    if (n > INT_MAX || AuxIO_Fwrite(data, 1, static_cast<int>(n), stream) != static_cast<int>(n))
        png_error(png, "Write Error");
}

// libpng would fflush() the stream pointer without one; the caller flushes.
void flush_callback(png_structp) {}

struct ReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop end = nullptr;
    ReadStructs(const ReadStructs &) = delete;
    ReadStructs &operator=(const ReadStructs &) = delete;
    ReadStructs() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
        if (!png) return;
        info = png_create_info_struct(png);
        end = png_create_info_struct(png);
    }
    ~ReadStructs() { png_destroy_read_struct(&png, &info, &end); }
    bool ok() const { return png && info && end; }
};

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    WriteStructs(const WriteStructs &) = delete;
    WriteStructs &operator=(const WriteStructs &) = delete;
    WriteStructs() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
        if (png) info = png_create_info_struct(png);
    }
    ~WriteStructs() { png_destroy_write_struct(&png, &info); }
    bool ok() const { return png && info; }
};

// What the row loop needs to know once the transforms are set.
struct RowLayout {
    int width = 0;
    int height = 0;
    int passes = 1;
    size_t row_bytes = 0;
};

// Reads the header and asks for 8-bit RGBA whatever the file holds.
// False on any libpng error or a layout other than 4 bytes a pixel.
bool read_info(png_structp png, png_infop info, RowLayout *layout) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, color = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &color, &interlace, nullptr, nullptr);

    if (depth < 8) png_set_packing(png);
    if (depth == 16) png_set_strip_16(png);
    if (color == PNG_COLOR_TYPE_GRAY || color == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (color == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (color == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (color != PNG_COLOR_TYPE_RGB_ALPHA) png_set_filler(png, 0xff, PNG_FILLER_AFTER);

    layout->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_get_IHDR(png, info, &width, &height, &depth, &color, &interlace, nullptr, nullptr);
    layout->row_bytes = png_get_rowbytes(png, info);
    // libpng's own limits keep both sizes far below INT_MAX.
    layout->width = static_cast<int>(width);
    layout->height = static_cast<int>(height);
    return png_get_channels(png, info) == 4 && depth == 8 && layout->row_bytes == size_t{width} * 4;
}

void store_row(Photo *photo, const unsigned char *row, int y, int width) {
    PhotoPutExt(photo, 0, y, width, 1, 4, 4, 4, 4, row, row + 1, row + 2, row + 3, TAV_COMPOSE_REPLACE);
}

// Decodes every row into the Photo.  With `direct` rows libpng writes into
// the image's own memory (an interlaced image is combined there pass by
// pass); otherwise an interlaced image needs all its rows at hand until
// the last pass (`rows` holds height rows) and a plain one is stored a row
// at a time from `rows`.
bool read_rows(png_structp png, Photo *photo, const RowLayout *layout, const ImageRows *direct,
               unsigned char *rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (direct) {
        for (int pass = 0; pass < layout->passes; ++pass)
            for (int y = 0; y < layout->height; ++y) png_read_row(png, direct->row(y), nullptr);
    } else if (layout->passes == 1) {
        for (int y = 0; y < layout->height; ++y) {
            png_read_row(png, rows, nullptr);
            store_row(photo, rows, y, layout->width);
        }
    } else {
        for (int pass = 0; pass < layout->passes; ++pass)
            for (int y = 0; y < layout->height; ++y) png_read_row(png, rows + y * layout->row_bytes, nullptr);
        for (int y = 0; y < layout->height; ++y) store_row(photo, rows + y * layout->row_bytes, y, layout->width);
    }
    png_read_end(png, nullptr);
    return true;
}

// The signature, the first chunk's length and type (which must be IHDR),
// the IHDR's width and height (24 bytes, enough for the size-only answer),
// and its bit depth and colour type where the stream has them.
struct PngHeader : PictureHeader {
    unsigned char bytes[26];
    size_t length = 0;  // bytes taken, handed on to libpng
};

// Channels a PNG colour type stores; 1 for the types libpng will refuse.
int png_channels(int color) {
    switch (color) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

bool read_png_header(AuxIO *stream, PngHeader *header) {
    unsigned char *const bytes = header->bytes;
    if (!read_exactly(stream, bytes, 24) || std::memcmp(bytes, kSignature, 8) != 0 ||
        std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return false;
    const uint32_t width = be32(bytes + 16), height = be32(bytes + 20);
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return false;
    header->width = static_cast<int>(width);
    header->height = static_cast<int>(height);
    header->mode = TAV_MODE_RGBA;
    header->length = 24;
    const int got = AuxIO_Read(stream, bytes + 24, 2);
    if (got > 0) header->length += static_cast<size_t>(got);
    if (got == 2) {
        // Deflate expands at most 1032 times: the rest of the stream must
        // hold the image data's bytes over that, less a little slack.
        const uint64_t data = uint64_t{width} * height * (bytes[24] * png_channels(bytes[25])) / 8;
        header->needs_bytes = data > 1024 ? (data - 1024 + 1031) / 1032 : 0;
    }
    return true;
}

bool decode_png(AuxIO *stream, const PngHeader &header, const DecodeTarget &target) {
    ReadStructs structs;
    if (!structs.ok()) return false;
    PngSource source{stream, header.bytes + 8, header.length - 8};
    png_set_read_fn(structs.png, &source, read_callback);
    png_set_sig_bytes(structs.png, 8);

    RowLayout layout;
    if (!read_info(structs.png, structs.info, &layout) || layout.width != header.width ||
        layout.height != header.height)
        return false;
    // Every pixel is written (all passes together cover the image).
    if (target.direct) return read_rows(structs.png, target.image, &layout, &target.rows, nullptr);

    size_t buffer_bytes = layout.row_bytes;
    if (layout.passes > 1 && !checked_mul(layout.row_bytes, static_cast<size_t>(layout.height), &buffer_bytes))
        return false;
    Bytes rows = attempt_bytes(buffer_bytes);
    return rows && read_rows(structs.png, target.image, &layout, nullptr, rows.get());
}

// Where a writer takes its rows from: 8-bit grey for a grayscale Photo,
// RGBA for every other.  With `direct` rows libpng reads every Adam7 pass
// from the image's own memory; otherwise `rgba` (width x 4 bytes) receives
// each row from the pixel functions, once per pass.
struct WriteRows {
    Photo *photo;
    const ImageRows *direct;
    bool gray;
    unsigned char *rgba;

    // Row y as the file stores it, before filtering and interlacing.
    unsigned char *row(int y) const {
        if (direct) return direct->row(y);
        const int width = PhotoWidth(photo);
        PhotoGetRGBA(photo, rgba, 0, y, width, 1);
        if (gray)  // grey level = R, packed in place
            for (int x = 0; x < width; ++x) rgba[x] = rgba[4 * x];
        return rgba;
    }
};

// Writes the Photo as an Adam7-interlaced PNG of 8-bit samples, filtered
// and deflated as `compression` says.
bool write_image(png_structp png, png_infop info, const WriteRows &rows, const PngCompression &compression) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int width = PhotoWidth(rows.photo), height = PhotoHeight(rows.photo);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 rows.gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, compression.filter);
    png_set_compression_level(png, compression.level);
    png_set_compression_strategy(png, compression.strategy);
    png_set_compression_mem_level(png, kPngMemLevel);
    // Fewer, larger IDAT chunks: 12 bytes of framing each.
    png_set_compression_buffer_size(png, 256 * 1024);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y) png_write_row(png, rows.row(y));
    png_write_end(png, nullptr);
    return true;
}

// Every pixel's alpha times factor, truncated (a Tk read option).
void scale_alpha(Photo *photo, double factor) {
    const int width = PhotoWidth(photo), height = PhotoHeight(photo);
    Bytes row = attempt_bytes(static_cast<size_t>(width) * 4);
    if (!row) return;
    unsigned char table[256];
    for (int a = 0; a < 256; ++a) table[a] = static_cast<unsigned char>(a * factor);
    for (int y = 0; y < height; ++y) {
        PhotoGetRGBA(photo, row.get(), 0, y, width, 1);
        for (int x = 0; x < width; ++x) row[4 * x + 3] = table[row[4 * x + 3]];
        PhotoPutRGBA(photo, row.get(), 0, y, width, 1, TAV_COMPOSE_REPLACE);
    }
}

}  // namespace
}  // namespace tav

extern "C" {

// "-alpha F" (0.0 to 1.0), as Tk's own PNG format takes it, scales every
// pixel's alpha by F, truncating: a photo read with it has the pixels it
// has without this library.
Photo *ReadPNG(AuxIO *stream, Photo *image, const char *options) {
    double alpha = 1.0;
    if (!tav::fraction_option(options, "-alpha", &alpha)) return nullptr;
    Photo *read = tav::read_declared<tav::PngHeader>(stream, image, tav::read_png_header, tav::decode_png);
    if (read && alpha < 1.0 && !PhotoIsNull(read)) tav::scale_alpha(read, alpha);
    return read;
}

int WritePNG(AuxIO *stream, Photo *image, const char * /*options*/) {
    using namespace tav;
    if (!stream || !image) return 1;
    WriteStructs structs;
    if (!structs.ok()) return 1;
    png_set_write_fn(structs.png, stream, write_callback, flush_callback);
    size_t row_bytes = 0;
    if (PhotoWidth(image) < 0 || !checked_mul(static_cast<size_t>(PhotoWidth(image)), 4, &row_bytes)) return 1;
    Bytes rgba = attempt_bytes(row_bytes);
    if (!rgba) return 1;
    // Rows already laid out as libpng takes them (RGBA, or grey for a
    // grayscale Photo) are handed to it where they lie.
    ImageRows direct;
    const bool gray = PhotoIsGrayscale(image);
    const bool in_place = rows_to_read(image, &direct) && (PhotoIsTruecolor(image) || gray);
    const WriteRows rows{image, in_place ? &direct : nullptr, gray, rgba.get()};
    const int pixel = gray ? 1 : 4;
    const PngCompression compression =
        choose_png_compression(PhotoHeight(image), static_cast<size_t>(PhotoWidth(image)) * pixel, pixel,
                               [&rows](int y) -> const unsigned char * { return rows.row(y); });
    return write_image(structs.png, structs.info, rows, compression) ? 0 : 1;
}

}  // extern "C"
