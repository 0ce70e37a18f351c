// Mapping an image onto a colormap: serpentine Floyd-Steinberg error
// diffusion with errors in 1/1024 of a colour level.  The first row starts
// from random noise of up to one level, so flat areas dither evenly.  Every
// pixel, error added, takes its true nearest entry (NearestEntry).
#include "color/nearest_entry_p.h"
#include "color/quantize_p.h"

#include "core/memory_p.h"
#include "core/render_memory_p.h"
#include "core/rgba_rows_p.h"

#include <algorithm>
#include <cstring>
#include <new>
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

// The state of one mapping: the colormap's entries and the error rows, the
// current and the next, three channels interleaved a position at a time,
// with a spare position at either end (pixel x lives at x + 1).
struct Diffusion {
    NearestEntry &nearest;
    const unsigned char *entries;
    int transparent;
    std::vector<int> current, next;

    // One row in direction Dir (1 left to right, -1 back).  The error
    // passed on along the row and the parts of the next row still to come
    // stay in locals: the position under every pixel is written once, as the sum
    // the plain four-way spread gives it.
    template <int Dir>
    void row(const unsigned char *rgba, unsigned char *indices, int width) {
        int ahead[3] = {0, 0, 0};      // 7/16 of the last error, for this pixel
        int below[3] = {0, 0, 0};      // what the position under this pixel has so far
        int below_on[3] = {0, 0, 0};   // and the one after it
        int x = Dir > 0 ? 0 : width - 1;
        for (int n = 0; n < width; ++n, x += Dir) {
            const unsigned char *p = rgba + 4 * static_cast<size_t>(x);
            int *const done = next.data() + 3 * static_cast<size_t>(x + 1 - Dir);  // complete after this pixel
            const int *const err = current.data() + 3 * static_cast<size_t>(x + 1);
            if (transparent >= 0 && p[3] == 0) {
                indices[x] = static_cast<unsigned char>(transparent);
                for (int k = 0; k < 3; ++k) {
                    done[k] = below[k];
                    below[k] = below_on[k];
                    below_on[k] = 0;
                    ahead[k] = 0;
                }
                continue;
            }
            int c[3];
            for (int k = 0; k < 3; ++k) c[k] = std::clamp(p[k] + (err[k] + ahead[k]) / 1024, 0, 255);
            const int i = nearest.find(c[0], c[1], c[2]);
            indices[x] = static_cast<unsigned char>(i);
            const unsigned char *entry = entries + 4 * i;
            // 7/16, 3/16, 5/16 and 1/16 of the error in 1/1024 of a level:
            // e * 7168 / 16 and so on, whose divisions are always exact.
            for (int k = 0; k < 3; ++k) {
                const int e = c[k] - entry[k];
                ahead[k] = e * 448;
                done[k] = below[k] + e * 192;
                below[k] = below_on[k] + e * 320;
                below_on[k] = e * 64;
            }
        }
        // Under the last pixel; the spare position past it is never read.
        if (width <= 0) return;
        const size_t last = Dir > 0 ? static_cast<size_t>(width) : 1;
        for (int k = 0; k < 3; ++k) next[3 * last + static_cast<size_t>(k)] = below[k];
    }
};

// Each pixel alone onto its nearest entry.
void map_row(NearestEntry &nearest, int transparent, const unsigned char *rgba, unsigned char *indices, int width) {
    for (int x = 0; x < width; ++x, rgba += 4)
        indices[x] = transparent >= 0 && rgba[3] == 0 ? static_cast<unsigned char>(transparent)
                                                       : static_cast<unsigned char>(nearest.find(rgba[0], rgba[1], rgba[2]));
}

// Every row of the image mapped into `target`, the new image's rows.  The
// candidate lists and error rows are standard containers: memory running
// out while they grow is a failed mapping (false), never an exception
// through the C interface.
bool map_rows(Photo *image, const TavColormap *map, const DirectRows &target, NoiseSeed seed, Dither dither) try {
    const int width = image->width, height = image->height;
    const bool empty = width == 0 || height == 0;
    RgbaRows source(image);
    if (!empty && !source) return false;
    NearestEntry nearest(map);
    const size_t positions = static_cast<size_t>(width) + 2;
    Diffusion state{nearest, map->entries, map->transparent, std::vector<int>(3 * positions), std::vector<int>(3 * positions)};
    if (seed == NoiseSeed::kClock) RandomInit();
    // The noise is drawn a channel at a time, as the plain three rows take it.
    for (int k = 0; k < 3; ++k)
        for (size_t at = 0; at < positions; ++at) state.current[3 * at + static_cast<size_t>(k)] = RandomGet(2048) - 1024;

    for (int y = 0; y < height && !empty; ++y) {
        const unsigned char *rgba = source.row(y);
        unsigned char *indices = target.base + static_cast<ptrdiff_t>(y) * target.row_stride;
        if (dither == Dither::kNone) {
            map_row(nearest, map->transparent, rgba, indices, width);
            continue;
        }
        if ((y & 1) == 0) state.row<1>(rgba, indices, width);
        else state.row<-1>(rgba, indices, width);
        state.current.swap(state.next);
    }
    return true;
} catch (const std::bad_alloc &) {
    return false;
}

}  // namespace

Photo *quantize(Photo *image, TavColormap *colormap, NoiseSeed seed, Dither dither) {
    if (!image || !colormap || !has_usable_entry(colormap)) return nullptr;
    const int width = image->width, height = image->height;
    if (width < 0 || height < 0) return nullptr;
    // Ownership passes to the new image; an image's own colormap stays its own.
    TavColormap *map = colormap == image->colormap ? TavDupColormap(colormap) : colormap;
    if (!map) return nullptr;

    Photo *out = indexed_image(width, height);
    DirectRows target{};
    const bool empty = width == 0 || height == 0;
    if (!out || (!empty && !direct_rows(out, &target)) || !map_rows(image, map, target, seed, dither)) {
        PhotoDelete(out);
        if (map != colormap) TavDeleteColormap(map);
        return nullptr;
    }
    TavDeleteColormap(out->colormap);
    out->colormap = map;
    return out;
}

}  // namespace tav

extern "C" {

Photo *PhotoQuantize(Photo *image, TavColormap *colormap) {
    return tav::quantize(image, colormap, tav::NoiseSeed::kClock);
}

}  // extern "C"
