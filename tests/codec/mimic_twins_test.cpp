// The codec's vector twins give the portable functions' bytes exactly, on
// planes of every size the codec has and on pictures that take each branch
// of the filters (smoothed, softened and untouched edges).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "codec/mimic/mimic_internal_p.h"
#include "core/cpu_p.h"

namespace {

using namespace tav::mimic;
using Plane = std::vector<uint8_t>;

// Blocks of 8 x 8 at levels `step` apart, plus noise of +-`noise`.
Plane blocky(int width, int rows, int step, int noise, uint32_t seed) {
    Plane p(static_cast<size_t>(width) * (rows + 1));
    for (int y = 0; y < rows + 1; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            int level = 128 + step * (((x / 8) * 7 + (y / 8) * 3) % 5 - 2);
            int n = noise ? static_cast<int>((seed >> 16) % (2 * noise + 1)) - noise : 0;
            p[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(std::clamp(level + n, 0, 255));
        }
    return p;
}

template <typename F>
void both_ways(F run) {
    tav::set_vector_twins(false);
    run();
    tav::set_vector_twins(true);
}

struct Picture {
    const char *name;
    int step, noise;
};
constexpr Picture kPictures[] = {
    {"flat", 0, 0},  {"near flat", 3, 1},  {"soft steps", 12, 1}, {"steep steps", 40, 1},
    {"noisy", 4, 6}, {"rough", 30, 40},    {"noise", 0, 128},
};
constexpr int kSizes[][2] = {{320, 240}, {160, 120}, {80, 60}, {160, 60}};

TEST(MimicTwins, DeblockMatchesPortable) {
    for (const Picture &pic : kPictures)
        for (const auto &size : kSizes) {
            const Plane source = blocky(size[0], size[1], pic.step, pic.noise, 7);
            Plane portable = source, twin = source;
            both_ways([&] { deblock_plane(portable.data(), size[0], size[1]); });
            deblock_plane(twin.data(), size[0], size[1]);
            ASSERT_EQ(portable, twin) << pic.name << " " << size[0] << "x" << size[1];
        }
}

TEST(MimicTwins, ColourMatchesPortable) {
    for (const Picture &pic : kPictures)
        for (int width : {320, 160}) {
            Geometry g;
            ASSERT_TRUE(g.set(width, width * 3 / 4));
            const Plane planes = blocky(width, g.height * 3 / 2, pic.step * 3, pic.noise * 2, 11);
            const uint8_t *y = planes.data(), *p1 = y + g.luma_size, *p2 = p1 + g.chroma_size;
            Plane portable(3 * static_cast<size_t>(g.luma_size)), twin(portable.size());
            both_ways([&] { planes_to_rgb(g, y, p1, p2, portable.data()); });
            planes_to_rgb(g, y, p1, p2, twin.data());
            ASSERT_EQ(portable, twin) << pic.name << " " << width;
            Plane yp(g.frame_size), yt(g.frame_size);
            both_ways([&] { rgb_to_planes(g, portable.data(), yp.data(), yp.data() + g.luma_size,
                                          yp.data() + g.luma_size + g.chroma_size); });
            rgb_to_planes(g, portable.data(), yt.data(), yt.data() + g.luma_size, yt.data() + g.luma_size + g.chroma_size);
            ASSERT_EQ(yp, yt) << pic.name << " " << width;
        }
}

// Coefficient blocks as the decoder makes them: a few or all positions
// set, at the largest magnitudes a frame can carry; full and half blocks.
TEST(MimicTwins, InverseTransformMatchesPortable) {
    uint32_t seed = 5;
    for (int density : {1, 4, 16, 64})
        for (int trial = 0; trial < 200; ++trial) {
            int D[64] = {};
            for (int i = 0; i < 64; ++i) {
                seed = seed * 1103515245u + 12345u;
                if (static_cast<int>(seed >> 26) < density) D[i] = static_cast<int>((seed >> 8) % 2541) - 1270;
            }
            D[0] = static_cast<int>(seed % 511);
            for (int rows : {8, 4}) {
                uint8_t portable[64] = {}, twin[64] = {};
                int copy[64];
                std::copy(D, D + 64, copy);
                both_ways([&] { inverse_dct_store(copy, portable, 8, rows); });
                std::copy(D, D + 64, copy);
                inverse_dct_store(copy, twin, 8, rows);
                ASSERT_TRUE(std::equal(portable, portable + 64, twin)) << "density " << density << " trial " << trial;
            }
        }
}

}  // namespace
