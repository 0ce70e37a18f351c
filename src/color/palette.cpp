// Palettes: the colour histogram on a 15-bit grid, the five fixed palettes
// and the adaptive palette cut from the histogram by median cut.
#include "core/memory_p.h"
#include "core/rgba_rows_p.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kCells = 32768;

inline int cell_number(const unsigned char *rgba) {
    return (rgba[0] >> 3) << 10 | (rgba[1] >> 3) << 5 | (rgba[2] >> 3);
}

TavColormap *cube_palette(const unsigned char *red, int nred, const unsigned char *green, int ngreen,
                          const unsigned char *blue, int nblue) {
    TavColormap *map = TavCreateColormap();
    for (int r = 0; r < nred; ++r)
        for (int g = 0; g < ngreen; ++g)
            for (int b = 0; b < nblue; ++b) TavAddColormap(map, red[r], green[g], blue[b]);
    return map;
}

// Cell counts over the whole image, 64-bit so that no picture the pixel
// ceiling admits can wrap a count.  Rows are read whole, in place when
// the image keeps them as RGBA.
bool count_cells(Photo *image, std::vector<uint64_t> &counts) {
    const int width = image->width, height = image->height;
    tav::RgbaRows rows(image);
    if (!rows) return false;
    for (int y = 0; y < height; ++y) {
        const unsigned char *p = rows.row(y);
        for (int x = 0; x < width; ++x, p += 4) ++counts[cell_number(p)];
    }
    return true;
}

// A median-cut box over cells[first .. first+count-1]; pixels in 64 bits.
struct Box {
    int first;
    int count;
    uint64_t pixels;
};

void sort_boxes(std::vector<Box> &boxes) {
    std::stable_sort(boxes.begin(), boxes.end(), [](const Box &a, const Box &b) { return a.pixels > b.pixels; });
}

// Splits `box` along the component whose weighted range is widest, at the
// pixel median; the upper part is returned, the lower part stays in `box`.
Box split_box(Box &box, TavHistogramCell *cells) {
    TavHistogramCell *first = cells + box.first, *last = first + box.count;
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (const TavHistogramCell *c = first; c < last; ++c) {
        const int v[3] = {c->red, c->green, c->blue};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    }
    const int wr = static_cast<int>(0.299 * (hi[0] - lo[0]));
    const int wg = static_cast<int>(0.587 * (hi[1] - lo[1]));
    const int wb = static_cast<int>(0.114 * (hi[2] - lo[2]));
    const int axis = wr > wg && wr > wb ? 0 : wg > wb ? 1 : 2;
    auto component = [axis](const TavHistogramCell &c) { return axis == 0 ? c.red : axis == 1 ? c.green : c.blue; };
    std::stable_sort(first, last, [&](const TavHistogramCell &a, const TavHistogramCell &b) {
        return component(a) < component(b);
    });

    const uint64_t half = box.pixels / 2;
    uint64_t lower = static_cast<uint64_t>(first->pixels);
    int taken = 1;
    while (taken < box.count - 1 && lower + static_cast<uint64_t>(first[taken].pixels) < half)
        lower += static_cast<uint64_t>(first[taken++].pixels);
    Box upper{box.first + taken, box.count - taken, box.pixels - lower};
    box.count = taken;
    box.pixels = lower;
    return upper;
}

// The pixel-weighted mean of a box's corner colours.
void add_mean(TavColormap *map, const Box &box, const TavHistogramCell *cells) {
    uint64_t sum[3] = {0, 0, 0}, pixels = 0;
    for (const TavHistogramCell *c = cells + box.first; c < cells + box.first + box.count; ++c) {
        const auto n = static_cast<uint64_t>(c->pixels);
        sum[0] += n * c->red;
        sum[1] += n * c->green;
        sum[2] += n * c->blue;
        pixels += n;
    }
    int mean[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        if (pixels) mean[k] = static_cast<int>(std::min<uint64_t>(sum[k] / pixels, 255));
    TavAddColormap(map, mean[0], mean[1], mean[2]);
}

}  // namespace

