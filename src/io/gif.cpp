// GIF87a/GIF89a: one image of a file is read onto its logical screen (the
// first unless the option text asks for another; the images after it are
// not decoded); one image is written, LZW compressed under a global colour
// table.
//
// The option text chooses what is read:
// - "-index N": image N alone at its offset on the blank screen;
// - "-frame N": the screen as a viewer shows it after images 0 ... N, each
//   laid over the one before (its transparent pixels keep what is below)
//   once the one before is disposed of as its graphic control extension
//   says: kept, cleared to transparent (restore background) or restored to
//   what it covered (restore previous).
// Image 0 is the same either way, and the same as without options.  An
// index past the last image refuses the file, telling how many it has.
//
// The screen comes from a 7-byte header that costs nothing to forge.  It is
// admitted like any reader's picture (the pixel ceiling, and beyond
// kBlankScreenPixels the bytes left must hold the LZW codes to paint it)
// and made from zeroed memory, which costs nothing resident until written.
// It is blanked only once the first image's data is gathered and shown able
// to paint that image (see lzw_most_indices), or at the end of a file that
// carries no image, so a few bytes cannot ask for a gigabyte of blank
// screen.
#include "core/fill_p.h"
#include "core/memory_p.h"
#include "core/rows_p.h"
#include "io/exact_palette_p.h"
#include "io/format_helpers_p.h"
#include "io/format_options_p.h"
#include "io/gif_frames_p.h"
#include "io/gif_lzw_p.h"
#include "io/image_rows_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"
#include "io/reader_limits_p.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tav {
namespace {

// 4096 x 4096: a screen up to this size may be blank (a header-only file,
// or a small image on a larger screen) whatever the data.
constexpr long long kBlankScreenPixels = 1LL << 24;

// Which image is read, and how (see the top of this file).
struct GifRequest {
    int target = 0;
    bool frame = false;  // composed with the images before it
};

// The logical screen, and the request it is read for.  A screen larger than
// may be blank needs image data that can paint it (see screen_affordable).
struct GifHeader : PictureHeader {
    int packed = 0;
    int background = 0;
    GifRequest request;
};

struct ColourTable {
    int entries = 0;  // 0: none
    unsigned char rgb[256 * 3];
};

struct ImageDescriptor {
    int left, top, width, height;
    bool interlaced;
    int table_entries;  // of the local colour table, 0 when none
};

inline int table_entries_of(int packed) { return (packed & 0x80) ? 2 << (packed & 7) : 0; }

// The signature and the logical screen descriptor.
bool read_gif_header(AuxIO *stream, GifHeader *header) {
    unsigned char bytes[13];
    if (!read_exactly(stream, bytes, 6)) return false;
    if (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0) return false;
    if (!read_exactly(stream, bytes + 6, 7)) return false;
    header->width = static_cast<int>(le16(bytes + 6));
    header->height = static_cast<int>(le16(bytes + 8));
    header->packed = bytes[10];
    header->background = bytes[11];
    header->mode = TAV_MODE_RGBA;
    // Beyond the blank allowance, the LZW data must hold enough codes to
    // paint the screen: 12 bits for each run of at most 4098 indices.
    const auto pixels = static_cast<unsigned long long>(header->width) * static_cast<unsigned long long>(header->height);
    if (pixels > static_cast<unsigned long long>(kBlankScreenPixels)) {
        const unsigned long long codes = (pixels - 4098 + 4097) / 4098;
        header->needs_bytes = (3 * codes + 1) / 2;
    }
    return header->width > 0 && header->height > 0;
}

bool read_table(AuxIO *stream, int entries, ColourTable *table) {
    table->entries = entries;
    return read_exactly(stream, table->rgb, static_cast<size_t>(entries) * 3);
}

// One data sub-block into `block` (255 bytes); its length, or -1 when the
// stream ends first.
int read_sub_block(AuxIO *stream, unsigned char *block) {
    const int length = AuxIO_Fgetc(stream);
    if (length < 0) return -1;
    if (length > 0 && !read_exactly(stream, block, static_cast<size_t>(length))) return -1;
    return length;
}

bool skip_sub_blocks(AuxIO *stream) {
    unsigned char block[255];
    for (;;) {
        const int length = read_sub_block(stream, block);
        if (length < 0) return false;
        if (length == 0) return true;
    }
}

// What the graphic control extension before an image says about it.
struct GraphicControl {
    int transparent = -1;
    int disposal = 0;  // 0, 1: keep; 2: restore background; 3: restore previous
};

// An extension after its introducer.  A graphic control extension names
// the transparent index (with its flag) and the disposal of the next image.
bool read_extension(AuxIO *stream, GraphicControl *control) {
    const int label = AuxIO_Fgetc(stream);
    if (label < 0) return false;
    if (label == 0xF9) {
        unsigned char block[255];
        const int length = read_sub_block(stream, block);
        if (length < 0) return false;
        if (length == 0) return true;  // that was the terminator
        if (length >= 4) {
            control->transparent = (block[0] & 1) ? block[3] : -1;
            control->disposal = (block[0] >> 2) & 7;
        }
    }
    return skip_sub_blocks(stream);
}

// The image's data sub-blocks, payloads back to back.  The stream ending
// before the terminator just ends the data: the decoder then tells whether
// the image was complete.
class ImageData {
public:
    bool gather(AuxIO *stream) {
        unsigned char block[255];
        for (;;) {
            const int length = read_sub_block(stream, block);
            if (length <= 0) return true;
            if (size_ + static_cast<size_t>(length) > capacity_) {
                const size_t grown = std::max<size_t>(capacity_ * 2, 4096);
                void *p = attempt_realloc(bytes_.get(), grown);
                if (!p) return false;
                bytes_.release();
                bytes_.reset(static_cast<unsigned char *>(p));
                capacity_ = grown;
            }
            std::memcpy(bytes_.get() + size_, block, static_cast<size_t>(length));
            size_ += static_cast<size_t>(length);
        }
    }
    const unsigned char *data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    Bytes bytes_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

bool read_descriptor(AuxIO *stream, ImageDescriptor *image) {
    unsigned char bytes[9];
    if (!read_exactly(stream, bytes, sizeof bytes)) return false;
    image->left = le16(bytes);
    image->top = le16(bytes + 2);
    image->width = le16(bytes + 4);
    image->height = le16(bytes + 6);
    image->interlaced = (bytes[8] & 0x40) != 0;
    image->table_entries = table_entries_of(bytes[8]);
    return true;
}

// Whether the screen's blank area is affordable: beyond kBlankScreenPixels
// only as far as `paint_bytes` of image data could cover it.  (The pixel
// ceiling was checked before the screen was made.)
bool screen_affordable(const GifHeader &header, size_t paint_bytes) {
    const long long pixels = static_cast<long long>(header.width) * header.height;
    return pixels <= kBlankScreenPixels || static_cast<uint64_t>(pixels) <= lzw_most_indices(paint_bytes);
}

// The screen comes unblanked from admission; it is blanked once the first
// painted image shows it affordable, unless that image covers it whole.
bool ready_screen(Photo *screen, const GifHeader &header, size_t paint_bytes, bool covered) {
    return screen_affordable(header, paint_bytes) && (covered || blank_image(screen) == 0);
}

// Decodes the first image row by row onto the screen, in interlace pass
// order when the image is interlaced.
bool paint_image(Photo *photo, LzwDecoder &decoder, const ImageDescriptor &image, const ColourTable &table,
                 int transparent, int compose) {
    unsigned char lut[256 * 4];
    for (int i = 0; i < table.entries; ++i) {
        std::memcpy(lut + 4 * i, table.rgb + 3 * i, 3);
        lut[4 * i + 3] = i == transparent ? 0 : 255;
    }
    const size_t width = static_cast<size_t>(image.width);
    Bytes indices = attempt_bytes(width * sizeof(uint16_t)), rgba = attempt_bytes(width * 4);
    if (!indices || !rgba) return false;
    auto *row = reinterpret_cast<uint16_t *>(indices.get());

    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = image.interlaced ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = image.interlaced ? kStart[pass] : 0, step = image.interlaced ? kStep[pass] : 1;
        for (int y = start; y < image.height; y += step) {
            if (decoder.read(row, image.width) < 0) return false;
            if (!lut16_to_rgba(row, lut, table.entries, rgba.get(), width)) return false;
            PhotoPutRGBA(photo, rgba.get(), image.left, image.top + y, image.width, 1, compose);
        }
    }
    return true;
}

// A later image: its indices are decoded to check the data, then dropped.
bool skip_image(LzwDecoder &decoder, const ImageDescriptor &image) {
    uint16_t chunk[4096];
    uint64_t left = static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height);
    while (left > 0) {
        const int n = static_cast<int>(std::min<uint64_t>(left, 4096));
        if (decoder.read(chunk, n) < 0) return false;
        left -= static_cast<uint64_t>(n);
    }
    return true;
}

