// The true nearest colormap entry of a colour, by the distance the
// colormap's search tree is built on (squared RGB distance), for mapping a
// whole image: the tree's descent is quick but can end far from the
// nearest entry.  Ties go to the lowest index; a transparent entry is
// never chosen.
#pragma once

#include "tavrel.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tav {

// A choosable entry, as a cell's candidate list holds it.
struct NearestEntryItem {
    unsigned char r, g, b, index;
    // Squared distance to the nearest point of the cell, at most 65535:
    // a smaller bound only lengthens the walk.
    uint16_t bound;
};

// The RGB cube is cut into 32x32x32 cells of 8 levels a side.  A cell's
// candidate list, made the first time a colour falls in it, holds every
// entry that can be nearest to some colour of the cell: those whose
// distance to the nearest point of the cell is at most the smallest
// distance any entry has to its farthest point.  The lists of 8x8x8 coarse
// cells (32 levels a side) are made the same way from every entry, and a
// cell's list from its coarse cell's alone: whatever can be nearest in a
// cell can be in the coarse cell around it.  A lookup walks its cell's
// list in order of that nearest-point distance and stops where it exceeds
// the best distance found: no later entry can be nearer.
class NearestEntry {
public:
    explicit NearestEntry(const TavColormap *map);
    // -1 when the colormap has no entry to choose.
    int find(int r, int g, int b) {
        // Dithered pictures come back to the same colours often: a small
        // cache of exact colours answers them before the cell's list, whose
        // table and candidates lie well outside the first-level cache.
        const uint32_t rgb = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
        const uint32_t slot = (rgb * 2654435761u) >> (32 - kCacheBits);
        if (cache_colour_[slot] == rgb) return cache_index_[slot];
        const int best = scan(r, g, b);
        cache_colour_[slot] = rgb;
        cache_index_[slot] = static_cast<int16_t>(best);
        return best;
    }

private:
    using Entry = NearestEntryItem;
    static constexpr int kCacheBits = 12;
    // A cell's list is pool_[start, start + count): start << 9 | count in
    // one word, so that a lookup touches one table (the pool holds at most
    // 32768 lists of 256, 2^23 entries; count is 1 to 256).
    static constexpr uint32_t kUnfilled = UINT32_MAX;
    // The first kFirst entries from a list's start are weighed without a
    // test, since most lookups end among them: entries past a short list
    // are other lists' (or the padding kept at the pool's end), and any
    // entry outside the list is farther than its best, so they never win.
    // Ties go to the lowest index: the least of distance << 8 | index.
    static constexpr int kFirst = 4;
    int scan(int r, int g, int b) {
        if (entries_.empty()) return -1;
        const int cell = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
        if (cells_[cell] == kUnfilled) fill(cell);
        const Entry *e = pool_.data() + (cells_[cell] >> 9), *end = e + (cells_[cell] & 511);
        auto weigh = [r, g, b](const Entry &c) {
            const int dr = r - c.r, dg = g - c.g, db = b - c.b;
            return static_cast<uint32_t>(dr * dr + dg * dg + db * db) << 8 | c.index;
        };
        uint32_t best = weigh(e[0]);
        for (int j = 1; j < kFirst; ++j) best = std::min(best, weigh(e[j]));
        for (e += kFirst; e < end && e->bound <= best >> 8; ++e) best = std::min(best, weigh(*e));
        return static_cast<int>(best & 255);
    }
    void fill(int cell);

    std::vector<Entry> entries_;  // the choosable entries, by index
    std::vector<Entry> pool_;     // every filled cell's candidates, by bound, then kFirst - 1 of padding
    std::vector<uint32_t> cells_;
    std::vector<std::vector<Entry>> coarse_;  // 512 coarse lists, made on first use
    // No colour is 0xFFFFFFFF: every slot starts empty.
    std::vector<uint32_t> cache_colour_;
    std::vector<int16_t> cache_index_;
};

}  // namespace tav
