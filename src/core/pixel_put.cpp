// Writing pixels into a Photo: clipping, layout conversion, compose modes,
// and whole rows handed to the renderer.
#include "core/compose_p.h"
#include "core/memory_p.h"
#include "core/pixel_p.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tav {
namespace {

// Source of one clipped block row: plane addresses and pixel strides.
struct SourceRow {
    const unsigned char *p[4];
    int stride[4];
};

SourceRow source_row(const PhotoBlock *block, const Clip &c, int j) {
    SourceRow s{};
    for (int ch = 0; ch < 4; ++ch) {
        const TavPlaneSet &ps = block->planes;
        s.stride[ch] = ps.pixel_stride[ch];
        s.p[ch] = ps.plane[ch] ? ps.plane[ch] + static_cast<ptrdiff_t>(c.skip_y + j) * ps.row_stride[ch] +
                                     static_cast<ptrdiff_t>(c.skip_x) * ps.pixel_stride[ch]
                               : nullptr;
    }
    return s;
}

bool is_packed_rgba(const SourceRow &s) {
    return s.p[1] == s.p[0] + 1 && s.p[2] == s.p[0] + 2 && s.p[3] == s.p[0] + 3 && s.stride[0] == 4 &&
           s.stride[1] == 4 && s.stride[2] == 4 && s.stride[3] == 4;
}

// One colour for the whole row (a fill, the blanking of every new image):
// the first pixel is copied onto the rest in doubling runs, wide copies
// instead of one byte store per channel and pixel.
void repeat_first_pixel(unsigned char *out, int n) {
    const size_t total = static_cast<size_t>(n) * 4;
    for (size_t done = 4; done < total; done *= 2) std::memcpy(out + done, out, std::min(done, total - done));
}

// Gathers n pixels from separate planes into packed RGBA.
void gather_rgba(const SourceRow &s, unsigned char *out, int n) {
    if (s.stride[0] == 0 && s.stride[1] == 0 && s.stride[2] == 0 && s.stride[3] == 0) {
        for (int ch = 0; ch < 4; ++ch) out[ch] = *s.p[ch];
        repeat_first_pixel(out, n);
        return;
    }
    // Packed RGB with one alpha for all (every RGB reader's rows): one
    // pass the compiler can keep in registers.
    if (s.stride[0] == 3 && s.stride[1] == 3 && s.stride[2] == 3 && s.stride[3] == 0 && s.p[1] == s.p[0] + 1 &&
        s.p[2] == s.p[0] + 2) {
        const unsigned char *rgb = s.p[0];
        const unsigned char alpha = *s.p[3];
        int i = 0;
        if constexpr (std::endian::native == std::endian::little) {
            // Four bytes in, the fourth replaced by alpha; the last pixel is
            // left to the byte loop so that no byte past the row is read.
            const uint32_t alpha_bits = static_cast<uint32_t>(alpha) << 24;
            for (; i + 1 < n; ++i, rgb += 3, out += 4) {
                uint32_t v;
                std::memcpy(&v, rgb, 4);
                v = (v & 0x00FFFFFFu) | alpha_bits;
                std::memcpy(out, &v, 4);
            }
        }
        for (; i < n; ++i, rgb += 3, out += 4) {
            out[0] = rgb[0];
            out[1] = rgb[1];
            out[2] = rgb[2];
            out[3] = alpha;
        }
        return;
    }
    for (int ch = 0; ch < 4; ++ch) {
        const unsigned char *src = s.p[ch];
        const int step = s.stride[ch];
        if (step == 0) {
            const unsigned char v = *src;
            for (int i = 0; i < n; ++i) out[4 * i + ch] = v;
        } else {
            for (int i = 0; i < n; ++i, src += step) out[4 * i + ch] = *src;
        }
    }
}

int put_indexed(Photo *image, const PhotoBlock *block, const Clip &c) {
    if (!block->colormap || !block->planes.plane[0]) return 1;
    auto put_block = image->render_ops->put_block;
    if (!put_block) return 0;
    Scratch row(static_cast<size_t>(c.w));
    if (!row) return 1;
    for (int j = 0; j < c.h; ++j) {
        const SourceRow s = source_row(block, c, j);
        const unsigned char *src = s.p[0];
        for (int i = 0; i < c.w; ++i, src += s.stride[0]) row.data()[i] = *src;
        put_block(image, row.data(), c.x, c.y + j, c.w, 1);
    }
    return 0;
}

// Limits a row to the columns the clip region lets through; false when none.
bool region_span(const Photo *image, int x, int y, int w, unsigned char *pass, int *first, int *last) {
    *first = -1;
    *last = -1;
    for (int i = 0; i < w; ++i) {
        pass[i] = static_cast<unsigned char>(TavPointInRegion(image->region, x + i, y));
        if (pass[i]) {
            if (*first < 0) *first = i;
            *last = i;
        }
    }
    return *first >= 0;
}

}  // namespace
}  // namespace tav

