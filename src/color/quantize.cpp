// Mapping an image onto a colormap: serpentine Floyd-Steinberg error
// diffusion with errors in 1/1024 of a colour level.  The first row starts
// from random noise of up to one level, so flat areas dither evenly.  Every
// pixel, error added, takes its true nearest entry (NearestEntry).
#include "color/nearest_entry_p.h"
#include "color/quantize_p.h"

#include "core/memory_p.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tav {
namespace {

// A colormap is usable when its tree has a leaf for some colour.
bool has_usable_entry(TavColormap *map) { return TavFindClosest(map, 0, 0, 0) >= 0; }

// An empty indexed image of the given size, not blanked: every index is
// written right after.
Photo *indexed_image(int width, int height) {
    Photo *out = PhotoCreate(0, 0, TAV_MODE_INDEXED, TAV_RENDER_MEMORY);
    if (!out) return nullptr;
    if (PhotoExpand(out, width, height) != 0 || out->width != width || out->height != height) {
        PhotoDelete(out);
        return nullptr;
    }
    return out;
}

// Error rows for one channel: the current and the next row, with a spare
// position at either end (pixel x lives at x + 1).
struct ErrorRows {
    std::vector<int> current, next;
    explicit ErrorRows(size_t n) : current(n, 0), next(n, 0) {}
};

}  // namespace

Photo *quantize(Photo *image, TavColormap *colormap, NoiseSeed seed, Dither dither) {
    if (!image || !colormap || !has_usable_entry(colormap)) return nullptr;
    const int width = image->width, height = image->height;
    if (width < 0 || height < 0) return nullptr;
    // Ownership passes to the new image; an image's own colormap stays its own.
    TavColormap *map = colormap == image->colormap ? TavDupColormap(colormap) : colormap;
    NearestEntry nearest(map);
    const unsigned char *entries = map->entries;
    const int transparent = map->transparent;

    Photo *out = indexed_image(width, height);
    size_t row_bytes = 0;
    const size_t positions = static_cast<size_t>(width) + 2;
    tav::checked_mul(static_cast<size_t>(width), 4, &row_bytes);
    Bytes rgba = attempt_bytes(row_bytes), indices = attempt_bytes(static_cast<size_t>(width));
    if (!out || !rgba || !indices) {
        PhotoDelete(out);
        if (map != colormap) TavDeleteColormap(map);
        return nullptr;
    }
    TavDeleteColormap(out->colormap);
    out->colormap = map;

    ErrorRows err[3] = {ErrorRows(positions), ErrorRows(positions), ErrorRows(positions)};
    if (seed == NoiseSeed::kClock) RandomInit();
    for (ErrorRows &channel : err)
        for (int &e : channel.current) e = RandomGet(2048) - 1024;
    const bool diffuse = dither == Dither::kFloydSteinberg;

    for (int y = 0; y < height; ++y) {
        PhotoGetRGBA(image, rgba.get(), 0, y, width, 1);
        for (ErrorRows &channel : err) std::fill(channel.next.begin(), channel.next.end(), 0);
        const bool forward = (y & 1) == 0;
        const int dir = forward ? 1 : -1;
        int x = forward ? 0 : width - 1;
        for (int n = 0; n < width; ++n, x += dir) {
            const unsigned char *p = rgba.get() + 4 * static_cast<size_t>(x);
            if (transparent >= 0 && p[3] == 0) {
                indices[x] = static_cast<unsigned char>(transparent);
                continue;
            }
            const int at = x + 1;
            int c[3];
            for (int k = 0; k < 3; ++k) c[k] = diffuse ? std::clamp(p[k] + err[k].current[at] / 1024, 0, 255) : p[k];
            const int i = nearest.find(c[0], c[1], c[2]);
            indices[x] = static_cast<unsigned char>(i);
            if (!diffuse) continue;
            const unsigned char *entry = entries + 4 * i;
            for (int k = 0; k < 3; ++k) {
                const int e = c[k] - entry[k];
                err[k].current[at + dir] += e * 7168 / 16;
                err[k].next[at - dir] += e * 3072 / 16;
                err[k].next[at] += e * 5120 / 16;
                err[k].next[at + dir] += e * 1024 / 16;
            }
        }
        PhotoPutIndex(out, indices.get(), 0, y, width, 1);
        for (ErrorRows &channel : err) channel.current.swap(channel.next);
    }
    return out;
}

}  // namespace tav

extern "C" {

Photo *PhotoQuantize(Photo *image, TavColormap *colormap) {
    return tav::quantize(image, colormap, tav::NoiseSeed::kClock);
}

}  // extern "C"
