// The Photo record: creation, re-creation in place, tear-down, queries.
// Pixels live in the renderer; this file only wires the record to it.
#include "core/fill_p.h"

#include <cstring>

namespace {

int channels_for_mode(int mode) {
    switch (mode) {
        case TAV_MODE_RGBA: return 4;
        case TAV_MODE_GRAY: return 1;
        case TAV_MODE_GRAYALPHA: return 2;
        case TAV_MODE_INDEXED: return 1;
        default: return 0;
    }
}

using RendererInit = int (*)(Photo *);

RendererInit renderer_init(int kind) {
    switch (kind) {
        case TAV_RENDER_NULL: return TavRender_NullInit;
        case TAV_RENDER_MEMORY: return TavRender_MemoryInit;
        case TAV_RENDER_TKPHOTO: return TavRender_TkPhotoInit;
        default: return nullptr;
    }
}

}  // namespace

extern "C" {

Photo *PhotoCreateExt(int width, int height, int mode, int renderer, void *render_arg) {
    Photo *image = static_cast<Photo *>(TavAlloc(sizeof(Photo)));
    std::memset(image, 0, sizeof(Photo));
    image->renderer = renderer;
    image->render_arg = render_arg;
    // On failure PhotoRecreate has already released the record.
    return PhotoRecreate(image, width, height, mode);
}

Photo *PhotoCreate(int width, int height, int mode, int renderer) {
    return PhotoCreateExt(width, height, mode, renderer, nullptr);
}

Photo *PhotoRecreate(Photo *image, int width, int height, int mode) {
    if (!image) return nullptr;
    const int renderer = image->renderer;
    void *const render_arg = image->render_arg;
    PhotoReset(image);
    std::memset(image, 0, sizeof(Photo));
    image->renderer = renderer;
    image->render_arg = render_arg;

    const int channels = channels_for_mode(mode);
    RendererInit init = renderer_init(renderer);
    if (channels == 0 || !init) {
        TavFree(image);
        return nullptr;
    }
    image->channels = channels;
    if (mode == TAV_MODE_INDEXED) image->colormap = TavCreateColormap();
    image->mode = mode;

    image->render_ops = static_cast<TavRenderOps *>(TavAlloc(sizeof(TavRenderOps)));
    std::memset(image->render_ops, 0, sizeof(TavRenderOps));
    image->render_data = nullptr;
    init(image);

    image->event_proc = nullptr;
    TavSetColor(image->background, 0, 0, 0, 0);
    TavSetColor(image->foreground, 255, 255, 255, 255);
    image->quality = -1;
    image->compose = TAV_COMPOSE_OVER;

    PhotoExpand(image, width, height);
    // Outside buffers and Tk photos keep the pixels they already hold; a
    // null image has none to clear (readers give it sizes up to 2^31 on a
    // side just to learn them, and blanking would walk every row).
    if (!render_arg && renderer != TAV_RENDER_NULL) tav::blank_image(image);
    return image;
}

void PhotoReset(Photo *image) {
    if (!image) return;
    if (image->render_ops) {
        if (image->render_ops->destroy) image->render_ops->destroy(image);
        TavFree(image->render_ops);
        image->render_ops = nullptr;
    }
    if (image->region) {
        TavDeleteRegion(image->region);
        image->region = nullptr;
    }
    if (image->colormap) {
        TavDeleteColormap(image->colormap);
        image->colormap = nullptr;
    }
}

void PhotoDelete(Photo *image) {
    if (!image) return;
    PhotoReset(image);
    TavFree(image);
}

int PhotoExpand(Photo *image, int width, int height) {
    if (!image) return 1;
    if (image->render_ops && image->render_ops->resize)
        return image->render_ops->resize(image, width, height);
    image->width = width;
    image->height = height;
    return 0;
}

int PhotoSync(Photo *image) {
    if (image && image->event_proc) image->event_proc(image, 0, 0, 0, 1);
    return 0;
}

Photo *PhotoSetEventProc(Photo *image, PhotoEventProc proc) {
    if (image) image->event_proc = proc;
    return image;
}

int PhotoWidth(Photo *image) { return image->width; }
int PhotoHeight(Photo *image) { return image->height; }
int PhotoMode(Photo *image) { return image->mode; }
int PhotoIsTruecolor(Photo *image) { return image->mode == TAV_MODE_RGBA; }
int PhotoIsGrayscale(Photo *image) { return image->mode == TAV_MODE_GRAY; }
int PhotoIsGrayAlpha(Photo *image) { return image->mode == TAV_MODE_GRAYALPHA; }
int PhotoIsIndexed(Photo *image) { return image->mode == TAV_MODE_INDEXED; }
int PhotoRenderer(Photo *image) { return image->renderer; }
int PhotoIsNull(Photo *image) { return image->renderer == TAV_RENDER_NULL; }
int PhotoIsMemory(Photo *image) { return image->renderer == TAV_RENDER_MEMORY; }
TavColormap *PhotoColormap(Photo *image) { return image ? image->colormap : nullptr; }
int PhotoGetCompose(Photo *image) { return image->compose; }
void PhotoSetCompose(Photo *image, int compose) { image->compose = compose; }

int PhotoSetQuality(Photo *image, int quality) {
    const int q = quality < 0 ? -1 : quality > 100 ? 100 : quality;
    if (image) image->quality = q;
    return q;
}

int PhotoGetQuality(Photo *image) { return image ? image->quality : -1; }

void PhotoSetBackground(Photo *image, const unsigned char *rgba) {
    std::memcpy(image->background, rgba, 4);
}

void PhotoSetForeground(Photo *image, const unsigned char *rgba) {
    std::memcpy(image->foreground, rgba, 4);
}

int PhotoGetBackground(Photo *image, unsigned char *rgba) {
    if (!image) return 1;
    if (rgba) std::memcpy(rgba, image->background, 4);
    return 0;
}

int PhotoGetForeground(Photo *image, unsigned char *rgba) {
    if (!image) return 1;
    if (rgba) std::memcpy(rgba, image->foreground, 4);
    return 0;
}

}  // extern "C"
