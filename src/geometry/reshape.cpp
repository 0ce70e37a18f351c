// Whole-image reshaping.  The pixels are read once in the image's own terms
// (indices for an indexed image, RGBA otherwise, which grey images take
// back exactly), rearranged a row at a time in a second buffer, and written
// back after the image took its new size.
#include "geometry/reshape_p.h"

#include "core/memory_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The pixels of an image, or of what it becomes.
struct Pixels {
    int width = 0, height = 0, bpp = 4;
    tav::Bytes bytes;
    unsigned char *row(int y) const { return bytes.get() + static_cast<size_t>(y) * width * bpp; }
    unsigned char *at(int x, int y) const { return row(y) + static_cast<size_t>(x) * bpp; }
};

int bytes_per_pixel(Photo *image) { return PhotoIsIndexed(image) ? 1 : 4; }

bool allocate(Pixels *p, int width, int height, int bpp) {
    size_t size = 0;
    p->width = width, p->height = height, p->bpp = bpp;
    if (!tav::checked_mul(static_cast<size_t>(width) * static_cast<size_t>(height), bpp, &size)) return false;
    p->bytes = tav::attempt_bytes(size);
    return p->bytes != nullptr;
}

bool read_rect(Photo *image, int x, int y, int width, int height, Pixels *out) {
    if (!allocate(out, width, height, bytes_per_pixel(image))) return false;
    if (out->bpp == 1) PhotoGetIndex(image, out->bytes.get(), x, y, width, height);
    else PhotoGetRGBA(image, out->bytes.get(), x, y, width, height);
    return true;
}

// The image takes the size of `p` and its pixels, replacing what was there.
int write_all(Photo *image, const Pixels &p) {
    if (PhotoExpand(image, p.width, p.height) != 0) return 1;
    if (p.bpp == 1) PhotoPutIndex(image, p.bytes.get(), 0, 0, p.width, p.height);
    else PhotoPutRGBA(image, p.bytes.get(), 0, 0, p.width, p.height, TAV_COMPOSE_REPLACE);
    return 0;
}

// Copies one pixel of `bpp` bytes; the width is 1 or 4 and known per call.
inline void copy_pixel(unsigned char *dst, const unsigned char *src, int bpp) {
    if (bpp == 1) *dst = *src;
    else std::memcpy(dst, src, 4);
}

// The source row y read backwards into `dst`.
void reverse_row(unsigned char *dst, const unsigned char *src, int width, int bpp) {
    for (int x = 0; x < width; ++x) copy_pixel(dst + static_cast<size_t>(width - 1 - x) * bpp, src + static_cast<size_t>(x) * bpp, bpp);
}

}  // namespace

namespace tav {

int crop_image(Photo *image, int x, int y, int width, int height) {
    Pixels kept;
    if (!read_rect(image, x, y, width, height, &kept)) return 1;
    return write_all(image, kept);
}

int flip_image(Photo *image, bool horizontal) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return 0;
    Pixels src, dst;
    if (!read_rect(image, 0, 0, width, height, &src) || !allocate(&dst, width, height, src.bpp)) return 1;
    const size_t row_bytes = static_cast<size_t>(width) * src.bpp;
    for (int y = 0; y < height; ++y) {
        if (horizontal) reverse_row(dst.row(y), src.row(y), width, src.bpp);
        else std::memcpy(dst.row(height - 1 - y), src.row(y), row_bytes);
    }
    return write_all(image, dst);
}

int turn_image(Photo *image, int quarter_turns) {
    if (quarter_turns == 2) {
        // A half turn is both mirrors at once: each row reversed into the
        // mirrored row.
        const int width = PhotoWidth(image), height = PhotoHeight(image);
        if (width < 1 || height < 1) return 0;
        Pixels src, dst;
        if (!read_rect(image, 0, 0, width, height, &src) || !allocate(&dst, width, height, src.bpp)) return 1;
        for (int y = 0; y < height; ++y) reverse_row(dst.row(height - 1 - y), src.row(y), width, src.bpp);
        return write_all(image, dst);
    }
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return 0;
    Pixels src, dst;
    if (!read_rect(image, 0, 0, width, height, &src) || !allocate(&dst, height, width, src.bpp)) return 1;
    // Clockwise, source (x, y) lands at (height-1-y, x); the other way at
    // (y, width-1-x).  Each source row becomes one destination column.
    const bool clockwise = quarter_turns == 1;
    for (int y = 0; y < height; ++y) {
        const unsigned char *s = src.row(y);
        const int column = clockwise ? height - 1 - y : y;
        for (int x = 0; x < width; ++x, s += src.bpp)
            copy_pixel(dst.at(column, clockwise ? x : width - 1 - x), s, src.bpp);
    }
    return write_all(image, dst);
}

void thumbnail_size(int width, int height, int max_width, int max_height, int *out_width, int *out_height) {
    *out_width = width, *out_height = height;
    if (width <= max_width && height <= max_height) return;
    const double scale = std::min(static_cast<double>(max_width) / width, static_cast<double>(max_height) / height);
    *out_width = std::clamp(static_cast<int>(std::lround(width * scale)), 1, std::min(width, max_width));
    *out_height = std::clamp(static_cast<int>(std::lround(height * scale)), 1, std::min(height, max_height));
}

int thumbnail_image(Photo *image, int max_width, int max_height, int quality) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return 0;
    int w = 0, h = 0;
    thumbnail_size(width, height, max_width, max_height, &w, &h);
    if (w == width && h == height) return 0;
    // The scaler writes into a truecolour scratch image; its pixels then
    // come back into the image in the image's own mode.
    Photo *scaled = PhotoCreate(w, h, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (!scaled) return 1;
    const int f = std::max(width / w, height / h);
    if (quality == -1) quality = std::clamp(f, 1, 5);
    else if (quality != 0 && quality > f) quality = std::max(f, 1);
    PhotoScale(image, scaled, 0, 0, width, height, 0, 0, w, h, TAV_COMPOSE_REPLACE, quality);
    Pixels out;
    const bool ok = allocate(&out, w, h, 4);
    if (ok) PhotoGetRGBA(scaled, out.bytes.get(), 0, 0, w, h);
    PhotoDelete(scaled);
    return ok ? write_all(image, out) : 1;
}

}  // namespace tav
