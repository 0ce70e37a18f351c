// Solid rectangles: a span painter over one box.
#include "core/fill_p.h"
#include "core/span_p.h"

namespace tav {

int fill_rect(Photo *image, const unsigned char color[4], int compose, int x, int y, int w, int h) {
    SpanPainter paint(image, color, compose);
    paint.box(x, y, static_cast<long long>(x) + w, static_cast<long long>(y) + h);
    return paint.status();
}

int blank_rect(Photo *image, int x, int y, int w, int h) {
    static const unsigned char blank[4] = {192, 192, 192, 0};
    if (w <= 0 || h <= 0) return 0;
    return fill_rect(image, blank, TAV_COMPOSE_REPLACE, x, y, w, h);
}

int blank_image(Photo *image) { return blank_rect(image, 0, 0, image->width, image->height); }

}  // namespace tav