// The part of the screen an image covered, kept to be restored ("restore
// previous") or cleared ("restore background") before the next image.
class Disposal {
public:
    // Called before image `image` is painted with disposal `method`.
    bool before(Photo *screen, const ImageDescriptor &image, int method) {
        method_ = method;
        rect_ = clip(screen, image);
        if (method_ != 3 || rect_.width <= 0 || rect_.height <= 0) return true;
        saved_ = attempt_bytes(static_cast<size_t>(rect_.width) * rect_.height * 4);
        return saved_ && PhotoGetRGBA(screen, saved_.get(), rect_.left, rect_.top, rect_.width, rect_.height) == 0;
    }
    // Called before the next image is painted.
    bool after(Photo *screen) {
        if ((method_ != 2 && method_ != 3) || rect_.width <= 0 || rect_.height <= 0) return true;
        if (method_ == 3) return PhotoPutRGBA(screen, saved_.get(), rect_.left, rect_.top, rect_.width, rect_.height,
                                              TAV_COMPOSE_REPLACE) == 0;
        std::vector<unsigned char> clear(static_cast<size_t>(rect_.width) * 4, 0);
        for (int y = 0; y < rect_.height; ++y)
            PhotoPutRGBA(screen, clear.data(), rect_.left, rect_.top + y, rect_.width, 1, TAV_COMPOSE_REPLACE);
        return true;
    }

private:
    static ImageDescriptor clip(Photo *screen, const ImageDescriptor &image) {
        ImageDescriptor r = image;
        r.width = std::max(0, std::min(image.left + image.width, PhotoWidth(screen)) - image.left);
        r.height = std::max(0, std::min(image.top + image.height, PhotoHeight(screen)) - image.top);
        return r;
    }
    int method_ = 0;
    ImageDescriptor rect_{};
    Bytes saved_;
};

