// Solid rectangles through the block put: all source strides 0, so one
// colour serves every pixel.
#include "core/fill_p.h"

namespace tav {

int fill_rect(Photo *image, const unsigned char color[4], int compose, int x, int y, int w, int h) {
    PhotoBlock block{};
    block.width = w;
    block.height = h;
    if (image->mode == TAV_MODE_INDEXED) {
        const int index = TavFindClosestExact(image->colormap, color[0], color[1], color[2]);
        if (index < 0 || index > 255) return 1;
        const unsigned char byte = static_cast<unsigned char>(index);
        block.planes.plane[0] = const_cast<unsigned char *>(&byte);
        block.colormap = image->colormap;
        return PhotoPutBlock(image, &block, x, y, TAV_COMPOSE_REPLACE);
    }
    for (int c = 0; c < 4; ++c) block.planes.plane[c] = const_cast<unsigned char *>(color + c);
    return PhotoPutBlock(image, &block, x, y, compose);
}

int blank_image(Photo *image) {
    static const unsigned char blank[4] = {192, 192, 192, 0};
    if (image->width <= 0 || image->height <= 0) return 0;
    return fill_rect(image, blank, TAV_COMPOSE_REPLACE, 0, 0, image->width, image->height);
}

}  // namespace tav
