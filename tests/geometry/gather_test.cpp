// The nearest-neighbour gathers with their twins on and off: the same bytes
// for rows that run inside the source, off either end, backwards, across it
// in steps of many pixels, and with offsets too large for 32-bit lanes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/cpu_p.h"
#include "geometry/gather_p.h"

namespace {

template <class Gather, class Choose>
std::vector<unsigned char> both_ways(const Gather &g, size_t n, Choose choose) {
    std::vector<unsigned char> portable(4 * n, 1), twin(4 * n, 2);
    tav::set_vector_twins(false);
    choose()(g, portable.data(), n);
    tav::set_vector_twins(true);
    choose()(g, twin.data(), n);
    EXPECT_EQ(twin, portable);
    return portable;
}

TEST(Gather, TwinsMatchPortable) {
    const int w = 37, h = 23;
    std::vector<unsigned char> image(4 * w * h);
    std::mt19937 rng(3);
    for (auto &b : image) b = static_cast<unsigned char>(rng());
    const struct {
        long long sx, sy;
        uint32_t acc, step;  // x position and step; y runs at step / 3 from acc / 2
    } cases[] = {
        {0, 0, 0, 4096},                  // one to one
        {5, 2, 2048, 2731},               // shrinking by 1.5
        {-9, -4, 0, 1365},                // growing by 3, starting off the left and top
        {0, 0, 40u << 12, 0u - 4096},     // backwards from past the right end
        {30, 10, 0, 9 * 4096},            // large steps off the end
        {1LL << 31, 0, 0, 4096},          // offsets no int lane holds
        {-(1LL << 40), 1LL << 33, 0, 4096},
        {0, 0, 0x7FFFF000u, 4096},        // the 32-bit sum wraps to negative
    };
    for (const auto &c : cases)
        for (size_t n : {1, 3, 7, 8, 15, 17, 33, 80}) {
            SCOPED_TRACE(testing::Message() << "sx " << c.sx << " step " << c.step << " n " << n);
            for (int y = 0; y < h; y += 11) {
                const auto out = both_ways(tav::RowGather{&image[4 * w * y], c.sx, w, c.acc, c.step}, n,
                                           tav::choose_gather_row);
                if (c.sx == 0 && c.step == 4096 && c.acc == 0) {  // the oracle itself, once
                    for (size_t i = 0; i < 4 * n; ++i) ASSERT_EQ(out[i], i < 4u * w ? image[4 * w * y + i] : 0) << i;
                }
            }
            both_ways(tav::PlaneGather{image.data(), 4 * w, c.sx, c.sy, w, h, c.acc, c.acc / 2,
                                                        c.step, c.step / 3},
                                       n, tav::choose_gather_plane);
            // A source row stride that is no whole number of pixels.
            both_ways(tav::PlaneGather{image.data(), 4 * w - 2, c.sx, c.sy, w - 1, h, c.acc, c.acc / 2, c.step,
                                       c.step / 3},
                      n, tav::choose_gather_plane);
        }
}

}  // namespace