// One image descriptor and its data, after the introducer: image `index`
// of the file.  The screen is readied for the first image painted, and
// `*ready` set then; images before the one asked for are painted only
// when a frame is asked for, and images after it are never decoded.
bool read_image(AuxIO *stream, Photo *screen, const GifHeader &header, const ColourTable &global,
                const GraphicControl &control, int index, bool *ready, Disposal *disposal) {
    const GifRequest &request = header.request;
    ImageDescriptor image;
    if (!read_descriptor(stream, &image)) return false;
    const bool paint = index == request.target || (request.frame && index < request.target);
    ColourTable local;
    if (image.table_entries && !read_table(stream, image.table_entries, &local)) return false;
    if (image.width < 1 || image.height < 1) return false;
    const ColourTable &table = local.entries ? local : global;
    if (!table.entries) return false;
    const int min_code_size = AuxIO_Fgetc(stream);
    if (min_code_size < 0 || min_code_size > kLzwMaxMinCodeSize) return false;

    ImageData data;
    if (!data.gather(stream)) return false;
    const auto pixels = static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height);
    if (pixels > lzw_most_indices(data.size())) return false;  // could never be complete

    auto decoder = std::make_unique<LzwDecoder>(data.data(), data.size(), min_code_size);
    if (!paint) return skip_image(*decoder, image);
    if (!*ready) {
        // Only a screen that this one image paints whole needs no blanking.
        const bool covered = image.left == 0 && image.top == 0 && image.width >= header.width &&
                             image.height >= header.height && index == request.target;
        if (!ready_screen(screen, header, data.size(), covered)) return false;
        *ready = true;
    } else if (!disposal->after(screen)) {
        return false;
    }
    if (!disposal->before(screen, image, control.disposal)) return false;
    // Image 0, and an image alone, replace the screen under them; later
    // frames are laid over it.
    const int compose = index == 0 || !request.frame ? TAV_COMPOSE_REPLACE : TAV_COMPOSE_OVER;
    return paint_image(screen, *decoder, image, table, control.transparent, compose);
}

thread_local char frame_count_message[64];

