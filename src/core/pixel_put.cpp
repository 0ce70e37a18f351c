// Writing pixels into a Photo: clipping, layout conversion, compose modes,
// and whole rows handed to the renderer.
#include "core/compose_p.h"
#include "core/memory_p.h"
#include "core/pixel_p.h"
#include "core/region_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <cstring>

namespace tav {
namespace {

// Source of one clipped block row: plane addresses and pixel strides.
ChannelRow source_row(const PhotoBlock *block, const Clip &c, int j) {
    ChannelRow s{};
    for (int ch = 0; ch < 4; ++ch) {
        const TavPlaneSet &ps = block->planes;
        s.stride[ch] = ps.pixel_stride[ch];
        s.p[ch] = ps.plane[ch] ? ps.plane[ch] + static_cast<ptrdiff_t>(c.skip_y + j) * ps.row_stride[ch] +
                                     static_cast<ptrdiff_t>(c.skip_x) * ps.pixel_stride[ch]
                               : nullptr;
    }
    return s;
}

// A channel that neither moves along the row nor down the block (one byte,
// such as the opaque alpha of an RGB put) fits any row stride: leaving it
// out lets RGB and grey blocks take their own conversion, not the planar one.
bool same_row_strides(const PhotoBlock *block) {
    const TavPlaneSet &planes = block->planes;
    int shared = -1;
    for (int ch = 0; ch < 4; ++ch) {
        if (planes.pixel_stride[ch] == 0 && planes.row_stride[ch] == 0) continue;
        if (shared >= 0 && planes.row_stride[ch] != shared) return false;
        shared = planes.row_stride[ch];
    }
    return true;
}

int put_indexed(Photo *image, const PhotoBlock *block, const Clip &c) {
    if (!block->colormap || !block->planes.plane[0]) return 1;
    auto put_block = image->render_ops->put_block;
    if (!put_block) return 0;
    Scratch row(static_cast<size_t>(c.w));
    if (!row) return 1;
    for (int j = 0; j < c.h; ++j) {
        const ChannelRow s = source_row(block, c, j);
        const unsigned char *src = s.p[0];
        for (int i = 0; i < c.w; ++i, src += s.stride[0]) row.data()[i] = *src;
        put_block(image, row.data(), c.x, c.y + j, c.w, 1);
    }
    return 0;
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
    const bool plain_replace = compose == TAV_COMPOSE_REPLACE && image->channels == 4;

    // Whole rectangle in one renderer call when the block is exactly the
    // clipped rectangle in packed RGBA.
    const ChannelRow first = source_row(block, c, 0);
    if (plain_replace && !image->region && !indexed_block && is_packed_rgba(first)) {
        bool contiguous = true;
        for (int ch = 0; ch < 4; ++ch)
            if (block->planes.row_stride[ch] != 4 * c.w) contiguous = false;
        if (contiguous) {
            put_block(image, first.p[0], c.x, c.y, c.w, c.h);
            return 0;
        }
    }

    const int channels = image->channels;
    const int alpha_at = alpha_index(image->mode);
    const size_t n = static_cast<size_t>(c.w);
    Scratch scratch(n * channels + n * 4);
    if (!scratch) return 1;
    unsigned char *dst_row = scratch.data();
    unsigned char *rgba_row = dst_row + n * channels;

    PaletteLut lut;
    if (indexed_block) build_palette_lut(block->colormap, lut);
    // The source layout is the same for every row: its conversion is chosen once.
    const bool same_strides = same_row_strides(block);
    const bool packed_source = !indexed_block && is_packed_rgba(first) && same_strides;
    const ToRgbaFn to_rgba = choose_to_rgba(first, same_strides);

    for (int j = 0; j < c.h; ++j) {
        const int row_y = c.y + j;
        // A clip region lets through its intervals of the row; an image
        // without one takes the whole row.  Pixels between intervals are
        // neither read nor written.
        const int whole[2] = {c.x, c.x + c.w};
        RegionRow pieces{whole, 1};
        if (image->region) {
            pieces = region_row(image->region, row_y);
            if (pieces.count == 0) continue;
        }

        const ChannelRow s = source_row(block, c, j);
        const unsigned char *rgba = rgba_row;
        if (indexed_block) index_to_rgba(s.p[0], s.stride[0], rgba_row, n, lut);
        else if (packed_source) rgba = s.p[0];
        else to_rgba(s, rgba_row, n);

        for (int k = 0; k < pieces.count; ++k) {
            const int from = std::max(pieces.spans[2 * k], c.x) - c.x;
            const int to = std::min(pieces.spans[2 * k + 1], c.x + c.w) - c.x;  // exclusive
            if (from >= to) continue;
            const int span = to - from;
            if (plain_replace) {  // RGBA in, RGBA stored: no scratch copy needed
                put_block(image, rgba + 4 * from, c.x + from, row_y, span, 1);
                continue;
            }
            unsigned char *dst = dst_row + static_cast<size_t>(from) * channels;
            if (compose != TAV_COMPOSE_REPLACE) {
                if (get_block) get_block(image, dst, c.x + from, row_y, span, 1);
                else std::memset(dst, 255, static_cast<size_t>(span) * channels);
            }
            compose_row(compose, dst, channels, alpha_at, rgba + 4 * from, span);
            put_block(image, dst, c.x + from, row_y, span, 1);
        }
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
        rgb565_to_rgb(src + static_cast<size_t>(start) * w * 2, rgb.get(), static_cast<size_t>(rows) * w);
        PhotoPutRGB(image, rgb.get(), x, y + start, w, rows);
    }
    return 0;
}

}  // extern "C"
