// Test support for geometry and filters: memory images filled with
// reproducible random pixels, and a plain RGBA copy of an image that the
// reference transcriptions of the algorithms read from.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "support/tcl_env.h"

namespace geomtest {

using Image = tavtest::Image;

// Random pixels; with `opaque` every alpha is 255.
inline void fill_random(Photo *image, uint32_t seed, bool opaque = false) {
    std::mt19937 rng(seed);
    std::vector<unsigned char> px(static_cast<size_t>(image->width) * image->height * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = (opaque && i % 4 == 3) ? 255 : static_cast<unsigned char>(rng());
    PhotoPutRGBA(image, px.data(), 0, 0, image->width, image->height, TAV_COMPOSE_REPLACE);
}

// A plain RGBA snapshot with bounds-checked access.
struct Pixels {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    explicit Pixels(Photo *image) : w(image->width), h(image->height), px(tavtest::rgba_of(image)) {}
    Pixels(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height * 4) {}
    bool inside(long long x, long long y) const { return x >= 0 && x < w && y >= 0 && y < h; }
    unsigned char *at(int x, int y) { return &px[4 * (static_cast<size_t>(y) * w + x)]; }
    const unsigned char *at(int x, int y) const { return &px[4 * (static_cast<size_t>(y) * w + x)]; }
};

}  // namespace geomtest
