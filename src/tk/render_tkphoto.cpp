// Tk photo renderer: every write goes straight to a Tk photo image so that
// changes show on screen at once.  Tk may hold an image of another size than
// the Photo records, so reads clip against Tk's own block.
//
// A renderer whose photo is watched (tk_binding.cpp) never outlives the
// photo: when the photo goes, the watch turns the Photo into an empty memory
// image, and this record with it.  A null handle is refused by every
// pixel operation.
#include "tk/tk_p.h"

#include "core/memory_p.h"
#include "core/rows_p.h"

#include <algorithm>
#include <cstring>

namespace {

using tav::tk::BlockChannels;
using tav::tk::channels_of;

TavTkRenderData *data_of(Photo *image) {
    return static_cast<TavTkRenderData *>(image->render_data);
}

inline void copy_tk_pixel(unsigned char *dst, const unsigned char *src, const BlockChannels &ch) {
    dst[0] = src[ch.r];
    dst[1] = src[ch.g];
    dst[2] = src[ch.b];
    dst[3] = ch.a >= 0 ? src[ch.a] : 255;
}

int tk_resize(Photo *image, int w, int h) {
    TavTkRenderData *d = data_of(image);
    if (d && d->photo) Tk_PhotoSetSize(d->interp, d->photo, w, h);
    image->width = w;
    image->height = h;
    return 0;
}

int tk_destroy(Photo *image) {
    if (!image) return 1;
    if (TavTkRenderData *d = data_of(image)) {
        tav::tk::detach_renderer(d);
        TavFree(d);
        image->render_data = nullptr;
    }
    return 0;
}

// A reader may re-create a Tk-bound image as grayscale or indexed; Tk only
// takes RGBA, so such pixels are widened here (and narrowed on the way back)
// instead of letting Tk read past the caller's buffer.
void widen_to_rgba(const Photo *image, const unsigned char *src, unsigned char *out, size_t n) {
    if (image->mode == TAV_MODE_INDEXED) {
        tav::PaletteLut lut;
        tav::build_palette_lut(image->colormap, lut);
        tav::index_to_rgba(src, 1, out, n, lut);
    } else if (image->channels == 2) {
        tav::grayalpha_to_rgba(src, out, n);
    } else {
        tav::gray_to_rgba(src, out, n, 255);
    }
}

void narrow_from_rgba(const Photo *image, const unsigned char *rgba, unsigned char *dst, size_t n) {
    for (size_t i = 0; i < n; ++i, rgba += 4) {
        if (image->mode == TAV_MODE_INDEXED) {
            const int index = TavFindClosestExact(image->colormap, rgba[0], rgba[1], rgba[2]);
            dst[i] = static_cast<unsigned char>(index < 0 ? 0 : index);
        } else {
            dst[i * image->channels] = rgba[0];
            if (image->channels == 2) dst[i * 2 + 1] = rgba[3];
        }
    }
}

int tk_put_rgba(TavTkRenderData *d, const unsigned char *src, int x, int y, int w, int h);
int tk_get_rgba(TavTkRenderData *d, unsigned char *dst, int x, int y, int w, int h);

int tk_put_block(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    TavTkRenderData *d = data_of(image);
    if (!d || !d->photo) return 1;
    if (image->channels == 4) return tk_put_rgba(d, src, x, y, w, h);
    const size_t n = static_cast<size_t>(w) * h;
    tav::Bytes rgba = tav::attempt_bytes(n * 4);
    if (!rgba) return 1;
    widen_to_rgba(image, src, rgba.get(), n);
    return tk_put_rgba(d, rgba.get(), x, y, w, h);
}

int tk_get_block(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    TavTkRenderData *d = data_of(image);
    if (!d || !d->photo) return 1;
    if (image->channels == 4) return tk_get_rgba(d, dst, x, y, w, h);
    const size_t n = static_cast<size_t>(w) * h;
    tav::Bytes rgba = tav::attempt_bytes(n * 4);
    if (!rgba) return 1;
    std::memset(rgba.get(), 0, n * 4);
    tk_get_rgba(d, rgba.get(), x, y, w, h);
    narrow_from_rgba(image, rgba.get(), dst, n);
    return 0;
}

int tk_put_rgba(TavTkRenderData *d, const unsigned char *src, int x, int y, int w, int h) {
    Tk_PhotoImageBlock &block = d->block;
    block.pixelPtr = const_cast<unsigned char *>(src);
    block.width = w;
    block.height = h;
    block.pitch = 4 * w;
    block.pixelSize = 4;
    for (int c = 0; c < 4; ++c) block.offset[c] = c;
    Tk_PhotoPutBlock(d->interp, d->photo, &block, x, y, w, h, TK_PHOTO_COMPOSITE_SET);
    return 0;
}

int tk_get_rgba(TavTkRenderData *d, unsigned char *dst, int x, int y, int w, int h) {
    Tk_PhotoImageBlock &block = d->block;
    Tk_PhotoGetImage(d->photo, &block);
    const BlockChannels ch = channels_of(block);
    const long long x0 = std::max(x, 0), y0 = std::max(y, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(x) + w, block.width);
    const long long y1 = std::min<long long>(static_cast<long long>(y) + h, block.height);
    if (x0 >= x1 || y0 >= y1) return 0;
    const size_t columns = static_cast<size_t>(x1 - x0);
    for (long long sy = y0; sy < y1; ++sy) {
        const unsigned char *src = block.pixelPtr + sy * block.pitch + x0 * block.pixelSize;
        unsigned char *out = dst + (static_cast<size_t>(sy - y) * w + static_cast<size_t>(x0 - x)) * 4;
        if (ch.rgba_order) {
            std::memcpy(out, src + ch.r, 4 * columns);
        } else {
            for (size_t i = 0; i < columns; ++i, src += block.pixelSize, out += 4) copy_tk_pixel(out, src, ch);
        }
    }
    return 0;
}

int tk_get_points(Photo *image, unsigned char *dst, int x, int y, const int *offsets, int count,
                  const unsigned char *fill) {
    if (count <= 0) return 0;
    TavTkRenderData *d = data_of(image);
    if (!d || !d->photo) return 1;
    Tk_PhotoImageBlock &block = d->block;
    Tk_PhotoGetImage(d->photo, &block);
    const BlockChannels ch = channels_of(block);
    for (int k = 0; k < count; ++k, dst += 4) {
        const long long px = static_cast<long long>(x) + offsets[2 * k];
        const long long py = static_cast<long long>(y) + offsets[2 * k + 1];
        if (px >= 0 && px < block.width && py >= 0 && py < block.height) {
            copy_tk_pixel(dst, block.pixelPtr + py * block.pitch + px * block.pixelSize, ch);
        } else if (fill) {
            std::memcpy(dst, fill, 4);
        }
    }
    return 0;
}

}  // namespace

extern "C" int TavRender_TkPhotoInit(Photo *image) {
    if (!image || !image->render_ops) return 1;
    auto *d = static_cast<TavTkRenderData *>(tav::attempt_alloc(sizeof(TavTkRenderData)));
    if (!d) return 1;
    std::memset(d, 0, sizeof(*d));
    d->photo = static_cast<Tk_PhotoHandle>(image->render_arg);
    d->interp = nullptr;
    d->owner = image;
    tav::tk::attach_renderer(d);
    TavRenderOps *ops = image->render_ops;
    ops->resize = tk_resize;
    ops->destroy = tk_destroy;
    ops->put_block = tk_put_block;
    ops->get_block = tk_get_block;
    ops->get_points = tk_get_points;
    image->render_data = d;
    return 0;
}
