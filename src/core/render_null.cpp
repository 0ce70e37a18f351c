// Null renderer: an image with a size and no pixels, used to learn a file's
// dimensions without decoding it.
#include "tavrel.h"

namespace {

int null_resize(Photo *image, int w, int h) {
    if (w < 0 || h < 0) return 1;
    image->width = w;
    image->height = h;
    return 0;
}

int null_destroy(Photo *image) { return (image && image->render_ops) ? 0 : 1; }

int null_put_block(Photo *, const unsigned char *, int, int, int, int) { return 0; }

int null_get_block(Photo *, unsigned char *, int, int, int, int) { return 0; }

}  // namespace

extern "C" int TavRender_NullInit(Photo *image) {
    if (!image || !image->render_ops) return 1;
    TavRenderOps *ops = image->render_ops;
    ops->resize = null_resize;
    ops->destroy = null_destroy;
    ops->put_block = null_put_block;
    ops->get_block = null_get_block;
    ops->get_points = nullptr;
    image->render_data = nullptr;
    return 0;
}
