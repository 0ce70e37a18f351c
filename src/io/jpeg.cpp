// JPEG through libjpeg: a source and a destination manager over AuxIO,
// the header-only size probe, and the reader and writer.
//
// libjpeg reports errors by longjmp, which skips C++ destructors.  The
// libjpeg structures and their error traps are therefore owned by the
// caller (Decompressor, Compressor), and every function that sets a
// recovery point is a small C-style function whose locals are trivially
// destructible.  Row buffers come from libjpeg's own pools, so destroying
// the structure releases everything on every path.
#include "io/auxio_p.h"
#include "io/format_helpers_p.h"
#include "io/image_rows_p.h"
#include "io/jpeg_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_limits_p.h"
#include "tavrel.h"

#include <cstdint>
#include <cstring>

#include <jerror.h>

namespace tav {
namespace {

constexpr int kStreamBufferSize = 4096;

struct StreamSource {
    jpeg_source_mgr pub;
    AuxIO *stream;
    JOCTET buffer[kStreamBufferSize];
};

// The decompressor with its error trap, destroyed on every path.  A zeroed
// structure may be destroyed even when its creation failed half-way.
struct Decompressor {
    JpegErrorTrap trap;
    jpeg_decompress_struct cinfo;
    Decompressor(const Decompressor &) = delete;
    Decompressor &operator=(const Decompressor &) = delete;
    Decompressor() {
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = jpeg_trap_errors(&trap);
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

struct Compressor {
    JpegErrorTrap trap;
    jpeg_compress_struct cinfo;
    Compressor(const Compressor &) = delete;
    Compressor &operator=(const Compressor &) = delete;
    Compressor() {
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = jpeg_trap_errors(&trap);
    }
    ~Compressor() { jpeg_destroy_compress(&cinfo); }
};

struct StreamDestination {
    jpeg_destination_mgr pub;
    AuxIO *stream;
    JOCTET buffer[kStreamBufferSize];
};

void source_init(j_decompress_ptr) {}
void source_term(j_decompress_ptr) {}

// At the end of the stream a truncated file gets an end-of-image marker, so
// libjpeg finishes the picture with what it has.
boolean source_fill(j_decompress_ptr cinfo) {
    auto *src = reinterpret_cast<StreamSource *>(cinfo->src);
    int got = AuxIO_Read(src->stream, src->buffer, kStreamBufferSize);
    if (got <= 0) {
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void source_skip(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr *src = cinfo->src;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        source_fill(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void install_source(j_decompress_ptr cinfo, AuxIO *stream) {
    if (!cinfo->src)
        cinfo->src = static_cast<jpeg_source_mgr *>(cinfo->mem->alloc_small(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(StreamSource)));
    auto *src = reinterpret_cast<StreamSource *>(cinfo->src);
    src->pub.init_source = source_init;
    src->pub.fill_input_buffer = source_fill;
    src->pub.skip_input_data = source_skip;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = source_term;
    src->pub.next_input_byte = nullptr;
    src->pub.bytes_in_buffer = 0;
    src->stream = stream;
}

void destination_init(j_compress_ptr cinfo) {
    auto *dest = reinterpret_cast<StreamDestination *>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kStreamBufferSize;
}

boolean destination_empty(j_compress_ptr cinfo) {
    auto *dest = reinterpret_cast<StreamDestination *>(cinfo->dest);
    if (AuxIO_Write(dest->stream, dest->buffer, kStreamBufferSize) != kStreamBufferSize)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    destination_init(cinfo);
    return TRUE;
}

void destination_term(j_compress_ptr cinfo) {
    auto *dest = reinterpret_cast<StreamDestination *>(cinfo->dest);
    const int pending = kStreamBufferSize - static_cast<int>(dest->pub.free_in_buffer);
    if (pending > 0 && AuxIO_Write(dest->stream, dest->buffer, pending) != pending)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    AuxIO_Flush(dest->stream);
}

void install_destination(j_compress_ptr cinfo, AuxIO *stream) {
    if (!cinfo->dest)
        cinfo->dest = static_cast<jpeg_destination_mgr *>(cinfo->mem->alloc_small(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(StreamDestination)));
    auto *dest = reinterpret_cast<StreamDestination *>(cinfo->dest);
    dest->pub.init_destination = destination_init;
    dest->pub.empty_output_buffer = destination_empty;
    dest->pub.term_destination = destination_term;
    dest->stream = stream;
}

// libjpeg quality for the Photo's setting 0..100 (-1: not set).
int libjpeg_quality(int quality) {
    if (quality == -1) return 75;
    if (quality >= 100) return 99;
    if (quality <= 0) return 25;
    return 25 + 74 * quality / 100;
}

// Walks the markers up to the first baseline, extended or progressive
// start-of-frame and takes the size from it, without decoding.
Photo *read_size_only(AuxIO *stream, Photo *photo) {
    unsigned char bytes[256];
    if (!read_exactly(stream, bytes, 3) || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF)
        return nullptr;
    for (;;) {  // the last byte read is the FF of the next marker
        int code = AuxIO_Fgetc(stream);
        while (code == 0xFF) code = AuxIO_Fgetc(stream);
        if (code < 0) return nullptr;
        if (code >= 0xC0 && code <= 0xC2) {
            if (!read_exactly(stream, bytes, 7)) return nullptr;
            const int height = static_cast<int>(be16(bytes + 3)), width = static_cast<int>(be16(bytes + 5));
            if (width == 0 || height == 0) return nullptr;
            return PhotoRecreate(photo, width, height, TAV_MODE_RGBA);
        }
        // The segment length counts itself; read its body and the next byte.
        if (!read_exactly(stream, bytes, 2)) return nullptr;
        int left = static_cast<int>(be16(bytes)) - 1;
        if (left <= 0) return nullptr;
        for (; left > 256; left -= 256)
            if (!read_exactly(stream, bytes, 256)) return nullptr;
        if (!read_exactly(stream, bytes, static_cast<size_t>(left))) return nullptr;
        for (int last = bytes[left - 1]; last != 0xFF;)
            if ((last = AuxIO_Fgetc(stream)) < 0) return nullptr;
    }
}

// What the full read learns before it decodes: the output size and layout,
// and what the rest of the stream must hold for that picture to be real.
struct JpegHeader {
    int width;
    int height;
    bool gray;
    bool arithmetic;            // no ratio bounds its data: only the ceiling does
    bool whole_coefficients;    // progressive or multi-scan: every block's coefficients are kept
    unsigned long long blocks;  // 8x8 blocks over every component
};

// Creates the decompressor over the stream and reads the markers up to the
// first scan; refuses what cannot be read as 8-bit grey or RGB.
bool read_jpeg_header(Decompressor *d, AuxIO *stream, JpegHeader *header) {
    j_decompress_ptr cinfo = &d->cinfo;
    if (setjmp(d->trap.jump)) return false;
    jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof *cinfo);
    install_source(cinfo, stream);
    jpeg_read_header(cinfo, TRUE);
    header->gray = cinfo->out_color_space == JCS_GRAYSCALE;
    if (cinfo->data_precision != 8 || (!header->gray && cinfo->out_color_space != JCS_RGB)) return false;
#ifdef JCS_EXTENSIONS
    // Colour rows arrive with opaque alpha: stored by one copy each.
    if (!header->gray) cinfo->out_color_space = JCS_EXT_RGBA;
#endif
    jpeg_calc_output_dimensions(cinfo);
    header->width = static_cast<int>(cinfo->output_width);
    header->height = static_cast<int>(cinfo->output_height);
    header->arithmetic = cinfo->arith_code;
    header->whole_coefficients = cinfo->progressive_mode || jpeg_has_multiple_scans(cinfo);
    header->blocks = 0;
    for (int c = 0; c < cinfo->num_components; ++c)
        header->blocks += static_cast<unsigned long long>(cinfo->comp_info[c].width_in_blocks) *
                          cinfo->comp_info[c].height_in_blocks;
    return true;
}

// Whether the bytes still to come can carry the picture.  Huffman coding
// spends at least one bit on every 8x8 block of every component in the
// first scan that covers it (a DC scan has no end-of-band runs, and a
// sequential scan codes each block's DC), so fewer bits than blocks cannot
// be a real file.  A photo cut short after its first few percent still
// holds far more than that and loads with the fake end of image.
bool can_hold(j_decompress_ptr cinfo, AuxIO *stream, const JpegHeader &header) {
    if (!within_pixel_ceiling(header.width, header.height)) return false;
    // A picture decoded from several scans keeps every block's 64 16-bit
    // coefficients beside the picture itself: both together must stay
    // within the ceiling's budget of four bytes a pixel.
    if (header.whole_coefficients) {
        const unsigned long long picture = 4ULL * header.width * header.height;
        const unsigned long long budget = 4ULL * static_cast<unsigned long long>(TavGetPixelCeiling());
        if (header.blocks > (budget - picture) / 128) return false;
    }
    if (header.arithmetic) return true;
    const long long left = bytes_left(stream);
    if (left < 0) return true;  // a stream that cannot tell: the ceiling alone
    const unsigned long long bytes = static_cast<unsigned long long>(left) + cinfo->src->bytes_in_buffer;
    return bytes >= (header.blocks + 7) / 8;
}

// The decoded size unless the caller asked for the JPEG's own size: a
// Photo that already has a size keeps it when the JPEG is smaller in either
// direction.
void choose_size(Photo *photo, bool jpeg_size, int *width, int *height) {
    if (jpeg_size || (*width >= PhotoWidth(photo) && *height >= PhotoHeight(photo))) return;
    *width = PhotoWidth(photo);
    *height = PhotoHeight(photo);
}

// Decodes every row into the image, finishing the decompression when all
// of them came (a file cut short ends with the fake end of image).  With
// `direct` rows, RGBA scanlines are decoded straight into the image.
bool read_rows(Decompressor *d, Photo *image, const JpegHeader *header, const ImageRows *direct) {
    j_decompress_ptr cinfo = &d->cinfo;
    if (setjmp(d->trap.jump)) return false;
    jpeg_start_decompress(cinfo);
    if (direct) {
        while (cinfo->output_scanline < cinfo->output_height) {
            JSAMPROW row = direct->row(static_cast<int>(cinfo->output_scanline));
            if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break;
        }
    }
    JSAMPARRAY row = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * cinfo->output_components, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, row, 1) != 1) break;
        if (header->gray) PhotoPutGray(image, row[0], 0, y, header->width, 1);
#ifdef JCS_EXTENSIONS
        else PhotoPutRGBA(image, row[0], 0, y, header->width, 1, TAV_COMPOSE_REPLACE);
#else
        else PhotoPutRGB(image, row[0], 0, y, header->width, 1);
#endif
    }
    if (cinfo->output_scanline == cinfo->output_height) jpeg_finish_decompress(cinfo);
    else jpeg_abort_decompress(cinfo);
    return true;
}

Photo *decode(AuxIO *stream, Photo *photo, bool jpeg_size) {
    Decompressor d;
    JpegHeader header;
    if (!read_jpeg_header(&d, stream, &header) || !can_hold(&d.cinfo, stream, header)) return nullptr;
    int width = header.width, height = header.height;
    choose_size(photo, jpeg_size, &width, &height);
    // A picture of the JPEG's own size is written whole below (rows after
    // a cut come from the fake end of image): no need to blank it first.
    const bool whole = width == header.width && height == header.height;
    if (whole ? !recreate_unblanked(photo, width, height, TAV_MODE_RGBA)
              : !PhotoRecreate(photo, width, height, TAV_MODE_RGBA) || PhotoWidth(photo) != width ||
                    PhotoHeight(photo) != height)
        return nullptr;
    ImageRows rows;
#ifdef JCS_EXTENSIONS
    const bool direct = whole && !header.gray && rows_to_write(photo, &rows);
#else
    const bool direct = false;
#endif
    return read_rows(&d, photo, &header, direct ? &rows : nullptr) ? photo : nullptr;
}

// Encodes the Photo as RGB rows (grey for a grayscale Photo).
bool write_rows(Compressor *c, AuxIO *stream, Photo *photo) {
    j_compress_ptr cinfo = &c->cinfo;
    if (setjmp(c->trap.jump)) return false;
    jpeg_CreateCompress(cinfo, JPEG_LIB_VERSION, sizeof *cinfo);
    install_destination(cinfo, stream);
    const int width = PhotoWidth(photo), height = PhotoHeight(photo);
    const bool gray = PhotoIsGrayscale(photo);
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    // Rows in memory go to libjpeg as they lie: grey rows as grey input,
    // RGBA rows as extended RGBA input (alpha unread).  Both encode to the
    // same bytes as RGB input would (R = G = B gives Y exactly).
    ImageRows rows;
    const bool direct = rows_to_read(photo, &rows) && (gray || PhotoIsTruecolor(photo));
    if (direct && gray) {
        cinfo->input_components = 1;
        cinfo->in_color_space = JCS_GRAYSCALE;
    }
#ifdef JCS_EXTENSIONS
    else if (direct) {
        cinfo->input_components = 4;
        cinfo->in_color_space = JCS_EXT_RGBA;
    }
#endif
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, libjpeg_quality(PhotoGetQuality(photo)), FALSE);
    cinfo->smoothing_factor = 0;
    if (gray) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    // Sizes are checked here, before the row is taken from the image pool.
    jpeg_start_compress(cinfo, TRUE);
    if (direct && cinfo->in_color_space != JCS_RGB) {
        for (int y = 0; y < height; ++y) {
            JSAMPROW row = rows.row(y);
            jpeg_write_scanlines(cinfo, &row, 1);
        }
        jpeg_finish_compress(cinfo);
        return true;
    }
    JSAMPARRAY row = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->image_width * 3, 1);
    for (int y = 0; y < height; ++y) {
        PhotoGetRGB(photo, row[0], 0, y, width, 1);
        jpeg_write_scanlines(cinfo, row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

// Returns 0 whether or not the image could be written.
int encode(AuxIO *stream, Photo *photo) {
    Compressor c;
    write_rows(&c, stream, photo);
    return 0;
}

}  // namespace
}  // namespace tav

extern "C" {

// Bit 0 of the option argument's value asks for the JPEG's own size even
// when the Photo already has a larger one.
Photo *ReadJPG(AuxIO *stream, Photo *image, const char *options) {
    if (!stream || !image) return nullptr;
    if (PhotoIsNull(image)) return tav::read_size_only(stream, image);
    if (load_jpeg_library() <= 0) return nullptr;
    return tav::decode(stream, image, (reinterpret_cast<uintptr_t>(options) & 1u) != 0);
}

int WriteJPG(AuxIO *stream, Photo *image, const char * /*options*/) {
    if (load_jpeg_library() <= 0) return 1;
    if (!stream || !image) return 0;
    return tav::encode(stream, image);
}

}  // extern "C"