extern "C" {

int PhotoPutBlock(Photo *image, const PhotoBlock *block, int x, int y, int compose) {
    using namespace tav;
    if (!image || !block || !image->render_ops) return 0;
    const Clip c = clip_to_image(image, x, y, block->width, block->height);
    if (image->mode == TAV_MODE_INDEXED) {
        if (!block->colormap) return 1;
        return c.empty() || !image->render_ops->put_block ? 0 : put_indexed(image, block, c);
    }
    if (compose == TAV_COMPOSE_DEFAULT) compose = image->compose;
    if (compose == TAV_COMPOSE_DEFAULT) compose = TAV_COMPOSE_REPLACE;
    for (int ch = 0; ch < 4; ++ch)
        if (!block->planes.plane[ch]) return 1;
    // A renderer that stores nothing makes the transfer a no-op: no rows
    // are walked (a file header may give an image any size up to 2^31).
    if (c.empty() || !image->render_ops->put_block) return 0;

    auto put_block = image->render_ops->put_block;
    auto get_block = image->render_ops->get_block;
    const bool indexed_block = block->colormap != nullptr;
    const bool plain_replace = compose == TAV_COMPOSE_REPLACE && !image->region && image->channels == 4;

    // Whole rectangle in one renderer call when the block is exactly the
    // clipped rectangle in packed RGBA.
    const SourceRow first = source_row(block, c, 0);
    if (plain_replace && !indexed_block && is_packed_rgba(first)) {
        bool contiguous = true;
        for (int ch = 0; ch < 4; ++ch)
            if (block->planes.row_stride[ch] != 4 * c.w) contiguous = false;
        if (contiguous) {
            if (put_block) put_block(image, first.p[0], c.x, c.y, c.w, c.h);
            return 0;
        }
    }

    const int channels = image->channels;
    const int alpha_at = alpha_index(image->mode);
    const size_t n = static_cast<size_t>(c.w);
    Scratch scratch(n * channels + n * 4 + (image->region ? n : 0));
    if (!scratch) return 1;
    unsigned char *dst_row = scratch.data();
    unsigned char *rgba_row = dst_row + n * channels;
    unsigned char *pass = rgba_row + n * 4;

    PaletteLut lut;
    if (indexed_block) build_palette_lut(block->colormap, lut);

    for (int j = 0; j < c.h; ++j) {
        const int row_y = c.y + j;
        int from = 0, to = c.w - 1;
        if (image->region && !region_span(image, c.x, row_y, c.w, pass, &from, &to)) continue;
        const int span = to - from + 1;

        const SourceRow s = source_row(block, c, j);
        const unsigned char *rgba;
        if (indexed_block) {
            const unsigned char *src = s.p[0];
            for (int i = 0; i < c.w; ++i, src += s.stride[0]) std::memcpy(rgba_row + 4 * i, &lut[*src * 4], 4);
            rgba = rgba_row;
        } else if (is_packed_rgba(s)) {
            rgba = s.p[0];
        } else {
            gather_rgba(s, rgba_row, c.w);
            rgba = rgba_row;
        }

        if (plain_replace) {  // RGBA in, RGBA stored: no scratch copy needed
            if (put_block) put_block(image, rgba + 4 * from, c.x + from, row_y, span, 1);
            continue;
        }
        unsigned char *dst = dst_row + static_cast<size_t>(from) * channels;
        if (compose != TAV_COMPOSE_REPLACE) {
            if (get_block) get_block(image, dst, c.x + from, row_y, span, 1);
            else std::memset(dst, 255, static_cast<size_t>(span) * channels);
        }
        if (!image->region) {
            compose_row(compose, dst, channels, alpha_at, rgba + 4 * from, span);
        } else {
            for (int i = from; i <= to; ++i)
                if (pass[i]) compose_row(compose, dst_row + static_cast<size_t>(i) * channels, channels, alpha_at,
                                         rgba + 4 * i, 1);
        }
        if (put_block) put_block(image, dst, c.x + from, row_y, span, 1);
    }
    return 0;
}

int PhotoPutExt(Photo *image, int x, int y, int w, int h, int strideR, int strideG, int strideB, int strideA,
                const unsigned char *srcR, const unsigned char *srcG, const unsigned char *srcB,
                const unsigned char *srcA, int compose) {
    PhotoBlock block{};
    block.width = w;
    block.height = h;
    const unsigned char *src[4] = {srcR, srcG, srcB, srcA};
    const int stride[4] = {strideR, strideG, strideB, strideA};
    for (int ch = 0; ch < 4; ++ch) {
        block.planes.plane[ch] = const_cast<unsigned char *>(src[ch]);
        block.planes.pixel_stride[ch] = src[ch] ? stride[ch] : 0;
        // A row too long for an int stride only works as a single row,
        // where the stride is never used; more such rows are refused.
        int row_stride = 0;
        if (__builtin_mul_overflow(w, block.planes.pixel_stride[ch], &row_stride)) {
            if (h > 1) return 1;
            row_stride = 0;
        }
        block.planes.row_stride[ch] = row_stride;
    }
    if (image && image->mode == TAV_MODE_INDEXED && srcR && !srcG && !srcB && !srcA)
        block.colormap = image->colormap;
    return PhotoPutBlock(image, &block, x, y, compose);
}

int PhotoPutRGBA(Photo *image, const unsigned char *src, int x, int y, int w, int h, int compose) {
    return PhotoPutExt(image, x, y, w, h, 4, 4, 4, 4, src, src + 1, src + 2, src + 3, compose);
}

int PhotoPutBGRA(Photo *image, const unsigned char *src, int x, int y, int w, int h, int compose) {
    return PhotoPutExt(image, x, y, w, h, 4, 4, 4, 4, src + 2, src + 1, src, src + 3, compose);
}

int PhotoPutABGR(Photo *image, const unsigned char *src, int x, int y, int w, int h, int compose) {
    return PhotoPutExt(image, x, y, w, h, 4, 4, 4, 4, src + 3, src + 2, src + 1, src, compose);
}

static const unsigned char kOpaque = 255;

int PhotoPutRGB(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    return PhotoPutExt(image, x, y, w, h, 3, 3, 3, 0, src, src + 1, src + 2, &kOpaque, TAV_COMPOSE_REPLACE);
}

int PhotoPutBGR(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    return PhotoPutExt(image, x, y, w, h, 3, 3, 3, 0, src + 2, src + 1, src, &kOpaque, TAV_COMPOSE_REPLACE);
}

int PhotoPutGray(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    return PhotoPutExt(image, x, y, w, h, 1, 1, 1, 0, src, src, src, &kOpaque, TAV_COMPOSE_REPLACE);
}

int PhotoPutIndex(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    if (image->mode != TAV_MODE_INDEXED) return 1;
    return PhotoPutExt(image, x, y, w, h, 1, 0, 0, 0, src, nullptr, nullptr, nullptr, TAV_COMPOSE_REPLACE);
}

int PhotoPut565(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    using namespace tav;
    if (w < 1 || h < 1) return 0;
    const int slice = static_cast<int>(std::max(1LL, 262144 / (3LL * w)));
    Bytes rgb = attempt_bytes(static_cast<size_t>(std::min(slice, h)) * w * 3);
    if (!rgb) return 1;
    for (int start = 0; start < h; start += slice) {
        const int rows = std::min(slice, h - start);
        const size_t count = static_cast<size_t>(rows) * w;
        const unsigned char *in = src + static_cast<size_t>(start) * w * 2;
        unsigned char *out = rgb.get();
        for (size_t k = 0; k < count; ++k, in += 2, out += 3) {
            const unsigned v = in[0] * 256u + in[1];
            out[0] = static_cast<unsigned char>((v & 31) * 255 / 31);
            out[1] = static_cast<unsigned char>(((v >> 5) & 63) * 255 / 63);
            out[2] = static_cast<unsigned char>((v >> 11) * 255 / 31);
        }
        PhotoPutRGB(image, rgb.get(), x, y + start, w, rows);
    }
    return 0;
}

}  // extern "C"
