// Memory renderer: pixels in an own interleaved buffer, or in caller-owned
// planes described by a TavPlaneSet.  Interleaved storage moves one row per
// memcpy; the byte-by-byte paths only serve caller planes of other layouts.
#include "core/memory_p.h"
#include "core/render_memory_p.h"

#include <algorithm>
#include <cstring>

namespace tav {
namespace {

TavMemoryRenderData *data_of(Photo *image) {
    return static_cast<TavMemoryRenderData *>(image->render_data);
}

void update_interleaved(TavMemoryRenderData *d, int channels) {
    bool interleaved = true;
    for (int c = 0; c < channels; ++c) {
        if (d->pixel_stride[c] != channels || d->plane[c] != d->plane[0] + c) interleaved = false;
    }
    if (interleaved) d->flags |= kInterleaved;
    else d->flags &= ~kInterleaved;
}

// Byte address of channel c at (x, y); computed in ptrdiff_t so large
// images never overflow an int.
inline unsigned char *channel_at(const TavMemoryRenderData *d, int c, int x, int y) {
    return d->plane[c] + static_cast<ptrdiff_t>(x) * d->pixel_stride[c] +
           static_cast<ptrdiff_t>(y) * d->row_stride[c];
}

// A block as wide as the storage's rows is one contiguous run of bytes.
inline bool full_rows(const TavMemoryRenderData *d, size_t row_bytes) {
    return d->row_stride[0] > 0 && static_cast<size_t>(d->row_stride[0]) == row_bytes;
}

int memory_put_block(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    TavMemoryRenderData *d = data_of(image);
    if (!d) return 1;
    const int channels = image->channels;
    const size_t row_bytes = static_cast<size_t>(w) * channels;
    if (d->flags & kInterleaved) {
        if (full_rows(d, row_bytes)) {  // the rows lie back to back: one copy for all
            std::memcpy(channel_at(d, 0, x, y), src, row_bytes * h);
            return 0;
        }
        for (int r = 0; r < h; ++r)
            std::memcpy(channel_at(d, 0, x, y + r), src + r * row_bytes, row_bytes);
        return 0;
    }
    for (int r = 0; r < h; ++r) {
        const unsigned char *row = src + r * row_bytes;
        for (int c = 0; c < channels; ++c) {
            unsigned char *dst = channel_at(d, c, x, y + r);
            const int step = d->pixel_stride[c];
            for (int i = 0; i < w; ++i, dst += step) *dst = row[i * channels + c];
        }
    }
    return 0;
}

int memory_get_block(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    TavMemoryRenderData *d = data_of(image);
    if (!d) return 1;
    const int channels = image->channels;
    const size_t row_bytes = static_cast<size_t>(w) * channels;
    if (d->flags & kInterleaved) {
        if (full_rows(d, row_bytes)) {
            std::memcpy(dst, channel_at(d, 0, x, y), row_bytes * h);
            return 0;
        }
        for (int r = 0; r < h; ++r)
            std::memcpy(dst + r * row_bytes, channel_at(d, 0, x, y + r), row_bytes);
        return 0;
    }
    for (int r = 0; r < h; ++r) {
        unsigned char *row = dst + r * row_bytes;
        for (int c = 0; c < channels; ++c) {
            const unsigned char *src = channel_at(d, c, x, y + r);
            const int step = d->pixel_stride[c];
            for (int i = 0; i < w; ++i, src += step) row[i * channels + c] = *src;
        }
    }
    return 0;
}

int memory_get_points(Photo *image, unsigned char *dst, int x, int y, const int *offsets,
                      int count, const unsigned char *fill) {
    TavMemoryRenderData *d = data_of(image);
    if (!d) return 1;
    const int channels = image->channels;
    if ((d->flags & kInterleaved) && channels == 4) {
        // RGBA rows: a pixel is one 4-byte word (rotations gather here).
        const unsigned char *base = d->plane[0];
        const ptrdiff_t stride = d->row_stride[0];
        const unsigned long long width = static_cast<unsigned long long>(image->width);
        const unsigned long long height = static_cast<unsigned long long>(image->height);
        for (int k = 0; k < count; ++k, dst += 4) {
            const long long px = static_cast<long long>(x) + offsets[2 * k];
            const long long py = static_cast<long long>(y) + offsets[2 * k + 1];
            if (static_cast<unsigned long long>(px) < width && static_cast<unsigned long long>(py) < height)
                std::memcpy(dst, base + py * stride + px * 4, 4);
            else if (fill)
                std::memcpy(dst, fill, 4);
        }
        return 0;
    }
    for (int k = 0; k < count; ++k, dst += channels) {
        const long long px = static_cast<long long>(x) + offsets[2 * k];
        const long long py = static_cast<long long>(y) + offsets[2 * k + 1];
        if (px >= 0 && px < image->width && py >= 0 && py < image->height) {
            for (int c = 0; c < channels; ++c)
                dst[c] = *channel_at(d, c, static_cast<int>(px), static_cast<int>(py));
        } else if (fill) {
            std::memcpy(dst, fill, channels);
        }
    }
    return 0;
}

void point_planes_into(TavMemoryRenderData *d, unsigned char *buffer, int width, int channels) {
    for (int c = 0; c < 4; ++c) {
        d->plane[c] = buffer + c;
        d->pixel_stride[c] = channels;
        d->row_stride[c] = width * channels;
    }
}

int memory_resize(Photo *image, int w, int h) {
    TavMemoryRenderData *d = data_of(image);
    if (!d) return 1;
    const int channels = image->channels;
    if (w <= 0 || h <= 0) {
        if ((d->flags & kOwnsBuffer) && d->buffer) {
            free_pixels(d->buffer);
            d->buffer = nullptr;
            d->buffer_bytes = 0;
        }
        image->width = image->height = 0;
        return 0;
    }
    if (w == image->width && h == image->height) return 0;

    if (d->flags & kOwnsBuffer) {
        // Row strides are ints: a row longer than that cannot be described.
        int row_bytes = 0;
        size_t bytes = 0;
        if (__builtin_mul_overflow(w, channels, &row_bytes) ||
            !checked_mul(static_cast<size_t>(row_bytes), static_cast<size_t>(h), &bytes))
            return 1;
        // Sizes come from files and scripts: an impossible one is refused,
        // not allowed to end the process.  The fresh buffer comes zeroed:
        // whatever the heap held before must never reach a script through
        // get or save, and a large picture costs memory only for the rows
        // that are written.
        auto *fresh = static_cast<unsigned char *>(attempt_zeroed_pixels(bytes));
        if (!fresh) return 1;
        // The old rows may be a view into their buffer (after a crop): they
        // start at plane 0 and lie a row stride apart.
        unsigned char *old = d->buffer;
        const unsigned char *old_rows = d->plane[0];
        const ptrdiff_t old_row = d->row_stride[0];
        const int old_w = image->width, old_h = image->height;
        d->buffer = fresh;
        d->buffer_bytes = bytes;
        point_planes_into(d, fresh, w, channels);
        update_interleaved(d, channels);
        if (old) {
            const int columns = std::min(w, old_w), rows = std::min(h, old_h);
            if (columns > 0 && rows > 0) {
                for (int j = 0; j < rows; ++j) memory_put_block(image, old_rows + j * old_row, 0, j, columns, 1);
            }
            free_pixels(old);
        }
    } else if (image->width != 0 && image->height != 0) {
        return 1;  // caller storage cannot change size
    }
    image->width = w;
    image->height = h;
    return 0;
}

int memory_destroy(Photo *image) {
    if (!image) return 1;
    TavMemoryRenderData *d = data_of(image);
    if (d) {
        if ((d->flags & kOwnsBuffer) && d->buffer) free_pixels(d->buffer);
        TavFree(d);
        image->render_data = nullptr;
    }
    return 0;
}

}  // namespace

bool direct_rows(const Photo *image, DirectRows *rows) {
    if (image->renderer != TAV_RENDER_MEMORY || !image->render_ops || image->width <= 0 || image->height <= 0)
        return false;
    const TavRenderOps *ops = image->render_ops;
    if (ops->put_block != memory_put_block || ops->get_block != memory_get_block) return false;
    const auto *d = static_cast<const TavMemoryRenderData *>(image->render_data);
    if (!d || !d->buffer || (d->flags & (kOwnsBuffer | kInterleaved)) != (kOwnsBuffer | kInterleaved)) return false;
    rows->base = d->plane[0];
    rows->row_stride = d->row_stride[0];
    return true;
}

bool readable_rows(const Photo *image, DirectRows *rows) {
    if (image->renderer != TAV_RENDER_MEMORY || image->width <= 0 || image->height <= 0) return false;
    const auto *d = static_cast<const TavMemoryRenderData *>(image->render_data);
    if (!d || !(d->flags & kInterleaved) || !d->plane[0]) return false;
    rows->base = d->plane[0];
    rows->row_stride = d->row_stride[0];
    return true;
}

bool adopt_pixels(Photo *image, unsigned char *fresh, int width, int height) {
    DirectRows rows{};
    int row_bytes = 0;
    if (!fresh || width <= 0 || height <= 0 || !direct_rows(image, &rows) ||
        __builtin_mul_overflow(width, image->channels, &row_bytes))
        return false;
    TavMemoryRenderData *d = data_of(image);
    free_pixels(d->buffer);
    d->buffer = fresh;
    d->buffer_bytes = static_cast<size_t>(row_bytes) * static_cast<size_t>(height);
    point_planes_into(d, fresh, width, image->channels);
    update_interleaved(d, image->channels);
    image->width = width;
    image->height = height;
    return true;
}

bool keep_rect(Photo *image, int x, int y, int width, int height) {
    DirectRows rows{};
    if (width <= 0 || height <= 0 || !direct_rows(image, &rows)) return false;
    TavMemoryRenderData *d = data_of(image);
    const int channels = image->channels;
    unsigned char *first = rows.base + static_cast<ptrdiff_t>(y) * rows.row_stride + static_cast<ptrdiff_t>(x) * channels;
    const size_t row_bytes = static_cast<size_t>(width) * channels;
    const size_t kept = row_bytes * static_cast<size_t>(height);
    if (kept >= d->buffer_bytes / 4) {
        // Most of the buffer stays in use: the kept rectangle becomes a
        // view into it, rows a stride apart, and nothing moves.
        for (int c = 0; c < 4; ++c) d->plane[c] = first + c;
    } else {
        // A small part: its rows slide to the front and the buffer gives
        // the rest back, so an image never holds more than four times its
        // pixels.  Row r moves from `first + r * stride` to r * row_bytes,
        // never forward, so moving the rows in order overwrites none still
        // to be moved.
        unsigned char *buffer = d->buffer;
        for (int r = 0; r < height; ++r) std::memmove(buffer + r * row_bytes, first + r * rows.row_stride, row_bytes);
        buffer = static_cast<unsigned char *>(shrink_pixels(buffer, kept));
        d->buffer = buffer;
        d->buffer_bytes = kept;
        point_planes_into(d, buffer, width, channels);
    }
    update_interleaved(d, channels);
    image->width = width;
    image->height = height;
    return true;
}

}  // namespace tav

extern "C" int TavRender_MemoryInit(Photo *image) {
    using namespace tav;
    if (!image || !image->render_ops || image->channels < 1 || image->channels > 4) return 1;
    auto *d = static_cast<TavMemoryRenderData *>(attempt_alloc(sizeof(TavMemoryRenderData)));
    if (!d) return 1;
    std::memset(d, 0, sizeof(*d));
    if (image->render_arg) {
        const auto *planes = static_cast<const TavPlaneSet *>(image->render_arg);
        for (int c = 0; c < 4; ++c) {
            d->plane[c] = planes->plane[c];
            d->pixel_stride[c] = planes->pixel_stride[c];
            d->row_stride[c] = planes->row_stride[c];
        }
    } else {
        d->flags = kOwnsBuffer;
    }
    update_interleaved(d, image->channels);
    TavRenderOps *ops = image->render_ops;
    ops->resize = memory_resize;
    ops->destroy = memory_destroy;
    ops->put_block = memory_put_block;
    ops->get_block = memory_get_block;
    ops->get_points = memory_get_points;
    image->render_data = d;
    return 0;
}
