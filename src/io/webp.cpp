// WebP through libwebp: still pictures, lossy or lossless, with or without
// alpha, read as RGBA; written lossy at the image's save quality or
// lossless on request.
//
// libwebp decodes from a buffer, so the file is read whole first.  Its RIFF
// header says how long it is: a file that claims more than the stream still
// holds is refused before the buffer is allocated.  Lossless WebP spends no
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
#include "io/reader_limits_p.h"
#include "tavrel.h"

#include <webp/decode.h>
#include <webp/encode.h>

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

// The whole file: the RIFF header already read, then the rest of the chunk.
struct WebPFile {
    Bytes bytes;
    size_t size = 0;
};

// Reads the RIFF header and checks its form; `total` is the file length it
// claims (header included).
bool read_riff_header(AuxIO *stream, unsigned char header[kRiffHeaderBytes], size_t *total) {
    if (!read_exactly(stream, header, kRiffHeaderBytes)) return false;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WEBP", 4) != 0) return false;
    const uint32_t riff_size = le32(header + 4);
    // The form type and at least one chunk header follow the size field.
    if (riff_size < 4 + 8 || riff_size > 0xfffffff6u) return false;
    *total = static_cast<size_t>(riff_size) + 8;
    return true;
}

// The file in memory, or nothing when it is shorter than it claims.  Files
// padded past their RIFF chunk keep the padding unread.
bool read_file(AuxIO *stream, WebPFile *file, size_t prefix_limit) {
    unsigned char header[kRiffHeaderBytes];
    size_t total = 0;
    if (!read_riff_header(stream, header, &total)) return false;
    if (!may_hold(stream, total - kRiffHeaderBytes)) return false;
    const size_t want = prefix_limit && prefix_limit < total ? prefix_limit : total;
    file->bytes = attempt_bytes(want);
    if (!file->bytes) return false;
    std::memcpy(file->bytes.get(), header, kRiffHeaderBytes);
    if (prefix_limit) {
        // The size-only path takes what there is of the first bytes.
        const int got = AuxIO_Read(stream, file->bytes.get() + kRiffHeaderBytes,
                                   static_cast<int>(want - kRiffHeaderBytes));
        file->size = kRiffHeaderBytes + (got > 0 ? static_cast<size_t>(got) : 0);
        return true;
    }
    if (!read_exactly(stream, file->bytes.get() + kRiffHeaderBytes, total - kRiffHeaderBytes)) return false;
    file->size = total;
    return true;
}

bool acceptable(const WebPBitstreamFeatures &features) {
    return !features.has_animation && features.width > 0 && features.height > 0 &&
           within_pixel_ceiling(features.width, features.height);
}

Photo *read_size_only(AuxIO *stream, Photo *image) {
    WebPFile file;
    if (!read_file(stream, &file, kFeatureBytes)) return nullptr;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.bytes.get(), file.size, &features) != VP8_STATUS_OK || !acceptable(features))
        return nullptr;
    return PhotoRecreate(image, features.width, features.height, TAV_MODE_RGBA);
}

Photo *decode(AuxIO *stream, Photo *image) {
    WebPFile file;
    if (!read_file(stream, &file, 0)) return nullptr;
    WebPOutput output;
    WebPDecoderConfig &config = output.config;
    if (WebPGetFeatures(file.bytes.get(), file.size, &config.input) != VP8_STATUS_OK || !acceptable(config.input))
        return nullptr;
    const int width = config.input.width, height = config.input.height;
    if (!recreate_unblanked(image, width, height, TAV_MODE_RGBA)) return nullptr;
    config.output.colorspace = MODE_RGBA;
    ImageRows rows;
    const bool direct = rows_to_write(image, &rows);
    if (direct) {
        // Decoded straight into the image's rows.
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = rows.base;
        config.output.u.RGBA.stride = static_cast<int>(rows.stride);
        config.output.u.RGBA.size = static_cast<size_t>(rows.stride) * (height - 1) + static_cast<size_t>(width) * 4;
    }
    if (WebPDecode(file.bytes.get(), file.size, &config) != VP8_STATUS_OK) return nullptr;
    if (!direct) {
        const WebPRGBABuffer &rgba = config.output.u.RGBA;
        for (int y = 0; y < height; ++y)
            PhotoPutRGBA(image, rgba.rgba + static_cast<size_t>(y) * rgba.stride, 0, y, width, 1, TAV_COMPOSE_REPLACE);
    }
    return image;
}

// libwebp's quality for the image's setting 0..100 (-1: not set).
float webp_quality(int quality) {
    if (quality < 0) return 75.0f;
    return static_cast<float>(quality > 100 ? 100 : quality);
}

int encode(AuxIO *stream, Photo *image, const char *options) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0 || width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION) return 0;
    bool lossless = false;
    if (!boolean_option(options, "-lossless", &lossless)) return 0;

    WebPConfig config;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, webp_quality(PhotoGetQuality(image)))) return 0;
    if (lossless) {
        config.lossless = 1;
        config.quality = 75.0f;  // effort, not fidelity: every pixel is kept
        config.exact = 1;        // colours under transparent pixels too
    }
    WebPPictureOwner owner;
    WebPPicture &picture = owner.picture;
    if (!owner.ready) return 0;
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
        if (!rgba) return 0;
        for (int y = 0; y < height; ++y) PhotoGetRGBA(image, rgba.get() + row_bytes * y, 0, y, width, 1);
        imported = WebPPictureImportRGBA(&picture, rgba.get(), static_cast<int>(row_bytes)) != 0;
    }
    if (!imported) return 0;
    WebPMemoryOwner memory;
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory.writer;
    if (!WebPEncode(&config, &picture)) return 0;
    return write_all(stream, memory.writer.mem, memory.writer.size) ? 1 : 0;
}

}  // namespace
}  // namespace tav

extern "C" {

Photo *ReadWEBP(AuxIO *stream, Photo *image, const char *) {
    if (!stream || !image) return nullptr;
    if (PhotoIsNull(image)) return tav::read_size_only(stream, image);
    return tav::decode(stream, image);
}

int WriteWEBP(AuxIO *stream, Photo *image, const char *options) {
    if (!stream || !image) return 0;
    return tav::encode(stream, image, options);
}

}  // extern "C"
