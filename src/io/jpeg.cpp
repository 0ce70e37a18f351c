// JPEG through libjpeg: a source and a destination manager over AuxIO, our
// own marker walk as the reader's header function, libjpeg's decode, and
// the writer.
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
#include "io/reader_decl_p.h"
#include "io/reader_limits_p.h"
#include "tavrel.h"

#include "core/fill_p.h"

#include <algorithm>
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

// What the marker walk learns before any pixel, and where libjpeg starts.
// The walk is the reader's header function, for the size-only answer and
// the full read alike; the decode then checks that libjpeg sees the same.
struct JpegFrame : PictureHeader {
    // A Photo's size that a JPEG smaller in either direction leaves as it
    // is (0 x 0: the JPEG's own size).
    int keep_width = 0, keep_height = 0;
    int frame_width = 0, frame_height = 0;  // the JPEG's own size
    bool arithmetic = false;
    int start = 0;  // stream position of the start of image
};

inline bool is_frame_code(int code) { return (code >= 0xC0 && code <= 0xC2) || code == 0xC9 || code == 0xCA; }

// 8x8 blocks over every component of the frame whose component list is
// `list` (three bytes each), as libjpeg lays them out; 0 for a list
// libjpeg would refuse.
unsigned long long frame_blocks(int width, int height, const unsigned char *list, int components) {
    int h_max = 1, v_max = 1;
    for (int c = 0; c < components; ++c) {
        const int h = list[3 * c + 1] >> 4, v = list[3 * c + 1] & 15;
        if (h < 1 || h > 4 || v < 1 || v > 4) return 0;
        h_max = std::max(h_max, h);
        v_max = std::max(v_max, v);
    }
    unsigned long long blocks = 0;
    for (int c = 0; c < components; ++c) {
        const unsigned long long h = list[3 * c + 1] >> 4, v = list[3 * c + 1] & 15;
        blocks += ((width * h + 8 * h_max - 1) / (8 * h_max)) * ((height * v + 8 * v_max - 1) / (8 * v_max));
    }
    return blocks;
}

// Reads on to the FF of the next marker, past any junk; false at the end.
bool to_next_marker(AuxIO *stream) {
    for (int byte = 0; byte != 0xFF;)
        if ((byte = AuxIO_Fgetc(stream)) < 0) return false;
    return true;
}

// The frame header's component list (after the 7 bytes of length,
// precision and size) and the first scan's component count: what the
// frame costs to decode.  Nothing here is needed for the size, so a file
// that ends or lies first keeps the bounds of the size alone.
void read_frame_costs(AuxIO *stream, int length, bool progressive, JpegFrame *frame) {
    const unsigned long long least = ((frame->frame_width + 7ULL) / 8) * ((frame->frame_height + 7ULL) / 8);
    unsigned long long blocks = least;
    unsigned char list[1 + 3 * 255];
    // Huffman coding spends at least one bit on every block of every
    // component in the first scan that covers it (a DC scan has no
    // end-of-band runs, a sequential scan codes each block's DC), so fewer
    // bits than blocks cannot be a real file.
    frame->needs_bytes = frame->arithmetic ? 0 : (least + 7) / 8;
    const bool listed = read_exactly(stream, list, 1) && list[0] >= 1 && length == 8 + 3 * list[0] &&
                        read_exactly(stream, list + 1, 3 * static_cast<size_t>(list[0]));
    if (listed) blocks = std::max(least, frame_blocks(frame->frame_width, frame->frame_height, list + 1, list[0]));
    if (!frame->arithmetic) frame->needs_bytes = (blocks + 7) / 8;
    // A picture decoded from several scans keeps every block's 64 16-bit
    // coefficients; a sequential one does when its first scan codes fewer
    // components than the frame has.  The walk ends at the first scan's
    // data, so the bytes left are those that must carry the picture.
    bool several_scans = progressive;
    if (listed && to_next_marker(stream)) {
        unsigned char bytes[3];
        for (int code;;) {
            code = AuxIO_Fgetc(stream);
            while (code == 0xFF) code = AuxIO_Fgetc(stream);
            if (code < 0 || !read_exactly(stream, bytes, 2) || be16(bytes) < 2) break;
            if (code == 0xDA) {
                if (be16(bytes) >= 3 && read_exactly(stream, bytes + 2, 1)) {
                    several_scans = several_scans || bytes[2] < list[0];
                    skip_bytes(stream, be16(bytes) - 3);
                }
                break;
            }
            if (!skip_bytes(stream, be16(bytes) - 2) || !to_next_marker(stream)) break;
        }
    }
    if (several_scans) frame->working_bytes = 128 * blocks;
}

