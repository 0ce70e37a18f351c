// Solid rectangles: the primitive every other drawing operation ends in.
#include "tavrel.h"

#include <algorithm>
#include <climits>

namespace {

// A negative size extends the box to the left (or upwards).  Done in 64 bits
// and cut to the int range, since coordinates may come from anywhere; false
// when nothing is left to draw.
bool normalise_span(int *start, int *size) {
    long long from = *start, len = *size;
    if (len < 0) {
        from += len;
        len = -len;
    }
    if (len == 0) return false;
    long long to = from + len;  // exclusive
    from = std::max<long long>(from, INT_MIN);
    to = std::min<long long>(to, INT_MAX);
    if (to <= from) return false;
    *start = static_cast<int>(from);
    *size = static_cast<int>(std::min<long long>(to - from, INT_MAX));
    return true;
}

}  // namespace

extern "C" {

int PhotoDrawBox(Photo *image, const unsigned char *color, int compose, int x, int y, int width, int height) {
    if (!image) return 1;
    if (!color) color = image->foreground;
    if (!normalise_span(&x, &width) || !normalise_span(&y, &height)) return 0;
    if (image->mode == TAV_MODE_INDEXED) {
        const int index = TavFindClosestExact(image->colormap, color[0], color[1], color[2]);
        if (index < 0 || index > 255) return 1;
        const unsigned char byte = static_cast<unsigned char>(index);
        PhotoBlock block{};
        block.width = width;
        block.height = height;
        block.planes.plane[0] = const_cast<unsigned char *>(&byte);
        block.colormap = image->colormap;
        return PhotoPutBlock(image, &block, x, y, TAV_COMPOSE_REPLACE);
    }
    // One source value repeated for every pixel: all strides 0.
    PhotoBlock block{};
    block.width = width;
    block.height = height;
    for (int c = 0; c < 4; ++c) block.planes.plane[c] = const_cast<unsigned char *>(color + c);
    return PhotoPutBlock(image, &block, x, y, compose);
}

int PhotoFill(Photo *image, const unsigned char *color) {
    if (!image) return 1;
    return PhotoDrawBox(image, color, TAV_COMPOSE_DEFAULT, 0, 0, image->width, image->height);
}

int PhotoBlank(Photo *image) {
    static const unsigned char blank[4] = {192, 192, 192, 0};
    if (!image) return 1;
    return PhotoDrawBox(image, blank, TAV_COMPOSE_REPLACE, 0, 0, image->width, image->height);
}

// Runs mirror a negative length exactly as the box does: a run of length -n
// from x covers x-n .. x-1.
int PhotoDrawHLine(Photo *image, const unsigned char *color, int x, int y, int length) {
    return PhotoDrawBox(image, color, TAV_COMPOSE_DEFAULT, x, y, length, 1);
}

int PhotoDrawVLine(Photo *image, const unsigned char *color, int x, int y, int length) {
    return PhotoDrawBox(image, color, TAV_COMPOSE_DEFAULT, x, y, 1, length);
}

int PhotoDrawPixel(Photo *image, const unsigned char *color, int x, int y) {
    return PhotoDrawBox(image, color, TAV_COMPOSE_DEFAULT, x, y, 1, 1);
}

}  // extern "C"
