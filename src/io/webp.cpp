// WebP through libwebp: still pictures, lossy or lossless, with or without
// alpha, read as RGBA; written lossy at the image's save quality or
// lossless on request.
//
// The header function reads the RIFF header and the first chunk's start,
// which give the size; libwebp decodes from a buffer, so the decoder reads
// the whole file first.  The RIFF header says how long it is: a file that
// claims more than the stream still holds is refused before the buffer is
// allocated.  Lossless WebP spends no
// bits at all on a pixel of a one-colour picture, so no ratio bounds the
// picture by its bytes; the pixel ceiling does, and libwebp's own limit of
// 16383 pixels a side.  Animated files are refused (libwebp's still decoder
// does not take them).
#include "core/memory_p.h"
#include "io/auxio_p.h"
#include "io/format_helpers_p.h"
#include "io/format_options_p.h"
#include "io/image_rows_p.h"
#include "io/read_exactly_p.h"
#include "io/reader_decl_p.h"
#include "tavrel.h"

#include <webp/decode.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>

namespace tav {
namespace {

constexpr size_t kRiffHeaderBytes = 12;
// Enough for the first chunk's header and the picture size in any of the
// three still layouts (VP8, VP8L, VP8X).
constexpr size_t kFeatureBytes = 64;

// libwebp's own output buffer, released on every path.
struct WebPOutput {
    WebPDecoderConfig config;
    WebPOutput(const WebPOutput &) = delete;
    WebPOutput &operator=(const WebPOutput &) = delete;
    WebPOutput() { WebPInitDecoderConfig(&config); }
    ~WebPOutput() { WebPFreeDecBuffer(&config.output); }
};

struct WebPPictureOwner {
    WebPPicture picture;
    bool ready;
    WebPPictureOwner(const WebPPictureOwner &) = delete;
    WebPPictureOwner &operator=(const WebPPictureOwner &) = delete;
    WebPPictureOwner() : ready(WebPPictureInit(&picture) != 0) {}
    ~WebPPictureOwner() {
        if (ready) WebPPictureFree(&picture);
    }
};

struct WebPMemoryOwner {
    WebPMemoryWriter writer;
    WebPMemoryOwner(const WebPMemoryOwner &) = delete;
    WebPMemoryOwner &operator=(const WebPMemoryOwner &) = delete;
    WebPMemoryOwner() { WebPMemoryWriterInit(&writer); }
    ~WebPMemoryOwner() { WebPMemoryWriterClear(&writer); }
};

// The RIFF header, the first chunk and the picture's size and features.
struct WebpHeader : PictureHeader {
    size_t total = 0;  // the file's length as its RIFF header gives it
    unsigned char start[kFeatureBytes];
    size_t start_size = 0;
};

// Reads the RIFF header and the start of the first chunk; refuses what
// is no still WebP picture.  The rest of the file must be in the stream.
bool read_webp_header(AuxIO *stream, WebpHeader *header) {
    unsigned char *start = header->start;
    if (!read_exactly(stream, start, kRiffHeaderBytes)) return false;
    if (std::memcmp(start, "RIFF", 4) != 0 || std::memcmp(start + 8, "WEBP", 4) != 0) return false;
    const uint32_t riff_size = le32(start + 4);
    // The form type and at least one chunk header follow the size field.
    if (riff_size < 4 + 8 || riff_size > 0xfffffff6u) return false;
    header->total = static_cast<size_t>(riff_size) + 8;
    header->start_size = std::min(header->total, kFeatureBytes);
    if (!read_exactly(stream, start + kRiffHeaderBytes, header->start_size - kRiffHeaderBytes)) return false;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(start, header->start_size, &features) != VP8_STATUS_OK || features.has_animation)
        return false;
    header->width = features.width;
    header->height = features.height;
    header->mode = TAV_MODE_RGBA;
    header->needs_bytes = header->total - header->start_size;
    return true;
}

// Reads the rest of the file and decodes it, straight into the image's
// rows when it has them.
bool decode_webp(AuxIO *stream, const WebpHeader &header, const DecodeTarget &target) {
    Bytes file = attempt_bytes(header.total);
    if (!file) return false;
    std::memcpy(file.get(), header.start, header.start_size);
    if (!read_exactly(stream, file.get() + header.start_size, header.total - header.start_size)) return false;
    WebPOutput output;
    WebPDecoderConfig &config = output.config;
    if (WebPGetFeatures(file.get(), header.total, &config.input) != VP8_STATUS_OK ||
        config.input.width != header.width || config.input.height != header.height)
        return false;
    config.output.colorspace = MODE_RGBA;
    const int width = header.width, height = header.height;
    if (target.direct) {
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = target.rows.base;
        config.output.u.RGBA.stride = static_cast<int>(target.rows.stride);
        config.output.u.RGBA.size =
            static_cast<size_t>(target.rows.stride) * (height - 1) + static_cast<size_t>(width) * 4;
    }
    if (WebPDecode(file.get(), header.total, &config) != VP8_STATUS_OK) return false;
    if (!target.direct) {
        const WebPRGBABuffer &rgba = config.output.u.RGBA;
        for (int y = 0; y < height; ++y)
            PhotoPutRGBA(target.image, rgba.rgba + static_cast<size_t>(y) * rgba.stride, 0, y, width, 1,
                         TAV_COMPOSE_REPLACE);
    }
    return true;
}

// libwebp's quality for the image's setting 0..100 (-1: not set).
float webp_quality(int quality) {
    if (quality < 0) return 75.0f;
    return static_cast<float>(quality > 100 ? 100 : quality);
}

// Encodes and writes the picture; false when nothing usable was written.
bool encode(AuxIO *stream, Photo *image, const char *options) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0 || width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION) return false;
    bool lossless = false;
    if (!boolean_option(options, "-lossless", &lossless)) return false;

    WebPConfig config;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, webp_quality(PhotoGetQuality(image)))) return false;
    if (lossless) {
        config.lossless = 1;
        config.quality = 75.0f;  // effort, not fidelity: every pixel is kept
        config.exact = 1;        // colours under transparent pixels too
    }
    WebPPictureOwner owner;
    WebPPicture &picture = owner.picture;
    if (!owner.ready) return false;
    picture.use_argb = lossless ? 1 : 0;
    picture.width = width;
    picture.height = height;

    ImageRows rows;
    bool imported = false;
    if (rows_to_read(image, &rows) && PhotoIsTruecolor(image)) {
        imported = WebPPictureImportRGBA(&picture, rows.base, static_cast<int>(rows.stride)) != 0;
    } else {
        const size_t row_bytes = static_cast<size_t>(width) * 4;
        Bytes rgba = attempt_bytes(row_bytes * height);
        if (!rgba) return false;
        for (int y = 0; y < height; ++y) PhotoGetRGBA(image, rgba.get() + row_bytes * y, 0, y, width, 1);
        imported = WebPPictureImportRGBA(&picture, rgba.get(), static_cast<int>(row_bytes)) != 0;
    }
    if (!imported) return false;
    WebPMemoryOwner memory;
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory.writer;
    if (!WebPEncode(&config, &picture)) return false;
    return write_all(stream, memory.writer.mem, memory.writer.size);
}

}  // namespace
}  // namespace tav

extern "C" {

Photo *ReadWEBP(AuxIO *stream, Photo *image, const char *) {
    return tav::read_declared<tav::WebpHeader>(stream, image, tav::read_webp_header, tav::decode_webp);
}

int WriteWEBP(AuxIO *stream, Photo *image, const char *options) {
    if (!stream || !image) return 1;
    return tav::encode(stream, image, options) ? 0 : 1;
}

}  // extern "C"
