// Solid rectangles: the primitive every other drawing operation ends in.
#include "core/fill_p.h"

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
    return tav::fill_rect(image, color, compose, x, y, width, height);
}

int PhotoFill(Photo *image, const unsigned char *color) {
    if (!image) return 1;
    return PhotoDrawBox(image, color, TAV_COMPOSE_DEFAULT, 0, 0, image->width, image->height);
}

int PhotoBlank(Photo *image) {
    if (!image) return 1;
    return tav::blank_image(image);
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
