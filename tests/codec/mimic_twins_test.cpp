// The codec's vector twins give the portable functions' bytes exactly, on
// planes of every size the codec has and on pictures that take each branch
// of the filters (smoothed, softened and untouched edges).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "codec/codec_support.h"
#include "codec/mimic/mimic_internal_p.h"
#include "codec/sequence.h"
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

// Sample blocks from flat to full-range noise, eight rows and the four
// (repeated) of a half chroma block.
TEST(MimicTwins, ForwardTransformMatchesPortable) {
    uint32_t seed = 9;
    for (int range : {1, 16, 256})
        for (int trial = 0; trial < 200; ++trial) {
            uint8_t block[8 * 16];
            for (uint8_t &v : block) {
                seed = seed * 1103515245u + 12345u;
                v = static_cast<uint8_t>(trial % 7 == 0 ? (seed >> 31) * 255 : 128 - range / 2 + (seed >> 16) % range);
            }
            for (int rows : {8, 4}) {
                int portable[64], twin[64];
                both_ways([&] { forward_dct(block, 16, rows, portable); });
                forward_dct(block, 16, rows, twin);
                ASSERT_TRUE(std::equal(portable, portable + 64, twin)) << "range " << range << " trial " << trial;
            }
        }
}

// Coefficients of every size at qualities that take each clamp of the
// quantiser's step, luma and chroma.
TEST(MimicTwins, QuantiserMatchesPortable) {
    uint32_t seed = 3;
    for (int quality : {0, 3000, 6000, 10000})
        for (bool chroma : {false, true})
            for (int trial = 0; trial < 100; ++trial) {
                int F[64];
                for (int &f : F) {
                    seed = seed * 1103515245u + 12345u;
                    f = static_cast<int>((seed >> 8) % (trial % 2 ? 4001 : 61)) - (trial % 2 ? 2000 : 30);
                }
                int portable[64], twin[64];
                both_ways([&] { quantise(F, chroma, quality, kEncoderCoefficients, portable); });
                quantise(F, chroma, quality, kEncoderCoefficients, twin);
                ASSERT_TRUE(std::equal(portable, portable + 64, twin)) << quality << " " << chroma << " " << trial;
            }
}

// The encoder's block comparisons decide which blocks are copied from which
// older frame: a sequence of P-frames, some with grain over the scene, must
// come out the same bytes either way.
TEST(MimicTwins, EncoderMatchesPortable) {
    for (int grain : {0, 24}) {
        std::vector<mimictest::Bytes> frames[2];
        for (int way = 0; way < 2; ++way) {
            tav::set_vector_twins(way == 1);
            mimictest::Ctx ctx = mimictest::encoder(160);
            for (int t = 0; t < 12; ++t) {
                mimictest::Bytes rgb = mimictest::scene_frame(160, 120, t);
                uint32_t seed = 17u * static_cast<uint32_t>(t + 1);
                for (unsigned char &v : rgb) {
                    seed = seed * 1103515245u + 12345u;
                    v = static_cast<unsigned char>(std::clamp(v + static_cast<int>((seed >> 16) % (2 * grain + 1)) - grain, 0, 255));
                }
                frames[way].push_back(mimictest::encode(ctx.get(), rgb, t == 0));
            }
        }
        tav::set_vector_twins(true);
        EXPECT_EQ(frames[0], frames[1]) << "grain " << grain;
    }
}

}  // namespace