// Refuses a request past the last image, telling how many there are.
bool refuse_past_last(int images) {
    std::snprintf(frame_count_message, sizeof frame_count_message, "the GIF has %d frame%s", images,
                  images == 1 ? "" : "s");
    note_refusal(frame_count_message);
    return false;
}

// Everything after the logical screen descriptor, onto the admitted screen.
bool decode_gif(AuxIO *stream, const GifHeader &header, const DecodeTarget &target) {
    ColourTable global;
    if (const int entries = table_entries_of(header.packed); entries && !read_table(stream, entries, &global))
        return false;

    const GifRequest &request = header.request;
    bool ready = false;
    GraphicControl control;
    Disposal disposal;
    int images = 0;
    for (;;) {
        const int introducer = AuxIO_Fgetc(stream);
        if (introducer < 0 || introducer == ';') break;
        if (introducer == '!') {
            if (!read_extension(stream, &control)) return false;
        } else if (introducer == ',') {
            if (!read_image(stream, target.image, header, global, control, images, &ready, &disposal))
                return false;
            // A disposal speaks for its image only.  A transparent index
            // stays until the next graphic control extension.
            control.disposal = 0;
            if (++images > request.target && request.target > 0) break;  // what follows is never shown
        }
        // Any other byte between blocks is skipped.
    }
    if (request.target > 0 && images <= request.target) return refuse_past_last(images);
    // A file without an image gives its blank screen.
    return ready || ready_screen(target.image, header, 0, false);
}

// The indexed picture to write and the palette it is written with.
struct GifSource {
    Photo *image = nullptr;
    Photo *temporary = nullptr;  // made by quantising, deleted afterwards
    int size = 0;
    int transparent = -1;
    unsigned char rgb[256 * 3] = {};
    GifSource() = default;
    GifSource(const GifSource &) = delete;
    GifSource &operator=(const GifSource &) = delete;
    ~GifSource() { PhotoDelete(temporary); }
};

// Greyscale maps onto the grey ramp, truecolour onto 254 median-cut colours
// plus a transparent grey; indexed images are written as they are.
bool choose_source(Photo *photo, GifSource *source) {
    TavColormap *palette = nullptr;
    if (PhotoIsGrayscale(photo)) {
        palette = PhotoPaletteGray();
    } else if (PhotoIsTruecolor(photo) && (source->temporary = index_exactly(photo, 256, true))) {
        // Few enough colours: exactly those, undithered.
    } else if (PhotoIsTruecolor(photo)) {
        palette = PhotoAdaptative(photo, 254);
        if (!palette) return false;
        TavSetTransparent(palette, TavAddColormap(palette, 192, 192, 192));
    } else if (!PhotoIsIndexed(photo)) {
        return false;
    }
    if (palette) {
        source->temporary = PhotoQuantize(photo, palette);
        if (!source->temporary) {
            TavDeleteColormap(palette);
            return false;
        }
        source->image = source->temporary;
    } else {
        source->image = source->temporary ? source->temporary : photo;
    }
    TavColormap *map = PhotoColormap(source->image);
    if (!map) return false;
    source->transparent = TavGetTransparent(map);
    source->size = TavColormapSize(map);
    if (source->size > 256) return false;
    for (int i = 0; i < source->size; ++i) {
        int r, g, b;
        TavGetColormap(map, i, &r, &g, &b);
        source->rgb[3 * i] = static_cast<unsigned char>(r);
        source->rgb[3 * i + 1] = static_cast<unsigned char>(g);
        source->rgb[3 * i + 2] = static_cast<unsigned char>(b);
    }
    // Fewer than two colours gain black and white (in the written table
    // only: the image's own colormap is left alone).
    if (source->size < 2) {
        std::memset(source->rgb + 3 * source->size, 0, 3);
        std::memset(source->rgb + 3 * source->size + 3, 255, 3);
        source->size += 2;
    }
    return true;
}