extern "C" {

TavHistogram *PhotoHistogram(Photo *image) {
    if (!image) return nullptr;
    // The record and its cells are one block: one TavFree releases both.
    void *block = tav::attempt_alloc(sizeof(TavHistogram) + sizeof(TavHistogramCell) * kCells);
    if (!block) return nullptr;
    auto *histogram = static_cast<TavHistogram *>(block);
    histogram->count = 0;
    histogram->cells = reinterpret_cast<TavHistogramCell *>(static_cast<unsigned char *>(block) + sizeof(TavHistogram));

    std::vector<uint64_t> counts(kCells, 0);
    if (image->width > 0 && image->height > 0 && !count_cells(image, counts)) {
        TavFree(block);
        return nullptr;
    }
    for (int n = 0; n < kCells; ++n) {
        if (!counts[n]) continue;
        TavHistogramCell &cell = histogram->cells[histogram->count++];
        cell.red = static_cast<unsigned char>((n >> 10) << 3);
        cell.green = static_cast<unsigned char>(((n >> 5) & 31) << 3);
        cell.blue = static_cast<unsigned char>((n & 31) << 3);
        cell.alpha = 255;
        cell.pixels = static_cast<int>(std::min<uint64_t>(counts[n], INT_MAX));
    }
    return histogram;
}

TavColormap *PhotoPaletteBW(void) {
    TavColormap *map = TavCreateColormap();
    TavAddColormap(map, 0, 0, 0);
    TavAddColormap(map, 255, 255, 255);
    return map;
}

TavColormap *PhotoPalette222(void) {
    static const unsigned char levels[] = {0x00, 0x55, 0xAA, 0xFF};
    return cube_palette(levels, 4, levels, 4, levels, 4);
}

TavColormap *PhotoPalette332(void) {
    // The 3-bit levels are not evenly spaced: the seventh is 0xDD.
    static const unsigned char levels3[] = {0x00, 0x22, 0x44, 0x66, 0x88, 0xAA, 0xDD, 0xFF};
    static const unsigned char levels2[] = {0x00, 0x55, 0xAA, 0xFF};
    return cube_palette(levels3, 8, levels3, 8, levels2, 4);
}

TavColormap *PhotoPaletteWeb(void) {
    static const unsigned char levels[] = {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};
    return cube_palette(levels, 6, levels, 6, levels, 6);
}

TavColormap *PhotoPaletteGray(void) {
    TavColormap *map = TavCreateColormap();
    for (int i = 0; i < 256; ++i) TavAddColormap(map, i, i, i);
    return map;
}

TavColormap *PhotoAdaptative(Photo *image, int colours) {
    if (!image || image->width <= 0 || image->height <= 0) return nullptr;
    TavHistogram *histogram = PhotoHistogram(image);
    if (!histogram) return nullptr;
    TavHistogramCell *cells = histogram->cells;
    colours = std::min(colours, 256);  // a colormap holds no more

    TavColormap *map = TavCreateColormap();
    if (colours >= histogram->count) {
        for (int i = 0; i < histogram->count; ++i) TavAddColormap(map, cells[i].red, cells[i].green, cells[i].blue);
        TavFree(histogram);
        return map;
    }

    std::vector<Box> boxes;
    boxes.reserve(static_cast<size_t>(std::max(colours, 1)));
    boxes.push_back({0, histogram->count,
                     static_cast<uint64_t>(image->width) * static_cast<uint64_t>(image->height)});
    while (static_cast<int>(boxes.size()) < colours) {
        auto splittable = std::find_if(boxes.begin(), boxes.end(), [](const Box &b) { return b.count >= 2; });
        if (splittable == boxes.end()) break;
        const Box upper = split_box(*splittable, cells);
        boxes.push_back(upper);
        sort_boxes(boxes);
    }
    for (const Box &box : boxes) add_mean(map, box, cells);
    TavFree(histogram);
    return map;
}

}  // extern "C"