// Walks the markers up to the first baseline, extended, progressive or
// arithmetic start-of-frame and takes the size from it, without decoding.
bool read_jpeg_frame(AuxIO *stream, JpegFrame *frame) {
    frame->start = AuxIO_Tell(stream);
    unsigned char bytes[256];
    // Junk between the start marker and the next is skipped, as libjpeg
    // skips it.
    if (!read_exactly(stream, bytes, 2) || bytes[0] != 0xFF || bytes[1] != 0xD8 || !to_next_marker(stream))
        return false;
    for (;;) {  // the last byte read is the FF of the next marker
        int code = AuxIO_Fgetc(stream);
        while (code == 0xFF) code = AuxIO_Fgetc(stream);
        if (code < 0) return false;
        if (is_frame_code(code)) {
            if (!read_exactly(stream, bytes, 7)) return false;
            frame->frame_height = static_cast<int>(be16(bytes + 3));
            frame->frame_width = static_cast<int>(be16(bytes + 5));
            if (frame->frame_width == 0 || frame->frame_height == 0) return false;
            frame->width = frame->frame_width;
            frame->height = frame->frame_height;
            if (frame->frame_width < frame->keep_width || frame->frame_height < frame->keep_height) {
                frame->width = frame->keep_width;
                frame->height = frame->keep_height;
            }
            frame->mode = TAV_MODE_RGBA;
            frame->arithmetic = code >= 0xC9;
            read_frame_costs(stream, static_cast<int>(be16(bytes)), code == 0xC2 || code == 0xCA, frame);
            return true;
        }
        // The segment length counts itself; read its body and the next byte.
        if (!read_exactly(stream, bytes, 2)) return false;
        int left = static_cast<int>(be16(bytes)) - 1;
        if (left <= 0) return false;
        for (; left > 256; left -= 256)
            if (!read_exactly(stream, bytes, 256)) return false;
        if (!read_exactly(stream, bytes, static_cast<size_t>(left))) return false;
        if (bytes[left - 1] != 0xFF && !to_next_marker(stream)) return false;
    }
}

// What libjpeg learns from the markers before it decodes: the output size
// and layout, and what the decode holds beside the picture.
struct JpegHeader {
    int width;
    int height;
    bool gray;
    bool cmyk;                  // CMYK or YCCK, decoded as CMYK rows and turned into RGB here
    bool inverted;              // an Adobe marker: 0 is full ink
    bool arithmetic;
    bool whole_coefficients;    // progressive or multi-scan: every block's coefficients are kept
    unsigned long long blocks;  // 8x8 blocks over every component
};

// Files of other sample sizes are refused with the reason, which libjpeg
// may find first (the frame's precision is known by then).
bool refuse_precision(j_decompress_ptr cinfo) {
    if (cinfo->data_precision == 12) note_refusal("12-bit JPEG is not supported");
    else if (cinfo->data_precision != 0 && cinfo->data_precision != 8)
        note_refusal("JPEG samples of other than 8 bits are not supported");
    return false;
}

// Creates the decompressor over the stream and reads the markers up to the
// first scan; refuses what cannot be read as 8-bit grey, RGB or CMYK.
bool read_jpeg_header(Decompressor *d, AuxIO *stream, JpegHeader *header) {
    j_decompress_ptr cinfo = &d->cinfo;
    if (setjmp(d->trap.jump)) return refuse_precision(cinfo);
    jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof *cinfo);
    install_source(cinfo, stream);
    jpeg_read_header(cinfo, TRUE);
    header->gray = cinfo->out_color_space == JCS_GRAYSCALE;
    // libjpeg turns YCCK into CMYK; the step to RGB is ours.
    header->cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    header->inverted = cinfo->saw_Adobe_marker;
    if (header->cmyk) cinfo->out_color_space = JCS_CMYK;
    if (cinfo->data_precision != 8) return refuse_precision(cinfo);
    if (!header->gray && !header->cmyk && cinfo->out_color_space != JCS_RGB) return false;
