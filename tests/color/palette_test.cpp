// Histogram, fixed palettes, median cut and error-diffusion quantisation.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "color/quantize_p.h"
#include "support/photo_io.h"
#include "support/tcl_env.h"

namespace {

using Rgb = std::array<int, 3>;

using tavtest::PhotoPtr;

struct MapPtr {
    TavColormap *m;
    explicit MapPtr(TavColormap *map) : m(map) {}
    MapPtr(const MapPtr &) = delete;
    MapPtr &operator=(const MapPtr &) = delete;
    ~MapPtr() { TavDeleteColormap(m); }
    TavColormap *get() const { return m; }
    TavColormap *release() {
        TavColormap *map = m;
        m = nullptr;
        return map;
    }
};

std::vector<Rgb> entries_of(TavColormap *map) {
    std::vector<Rgb> out(static_cast<size_t>(TavColormapSize(map)));
    for (size_t i = 0; i < out.size(); ++i) TavGetColormap(map, static_cast<int>(i), &out[i][0], &out[i][1], &out[i][2]);
    return out;
}

// An image whose pixels are the given colours in row order, one row.
Photo *row_of(const std::vector<Rgb> &colours) {
    Photo *image = PhotoCreate(static_cast<int>(colours.size()), 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::vector<unsigned char> rgb;
    for (const Rgb &c : colours)
        for (int v : c) rgb.push_back(static_cast<unsigned char>(v));
    PhotoPutRGB(image, rgb.data(), 0, 0, static_cast<int>(colours.size()), 1);
    return image;
}

Photo *random_image(int width, int height, unsigned seed, bool some_transparent) {
    Photo *image = PhotoCreate(width, height, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::mt19937 gen(seed);
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<unsigned char>(gen() & 255);
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = some_transparent && gen() % 5 == 0 ? 0 : 255;
    PhotoPutRGBA(image, rgba.data(), 0, 0, width, height, TAV_COMPOSE_REPLACE);
    return image;
}

std::vector<unsigned char> indices_of(Photo *image) {
    std::vector<unsigned char> out(static_cast<size_t>(image->width) * image->height);
    PhotoGetIndex(image, out.data(), 0, 0, image->width, image->height);
    return out;
}

// Squared RGB distance from (r, g, b) to the nearest entry other than the
// transparent one, by looking at every entry.
int nearest_distance(TavColormap *map, const int c[3], int *index = nullptr) {
    int best = -1, best_d = 0;
    for (int i = 0; i < TavColormapSize(map); ++i) {
        if (i == TavGetTransparent(map)) continue;
        int e[3];
        TavGetColormap(map, i, &e[0], &e[1], &e[2]);
        const int d = (c[0] - e[0]) * (c[0] - e[0]) + (c[1] - e[1]) * (c[1] - e[1]) + (c[2] - e[2]) * (c[2] - e[2]);
        if (best < 0 || d < best_d) best = i, best_d = d;
    }
    if (index) *index = best;
    return best_d;
}

// The quantiser written out plainly, pixel by pixel, as an oracle.
std::vector<unsigned char> plain_quantize(Photo *image, TavColormap *map) {
    const int w = image->width, h = image->height, t = TavGetTransparent(map);
    std::vector<std::vector<int>> cur(3, std::vector<int>(w + 2)), next(3, std::vector<int>(w + 2));
    for (int k = 0; k < 3; ++k)
        for (int &e : cur[k]) e = RandomGet(2048) - 1024;
    std::vector<unsigned char> out(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (auto &row : next) std::fill(row.begin(), row.end(), 0);
        const int dir = y % 2 == 0 ? 1 : -1;
        for (int n = 0; n < w; ++n) {
            const int x = dir > 0 ? n : w - 1 - n;
            unsigned char p[4];
            PhotoGetRGBA(image, p, x, y, 1, 1);
            if (t >= 0 && p[3] == 0) {
                out[static_cast<size_t>(y) * w + x] = static_cast<unsigned char>(t);
                continue;
            }
            int c[3];
            for (int k = 0; k < 3; ++k) {
                c[k] = p[k] + cur[k][x + 1] / 1024;
                c[k] = c[k] < 0 ? 0 : c[k] > 255 ? 255 : c[k];
            }
            int i = -1;
            nearest_distance(map, c, &i);
            out[static_cast<size_t>(y) * w + x] = static_cast<unsigned char>(i);
            int e[3];
            TavGetColormap(map, i, &e[0], &e[1], &e[2]);
            for (int k = 0; k < 3; ++k) {
                const int err = c[k] - e[k];
                cur[k][x + 1 + dir] += err * 7168 / 16;
                next[k][x + 1 - dir] += err * 3072 / 16;
                next[k][x + 1] += err * 5120 / 16;
                next[k][x + 1 + dir] += err * 1024 / 16;
            }
        }
        std::swap(cur, next);
    }
    return out;
}

TEST(Histogram, CountsEveryPixelInIncreasingCells) {
    tavtest::interp();
    PhotoPtr image(random_image(37, 29, 7, false));
    TavHistogram *h = PhotoHistogram(image.get());
    ASSERT_NE(h, nullptr);
    long long total = 0;
    for (int i = 0; i < h->count; ++i) {
        const TavHistogramCell &c = h->cells[i];
        EXPECT_EQ(c.red % 8 + c.green % 8 + c.blue % 8, 0);
        EXPECT_EQ(c.alpha, 255);
        EXPECT_GT(c.pixels, 0);
        if (i > 0) {
            const TavHistogramCell &p = h->cells[i - 1];
            EXPECT_LT((p.red << 7) | (p.green << 2) | (p.blue >> 3), (c.red << 7) | (c.green << 2) | (c.blue >> 3));
        }
        total += c.pixels;
    }
    EXPECT_EQ(total, 37 * 29);
    TavFree(h);

    PhotoPtr empty(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    h = PhotoHistogram(empty.get());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->count, 0);
    TavFree(h);
}

TEST(FixedPalettes, SizesAndLevels) {
    struct Case {
        TavColormap *(*make)();
        int size;
        int index;
        Rgb colour;
    };
    const Case cases[] = {
        {PhotoPaletteBW, 2, 0, {0, 0, 0}},
        {PhotoPaletteBW, 2, 1, {255, 255, 255}},
        {PhotoPalette222, 64, 1, {0, 0, 0x55}},
        {PhotoPalette222, 64, 16 * 2 + 4 * 3 + 1, {0xAA, 0xFF, 0x55}},
        {PhotoPalette332, 256, 255, {0xFF, 0xFF, 0xFF}},
        {PhotoPalette332, 256, 6 * 32 + 7 * 4 + 3, {0xDD, 0xFF, 0xFF}},
        {PhotoPalette332, 256, 5 * 32 + 6 * 4 + 1, {0xAA, 0xDD, 0x55}},
        {PhotoPaletteWeb, 216, 215, {0xFF, 0xFF, 0xFF}},
        {PhotoPaletteWeb, 216, 36 * 4 + 6 * 1 + 2, {0xCC, 0x33, 0x66}},
        {PhotoPaletteGray, 256, 255, {255, 255, 255}},
        {PhotoPaletteGray, 256, 77, {77, 77, 77}},
    };
    for (const Case &c : cases) {
        MapPtr map(c.make());
        EXPECT_EQ(TavColormapSize(map.get()), c.size);
        EXPECT_EQ(TavGetTransparent(map.get()), -1);
        EXPECT_EQ(entries_of(map.get())[static_cast<size_t>(c.index)], c.colour) << "index " << c.index;
    }
}

TEST(Adaptative, MedianCutCases) {
    tavtest::interp();
    struct Case {
        const char *what;
        std::vector<Rgb> pixels;
        int colours;
        std::vector<Rgb> palette;
    };
    const std::vector<Rgb> ten = {{200, 0, 0}, {0, 8, 0}, {0, 0, 17}, {9, 9, 9},   {255, 255, 255},
                                  {0, 0, 255}, {64, 0, 0}, {0, 0, 40}, {100, 0, 1}, {0, 130, 0}};
    const Case cases[] = {
        {"worked example",
         {{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 100, 0}, {0, 255, 255}, {0, 255, 255}},
         2,
         {{248, 0, 0}, {0, 197, 165}}},
        {"single colour", {{13, 77, 255}, {13, 77, 255}}, 1, {{8, 72, 248}}},
        {"single colour, many asked", {{255, 255, 255}}, 200, {{248, 248, 248}}},
        {"fewer cells than colours: corners in cell order",
         ten,
         16,
         {{0, 0, 16}, {0, 0, 40}, {0, 0, 248}, {0, 8, 0}, {0, 128, 0}, {8, 8, 8}, {64, 0, 0}, {96, 0, 0},
          {200, 0, 0}, {248, 248, 248}}},
        {"no colours asked: one box", {{0, 0, 0}, {255, 255, 255}}, 0, {{124, 124, 124}}},
    };
    for (const Case &c : cases) {
        PhotoPtr image(row_of(c.pixels));
        MapPtr map(PhotoAdaptative(image.get(), c.colours));
        ASSERT_NE(map.get(), nullptr) << c.what;
        EXPECT_EQ(entries_of(map.get()), c.palette) << c.what;
        EXPECT_EQ(TavGetTransparent(map.get()), -1) << c.what;
    }
    PhotoPtr empty(PhotoCreate(0, 5, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(PhotoAdaptative(empty.get(), 16), nullptr);
}

TEST(Adaptative, ManyColoursCutToTheRequest) {
    tavtest::interp();
    PhotoPtr image(random_image(64, 48, 3, false));
    for (int colours : {2, 17, 254, 256, 1000}) {
        MapPtr map(PhotoAdaptative(image.get(), colours));
        ASSERT_NE(map.get(), nullptr);
        EXPECT_EQ(TavColormapSize(map.get()), colours > 256 ? 256 : colours);
    }
}

TEST(Quantize, MatchesThePlainTranscription) {
    tavtest::interp();
    struct Case {
        int width, height;
        TavColormap *(*palette)();  // or, when null, median cut to 254 colours
        bool transparent;
    };
    // The median-cut case is large enough that the colour cache in front
    // of the candidate lists meets the same slots with other colours.
    const Case cases[] = {
        {31, 17, PhotoPalette332, false}, {1, 9, PhotoPaletteBW, false},   {40, 3, PhotoPaletteWeb, true},
        {23, 23, PhotoPalette222, true},  {50, 20, PhotoPaletteGray, false}, {7, 1, PhotoPalette332, true},
        {160, 120, nullptr, true},
    };
    unsigned seed = 100;
    for (const Case &c : cases) {
        PhotoPtr image(random_image(c.width, c.height, ++seed, c.transparent));
        MapPtr expected_map(c.palette ? c.palette() : PhotoAdaptative(image.get(), 254));
        if (c.transparent) TavSetTransparent(expected_map.get(), 5);
        MapPtr map(TavDupColormap(expected_map.get()));
        RandomSeed(seed);
        const std::vector<unsigned char> expected = plain_quantize(image.get(), expected_map.get());
        RandomSeed(seed);
        PhotoPtr out(tav::quantize(image.get(), map.release(), tav::NoiseSeed::kCurrent));
        ASSERT_NE(out.get(), nullptr);
        EXPECT_TRUE(PhotoIsIndexed(out.get()));
        EXPECT_EQ(indices_of(out.get()), expected) << c.width << "x" << c.height;
    }
}

// Undithered, every pixel takes an entry at the least distance there is,
// on median-cut palettes (whose search tree can end far from it) and on a
// palette whose transparent entry is the exact colour of some pixels.
TEST(Quantize, EveryPixelTakesItsNearestEntry) {
    tavtest::interp();
    for (int colours : {2, 17, 254}) {
        PhotoPtr image(random_image(61, 37, static_cast<unsigned>(colours), false));
        MapPtr map(PhotoAdaptative(image.get(), colours));
        ASSERT_NE(map.get(), nullptr);
        if (colours == 17) {
            unsigned char first[4];
            PhotoGetRGBA(image.get(), first, 0, 0, 1, 1);
            TavSetTransparent(map.get(), TavAddColormap(map.get(), first[0], first[1], first[2]));
        }
        PhotoPtr out(tav::quantize(image.get(), TavDupColormap(map.get()), tav::NoiseSeed::kCurrent,
                                   tav::Dither::kNone));
        ASSERT_NE(out.get(), nullptr);
        const std::vector<unsigned char> indices = indices_of(out.get());
        for (size_t n = 0; n < indices.size(); ++n) {
            unsigned char p[4];
            PhotoGetRGBA(image.get(), p, static_cast<int>(n % 61), static_cast<int>(n / 61), 1, 1);
            const int c[3] = {p[0], p[1], p[2]};
            int e[3];
            TavGetColormap(map.get(), indices[n], &e[0], &e[1], &e[2]);
            ASSERT_NE(indices[n], TavGetTransparent(map.get())) << colours << " colours, pixel " << n;
            const int d = (c[0] - e[0]) * (c[0] - e[0]) + (c[1] - e[1]) * (c[1] - e[1]) + (c[2] - e[2]) * (c[2] - e[2]);
            ASSERT_EQ(d, nearest_distance(map.get(), c)) << colours << " colours, pixel " << n;
        }
    }
}

TEST(Quantize, TransparencyAndDither) {
    tavtest::interp();
    PhotoPtr clear(PhotoCreate(9, 4, TAV_MODE_RGBA, TAV_RENDER_MEMORY));  // blank: alpha 0 everywhere
    TavColormap *map = PhotoPalette332();
    TavSetTransparent(map, 7);
    PhotoPtr all_t(PhotoQuantize(clear.get(), map));
    ASSERT_NE(all_t.get(), nullptr);
    EXPECT_EQ(PhotoColormap(all_t.get()), map);  // taken over, not copied
    EXPECT_EQ(indices_of(all_t.get()), std::vector<unsigned char>(36, 7));

    // Without a transparent index alpha is ignored: blank pixels are grey.
    PhotoPtr grey(PhotoQuantize(clear.get(), PhotoPaletteGray()));
    ASSERT_NE(grey.get(), nullptr);
    for (unsigned char i : indices_of(grey.get())) EXPECT_NEAR(i, 192, 1);

    // Mid grey onto black and white dithers to about half of each.
    PhotoPtr mid(PhotoCreate(64, 64, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    std::vector<unsigned char> level(64 * 64, 128);
    PhotoPutGray(mid.get(), level.data(), 0, 0, 64, 64);
    PhotoPtr bw(PhotoQuantize(mid.get(), PhotoPaletteBW()));
    int ones = 0;
    for (unsigned char i : indices_of(bw.get())) {
        ASSERT_LE(i, 1);
        ones += i;
    }
    EXPECT_NEAR(ones, 64 * 64 / 2, 64);
}

TEST(Quantize, RefusesWhatItCannotMapOnto) {
    tavtest::interp();
    PhotoPtr image(random_image(4, 4, 1, false));
    MapPtr empty(TavCreateColormap());
    EXPECT_EQ(PhotoQuantize(image.get(), empty.get()), nullptr);
    MapPtr only_transparent(TavCreateColormap());
    TavAddColormap(only_transparent.get(), 1, 2, 3);
    TavSetTransparent(only_transparent.get(), 0);
    EXPECT_EQ(PhotoQuantize(image.get(), only_transparent.get()), nullptr);
    EXPECT_EQ(PhotoQuantize(image.get(), nullptr), nullptr);
    EXPECT_EQ(PhotoQuantize(nullptr, empty.get()), nullptr);

    // Re-quantising an indexed image onto its own colormap copies it, so the
    // two images never free the same colormap.
    PhotoPtr indexed(PhotoQuantize(image.get(), PhotoPalette222()));
    PhotoPtr again(PhotoQuantize(indexed.get(), PhotoColormap(indexed.get())));
    ASSERT_NE(again.get(), nullptr);
    EXPECT_NE(PhotoColormap(again.get()), PhotoColormap(indexed.get()));
    EXPECT_EQ(entries_of(PhotoColormap(again.get())), entries_of(PhotoColormap(indexed.get())));
}

}  // namespace
