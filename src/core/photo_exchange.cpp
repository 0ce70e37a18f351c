// Moving a picture between two Photos without knowing how either stores
// its pixels: records are traded when that is all it takes, rows are
// copied through the renderer tables when the target is bound to storage
// of its own (a Tk photo, caller planes).
#include "core/photo_exchange_p.h"

#include "core/memory_p.h"

#include <cstring>
#include <utility>

namespace {

bool trades_records(const Photo *a, const Photo *b) {
    return a->renderer == b->renderer && !a->render_arg && !b->render_arg;
}

void copy_settings(Photo *to, const Photo *from) {
    std::memcpy(to->background, from->background, 4);
    std::memcpy(to->foreground, from->foreground, 4);
    to->compose = from->compose;
    to->quality = from->quality;
}

void copy_colormap(Photo *to, Photo *from) {
    if (!to->colormap || !from->colormap) return;
    TavColormap *copy = TavDupColormap(from->colormap);
    if (!copy) return;
    TavDeleteColormap(to->colormap);
    to->colormap = copy;
}

}  // namespace

namespace tav {

int exchange_contents(Photo *image, Photo *other) {
    if (!image || !other || image == other) return 0;
    if (trades_records(image, other)) {
        std::swap(*image, *other);
        return 0;
    }

    const int width = other->width, height = other->height;
    // Storage that cannot take the size (caller planes that already have
    // another one) refuses before anything changes.
    if (PhotoExpand(image, width, height) != 0 || image->width != width || image->height != height) return 1;
    // Re-creation keeps the renderer and its binding; it cannot fail for
    // a mode that `other` already has.
    PhotoRecreate(image, 0, 0, other->mode);
    copy_colormap(image, other);
    if (PhotoExpand(image, width, height) != 0 || image->width != width || image->height != height) {
        PhotoExpand(image, 0, 0);
        return 1;
    }
    copy_settings(image, other);

    TavRenderOps *from = other->render_ops;
    TavRenderOps *to = image->render_ops;
    if (width <= 0 || height <= 0 || !from || !from->get_block || !to || !to->put_block) return 0;
    // Both sides hold pixels in the same mode, so a row moves as it is (a
    // Tk renderer may deliver 4 bytes a pixel whatever the mode: room for
    // that, and a renderer that stores nothing delivers zeros).
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    Bytes row = attempt_bytes(row_bytes);
    if (!row) {
        PhotoExpand(image, 0, 0);
        return 1;
    }
    std::memset(row.get(), 0, row_bytes);
    for (int y = 0; y < height; ++y) {
        from->get_block(other, row.get(), 0, y, width, 1);
        to->put_block(image, row.get(), 0, y, width, 1);
    }
    return 0;
}

}  // namespace tav