#ifdef JCS_EXTENSIONS
    // Colour rows arrive with opaque alpha: stored by one copy each.
    if (!header->gray && !header->cmyk) cinfo->out_color_space = JCS_EXT_RGBA;
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

// CMYK (or its Adobe inversion) to opaque RGBA in place, four bytes to
// four: each colour is what is left of white under its ink and the black.
void cmyk_to_rgba(unsigned char *row, size_t pixels, bool inverted) {
    const unsigned flip = inverted ? 0 : 255;
    for (size_t i = 0; i < pixels; ++i, row += 4) {
        const unsigned white = row[3] ^ flip;  // 255 - K
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = (row[c] ^ flip ^ 255u) * white + 128;  // C * (255 - K), rounded
            row[c] = static_cast<unsigned char>(white - (((ink >> 8) + ink) >> 8));
        }
        row[3] = 255;
    }
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
            if (header->cmyk) cmyk_to_rgba(row, cinfo->output_width, header->inverted);
        }
    }
    JSAMPARRAY row = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * cinfo->output_components, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, row, 1) != 1) break;
        if (header->gray) {
            PhotoPutGray(image, row[0], 0, y, header->width, 1);
        } else if (header->cmyk) {
            cmyk_to_rgba(row[0], cinfo->output_width, header->inverted);
            PhotoPutRGBA(image, row[0], 0, y, header->width, 1, TAV_COMPOSE_REPLACE);
        }
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

// libjpeg reads the file again from its start, and must find the frame the
// walk found: the same size and coding.  Coefficient memory beyond what the
// walk declared (a first scan the walk did not reach) is held to the same
// budget here.
bool decode_jpeg(AuxIO *stream, const JpegFrame &frame, const DecodeTarget &target) {
    if (load_jpeg_library() <= 0 || AuxIO_Seek(stream, frame.start, 0) < 0) return false;
    Decompressor d;
    JpegHeader header;
    if (!read_jpeg_header(&d, stream, &header) || header.width != frame.frame_width ||
        header.height != frame.frame_height || header.arithmetic != frame.arithmetic)
        return false;
    const unsigned long long coefficients = header.whole_coefficients ? 128 * header.blocks : 0;
    if (coefficients > frame.working_bytes && !within_ceiling_budget(frame.width, frame.height, coefficients))
        return false;
    Photo *image = target.image;
    // A larger Photo keeps its size: what the JPEG does not cover is blank.
    const bool whole = PhotoWidth(image) == header.width && PhotoHeight(image) == header.height;
    if (!whole && blank_image(image) != 0) return false;
#ifdef JCS_EXTENSIONS
    const bool direct = whole && target.direct && !header.gray;  // RGBA or CMYK: four bytes a pixel
#else
    const bool direct = whole && target.direct && header.cmyk;
#endif
    return read_rows(&d, image, &header, direct ? &target.rows : nullptr);
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

// Returns 0 when written, 1 when the JPEG library refused.
int encode(AuxIO *stream, Photo *photo) {
    Compressor c;
    return write_rows(&c, stream, photo) ? 0 : 1;
}

}  // namespace
}  // namespace tav

extern "C" {

// An option argument of the value 1 (not a pointer to text: the generic
// reader hands option text here) asks for the JPEG's own size even when the
// Photo already has a larger one.
Photo *ReadJPG(AuxIO *stream, Photo *image, const char *options) {
    if (!stream || !image) return nullptr;
    tav::JpegFrame frame;
    if (!PhotoIsNull(image) && reinterpret_cast<uintptr_t>(options) != 1u) {
        frame.keep_width = PhotoWidth(image);
        frame.keep_height = PhotoHeight(image);
    }
    return tav::read_declared<tav::JpegFrame>(stream, image, tav::read_jpeg_frame, tav::decode_jpeg, &frame);
}

int WriteJPG(AuxIO *stream, Photo *image, const char * /*options*/) {
    if (load_jpeg_library() <= 0) return 1;
    if (!stream || !image) return 1;
    return tav::encode(stream, image);
}

}  // extern "C"