int write_gif(AuxIO *stream, Photo *photo) {
    const int width = PhotoWidth(photo), height = PhotoHeight(photo);
    // Sizes are 16-bit in the file: a larger image cannot be written.
    if (width < 1 || height < 1 || width > 65535 || height > 65535) return 1;
    GifSource source;
    if (!choose_source(photo, &source)) return 1;
    Bytes row = attempt_bytes(static_cast<size_t>(width));
    if (!row) return 1;

    int bits = 1;
    while ((1 << bits) < source.size) ++bits;
    const int code_size = std::max(bits, 2);

    unsigned char head[13];
    std::memcpy(head, source.transparent >= 0 ? "GIF89a" : "GIF87a", 6);
    put_le16(head + 6, width);
    put_le16(head + 8, height);
    head[10] = static_cast<unsigned char>(0x80 | (bits - 1) << 5 | (bits - 1));
    head[11] = static_cast<unsigned char>(source.transparent >= 0 ? source.transparent : 0);
    head[12] = 0;
    AuxIO_Write(stream, head, sizeof head);
    AuxIO_Write(stream, source.rgb, 3 << bits);  // rgb is zeroed beyond the palette

    if (source.transparent >= 0) {
        const unsigned char control[8] = {0x21, 0xF9, 4, 1, 0, 0, static_cast<unsigned char>(source.transparent), 0};
        AuxIO_Write(stream, control, sizeof control);
    }
    unsigned char descriptor[11] = {0x2C, 0, 0, 0, 0};
    put_le16(descriptor + 5, width);
    put_le16(descriptor + 7, height);
    descriptor[9] = 0;
    descriptor[10] = static_cast<unsigned char>(code_size);
    AuxIO_Write(stream, descriptor, sizeof descriptor);

    auto encoder = std::make_unique<LzwEncoder>(stream, code_size);
    // Rows are read in place unless an index beyond the table needs
    // mapping to 0 (only an image indexed by the caller can have one).
    ImageRows rows;
    const bool in_place = rows_to_read(source.image, &rows);
    for (int y = 0; y < height; ++y) {
        const unsigned char *indices = in_place ? rows.row(y) : row.get();
        if (!in_place) PhotoGetIndex(source.image, row.get(), 0, y, width, 1);
        if (source.size < 256 && *std::max_element(indices, indices + width) >= source.size) {
            if (indices != row.get()) std::memcpy(row.get(), indices, static_cast<size_t>(width));
            for (int x = 0; x < width; ++x)
                if (row[x] >= source.size) row[x] = 0;
            indices = row.get();
        }
        encoder->compress(indices, static_cast<size_t>(width));
    }
    encoder->finish();
    const unsigned char trailer[2] = {0, ';'};
    AuxIO_Write(stream, trailer, sizeof trailer);
    return 0;
}

}  // namespace

bool walk_gif_frames(AuxIO *stream, void (*each)(void *context, int delay), void *context) {
    GifHeader header;
    if (!read_gif_header(stream, &header)) return false;
    if (const int entries = table_entries_of(header.packed); entries && !skip_bytes(stream, 3 * entries))
        return false;
    int delay = 0;
    for (;;) {
        const int introducer = AuxIO_Fgetc(stream);
        if (introducer < 0 || introducer == ';') return true;
        if (introducer == '!') {
            const int label = AuxIO_Fgetc(stream);
            if (label < 0) return false;
            unsigned char block[255];
            if (label == 0xF9) {
                const int length = read_sub_block(stream, block);
                if (length < 0) return false;
                if (length == 0) continue;
                if (length >= 3) delay = static_cast<int>(le16(block + 1));
            }
            if (!skip_sub_blocks(stream)) return false;
        } else if (introducer == ',') {
            ImageDescriptor image;
            if (!read_descriptor(stream, &image) || !skip_bytes(stream, 3 * static_cast<size_t>(image.table_entries)) ||
                AuxIO_Fgetc(stream) < 0 || !skip_sub_blocks(stream))
                return false;
            each(context, delay);
            delay = 0;
        }
    }
}

}  // namespace tav

extern "C" {

Photo *ReadGIF(AuxIO *stream, Photo *image, const char *options) {
    if (!stream || !image) return nullptr;
    tav::GifHeader header;
    int index = -1, frame = -1;
    if (!tav::count_option(options, "-index", &index) || !tav::count_option(options, "-frame", &frame) ||
        (index >= 0 && frame >= 0))
        return nullptr;
    header.request.frame = frame >= 0;
    header.request.target = std::max({0, index, frame});
    return tav::read_declared<tav::GifHeader>(stream, image, tav::read_gif_header, tav::decode_gif, &header);
}

int WriteGIF(AuxIO *stream, Photo *image, const char * /*options*/) {
    if (!stream || !image) return 1;
    return tav::write_gif(stream, image);
}

}  // extern "C"
