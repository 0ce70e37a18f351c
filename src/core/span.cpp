// Solid ink by spans: see span_p.h.
#include "core/span_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tav {
namespace {

// The ink in the image's own layout, as replace (or opaque over) stores it.
void to_layout(int mode, const unsigned char rgb[3], int alpha, unsigned char out[4]) {
    switch (mode) {
        case TAV_MODE_GRAY: out[0] = rgb[0]; break;  // grey takes the red channel
        case TAV_MODE_GRAYALPHA: out[0] = rgb[0], out[1] = static_cast<unsigned char>(alpha); break;
        default: std::memcpy(out, rgb, 3), out[3] = static_cast<unsigned char>(alpha); break;
    }
}

// Whether ink of this alpha replaces the pixel, or leaves it as it is.
bool stores(int compose, int alpha) {
    return compose == TAV_COMPOSE_REPLACE || (compose == TAV_COMPOSE_OVER && alpha == 255);
}
bool skips(int compose, int alpha) {
    return alpha == 0 &&
           (compose == TAV_COMPOSE_OVER || compose == TAV_COMPOSE_BUMP || compose == TAV_COMPOSE_MAP);
}

}  // namespace

SpanPainter::SpanPainter(Photo *image, const unsigned char color[4], int compose)
    : image_(image), compose_(compose) {
    std::memcpy(color_, color, 4);
    resolved_ = compose ? compose : image->compose;
    if (resolved_ == TAV_COMPOSE_DEFAULT) resolved_ = TAV_COMPOSE_REPLACE;
    if (image->mode == TAV_MODE_INDEXED) {
        // The nearest palette entry is written whatever the mode: indexed
        // images only take replace.
        const int index = TavFindClosestExact(image->colormap, color[0], color[1], color[2]);
        if (index < 0 || index > 255) {
            refused_ = true;
            return;
        }
        stored_[0] = static_cast<unsigned char>(index);
        resolved_ = TAV_COMPOSE_REPLACE;
    } else {
        to_layout(image->mode, color_, color_[3], stored_);
    }
    channels_ = image->channels;
    alpha_at_ = alpha_index(image->mode);
    stores_ = stores(resolved_, color_[3]);
    skips_ = skips(resolved_, color_[3]);
    solid_ = choose_compose_solid(resolved_);
    direct_ = !image->region && direct_rows(image, &rows_);
    truecolour_ = image->mode == TAV_MODE_RGBA;
    width_ = image->width;
    height_ = image->height;
}

void SpanPainter::put_through_block(int x, int y, int w, int h, const unsigned char color[4]) const {
    PhotoBlock block{};
    block.width = w;
    block.height = h;
    if (image_->mode == TAV_MODE_INDEXED) {
        block.planes.plane[0] = const_cast<unsigned char *>(stored_);
        block.colormap = image_->colormap;
        PhotoPutBlock(image_, &block, x, y, TAV_COMPOSE_REPLACE);
        return;
    }
    for (int c = 0; c < 4; ++c) block.planes.plane[c] = const_cast<unsigned char *>(color + c);
    PhotoPutBlock(image_, &block, x, y, compose_);
}

void SpanPainter::store_run(unsigned char *p, size_t n) const {
    switch (channels_) {
        case 1: std::memset(p, stored_[0], n); return;
        case 2: {
            uint16_t v;
            std::memcpy(&v, stored_, 2);
            for (size_t i = 0; i < n; ++i) std::memcpy(p + 2 * i, &v, 2);
            return;
        }
        default: solid_rgba(p, n, stored_); return;
    }
}

void SpanPainter::box(long long x0, long long y0, long long x1, long long y1) {
    if (refused_) return;
    x0 = std::max(x0, 0LL);
    y0 = std::max(y0, 0LL);
    x1 = std::min<long long>(x1, image_->width);
    y1 = std::min<long long>(y1, image_->height);
    if (x0 >= x1 || y0 >= y1) return;
    if (!direct_) {
        put_through_block(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                          static_cast<int>(y1 - y0), color_);
        return;
    }
    if (skips_) return;
    const size_t n = static_cast<size_t>(x1 - x0);
    // Whole rows back to back are one run.
    if (x0 == 0 && x1 == image_->width && rows_.row_stride == static_cast<ptrdiff_t>(n) * channels_) {
        const size_t all = n * static_cast<size_t>(y1 - y0);
        if (stores_) store_run(at(0, y0), all);
        else solid_(at(0, y0), channels_, alpha_at_, color_, all);
        return;
    }
    for (long long y = y0; y < y1; ++y) {
        if (stores_) store_run(at(x0, y), n);
        else solid_(at(x0, y), channels_, alpha_at_, color_, n);
    }
}

void SpanPainter::other_pixel(long long x, long long y, int alpha) {
    if (refused_ || x < 0 || y < 0 || x >= image_->width || y >= image_->height) return;
    const unsigned char ink[4] = {color_[0], color_[1], color_[2], static_cast<unsigned char>(alpha)};
    if (!direct_) {
        put_through_block(static_cast<int>(x), static_cast<int>(y), 1, 1, ink);
        return;
    }
    unsigned char *p = at(x, y);
    if (image_->mode == TAV_MODE_INDEXED) {
        *p = stored_[0];
    } else if (stores(resolved_, alpha)) {
        unsigned char px[4];
        to_layout(image_->mode, ink, alpha, px);
        std::memcpy(p, px, static_cast<size_t>(channels_));
    } else if (!skips(resolved_, alpha)) {
        solid_(p, channels_, alpha_at_, ink, 1);
    }
}

}  // namespace tav
