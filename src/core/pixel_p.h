// Shared pieces of the pixel access family: clipping and palette lookup.
#pragma once

#include "tavrel.h"

#include <array>

namespace tav {

// A request rectangle cut to the image.  `skip_x`/`skip_y` are the columns
// and rows dropped on the left and top; they index into the caller's block.
struct Clip {
    int x, y, w, h;
    int skip_x, skip_y;
    bool empty() const { return w < 1 || h < 1; }
};

inline Clip clip_to_image(const Photo *image, int x, int y, int w, int h) {
    Clip c{x, y, w, h, 0, 0};
    if (c.x < 0) { c.skip_x = -static_cast<long long>(c.x) > c.w ? c.w : -c.x; c.w -= c.skip_x; c.x = 0; }
    if (c.y < 0) { c.skip_y = -static_cast<long long>(c.y) > c.h ? c.h : -c.y; c.h -= c.skip_y; c.y = 0; }
    if (c.x >= image->width || c.y >= image->height) { c.w = c.h = 0; return c; }
    if (c.w > image->width - c.x) c.w = image->width - c.x;
    if (c.h > image->height - c.y) c.h = image->height - c.y;
    return c;
}

// RGBA of every palette index: alpha 0 at the transparent index, 255 elsewhere.
using PaletteLut = std::array<unsigned char, 256 * 4>;

inline void build_palette_lut(TavColormap *map, PaletteLut &lut) {
    const int transparent = TavGetTransparent(map);
    for (int i = 0; i < 256; ++i) {
        int r = 0, g = 0, b = 0;
        if (map) TavGetColormap(map, i, &r, &g, &b);
        TavSetColor(&lut[i * 4], r, g, b, i == transparent ? 0 : 255);
    }
}

}  // namespace tav
