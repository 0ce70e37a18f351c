// Indexing an image onto exactly its own colours: see exact_palette_p.h.
#include "io/exact_palette_p.h"

#include "core/memory_p.h"
#include "core/render_memory_p.h"
#include "core/rgba_rows_p.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace tav {
namespace {

// Colours seen so far, open addressing over 1024 slots (at most 256 live).
class ColourSet {
public:
    ColourSet() { std::memset(keys_, 0, sizeof keys_); }
    // The index of colour `rgb`, adding it when new; -1 when full.
    int index_of(uint32_t rgb, int capacity) {
        const uint32_t key = rgb + 1;  // 0 marks an empty slot
        for (uint32_t slot = (rgb * 2654435761u) >> 22;; slot = (slot + 1) & 1023) {
            if (keys_[slot] == key) return indices_[slot];
            if (keys_[slot] == 0) {
                if (count_ >= capacity) return -1;
                keys_[slot] = key;
                indices_[slot] = static_cast<short>(count_);
                colours_[count_] = rgb;
                return count_++;
            }
        }
    }
    int count() const { return count_; }
    uint32_t colour(int i) const { return colours_[i]; }

private:
    uint32_t keys_[1024];
    short indices_[1024] = {};
    uint32_t colours_[256] = {};
    int count_ = 0;
};

}  // namespace

Photo *index_exactly(Photo *image, int capacity, bool transparent) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width <= 0 || height <= 0 || capacity < 1 || capacity > 256) return nullptr;
    if (transparent) --capacity;  // the transparent entry comes last
    RgbaRows rgba(image);
    Bytes line = attempt_bytes(static_cast<size_t>(width));
    Photo *out = PhotoCreate(width, height, TAV_MODE_INDEXED, TAV_RENDER_MEMORY);
    if (!rgba || !line || !out || PhotoWidth(out) != width || PhotoHeight(out) != height) {
        PhotoDelete(out);
        return nullptr;
    }
    auto set = std::make_unique<ColourSet>();
    constexpr unsigned char kTransparentMark = 0xFF;
    bool any_transparent = false;
    uint32_t last_rgb = UINT32_MAX;  // no colour
    int last_index = -1;
    // Indices go straight into the new image's rows where it keeps them.
    DirectRows target{};
    const bool in_place = direct_rows(out, &target);
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = rgba.row(y);
        unsigned char *const indices = in_place ? target.base + static_cast<ptrdiff_t>(y) * target.row_stride : line.get();
        for (int x = 0; x < width; ++x) {
            const unsigned char *p = row + 4 * static_cast<size_t>(x);
            if (transparent && p[3] == 0) {
                indices[x] = kTransparentMark;  // fixed up below, once the count is known
                any_transparent = true;
                continue;
            }
            // Drawings and text repeat a colour along the row: the last one
            // found needs no look-up.
            const uint32_t rgb = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
            if (rgb != last_rgb) {
                last_index = set->index_of(rgb, capacity);
                if (last_index < 0) {
                    PhotoDelete(out);
                    return nullptr;
                }
                last_rgb = rgb;
            }
            indices[x] = static_cast<unsigned char>(last_index);
        }
        if (!in_place) PhotoPutIndex(out, indices, 0, y, width, 1);
    }
    TavColormap *map = TavCreateColormap();
    if (!map) {
        PhotoDelete(out);
        return nullptr;
    }
    for (int i = 0; i < set->count(); ++i) {
        const uint32_t c = set->colour(i);
        TavAddColormap(map, static_cast<int>(c >> 16), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c & 0xFF));
    }
    if (transparent) {
        const int entry = TavAddColormap(map, 192, 192, 192);
        TavSetTransparent(map, entry);
        // Alpha-0 pixels were marked 0xFF; the transparent entry is the last.
        if (any_transparent && entry != kTransparentMark) {
            for (int y = 0; y < height; ++y) {
                PhotoGetIndex(out, line.get(), 0, y, width, 1);
                for (int x = 0; x < width; ++x)
                    if (line[x] == kTransparentMark) line[x] = static_cast<unsigned char>(entry);
                PhotoPutIndex(out, line.get(), 0, y, width, 1);
            }
        }
    }
    TavDeleteColormap(PhotoColormap(out));
    out->colormap = map;
    return out;
}

}  // namespace tav
