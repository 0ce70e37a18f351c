// Clip regions: point tests over interval rows, and the block put limited to
// a region's intervals -- inside them exactly what the put gives without a
// region, outside them the pixels as they were (never read and rewritten).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/region_p.h"
#include "support/photo_io.h"
#include "support/tcl_env.h"

namespace {

using Owned = tavtest::PhotoPtr;

// Rows 2..4 of a 12-wide image: two intervals, none, one reaching past the edge.
const int kCounts[] = {2, 0, 1};
const int kPairs[] = {1, 3, 6, 8, 9, 40};

bool in_test_region(int x, int y) {
    if (y == 2) return (x >= 1 && x < 3) || (x >= 6 && x < 8);
    if (y == 4) return x >= 9 && x < 40;
    return false;
}

}  // namespace

TEST(Region, PointTests) {
    tavtest::interp();
    EXPECT_EQ(TavPointInRegion(nullptr, -5, 1 << 30), 1);
    TavRegion *region = TavCreateRegion();
    EXPECT_EQ(TavPointInRegion(region, 0, 0), 0);  // a new region holds nothing
    ASSERT_TRUE(tav::region_set_rows(region, 2, 3, kCounts, kPairs));
    for (int y = -1; y < 7; ++y)
        for (int x = -2; x < 45; ++x) EXPECT_EQ(TavPointInRegion(region, x, y), in_test_region(x, y)) << x << "," << y;

    // Unsorted, overlapping, empty or negative counts are refused and change nothing.
    const int overlapping[] = {1, 5, 4, 8}, empty[] = {3, 3}, reversed[] = {6, 8, 1, 3};
    const int two[] = {2}, one[] = {1}, negative[] = {-1};
    EXPECT_FALSE(tav::region_set_rows(region, 0, 1, two, overlapping));
    EXPECT_FALSE(tav::region_set_rows(region, 0, 1, two, reversed));
    EXPECT_FALSE(tav::region_set_rows(region, 0, 1, one, empty));
    EXPECT_FALSE(tav::region_set_rows(region, 0, 1, negative, empty));
    EXPECT_FALSE(tav::region_set_rows(region, 2147483647, 2, kCounts, kPairs));
    EXPECT_EQ(TavPointInRegion(region, 6, 2), 1);
    TavDeleteRegion(region);
    TavDeleteRegion(nullptr);
}

TEST(Region, BlockPutTouchesOnlyTheIntervals) {
    tavtest::interp();
    std::mt19937 rng(21);
    const int modes[] = {TAV_MODE_RGBA, TAV_MODE_GRAY, TAV_MODE_GRAYALPHA};
    const int composes[] = {TAV_COMPOSE_REPLACE, TAV_COMPOSE_OVER, TAV_COMPOSE_UNDER, TAV_COMPOSE_DIFFERENCE};
    for (int mode : modes)
        for (int compose : composes) {
            Owned clipped(PhotoCreate(12, 7, mode, TAV_RENDER_MEMORY)), plain(PhotoCreate(12, 7, mode, TAV_RENDER_MEMORY));
            std::vector<unsigned char> start(12 * 7 * 4), block(10 * 5 * 4);
            for (auto &b : start) b = static_cast<unsigned char>(rng());
            for (auto &b : block) b = static_cast<unsigned char>(rng());
            PhotoPutRGBA(clipped, start.data(), 0, 0, 12, 7, TAV_COMPOSE_REPLACE);
            PhotoPutRGBA(plain, start.data(), 0, 0, 12, 7, TAV_COMPOSE_REPLACE);
            const auto before = tavtest::rgba_of(clipped);

            clipped.p->region = TavCreateRegion();
            PhotoPutRGBA(clipped, block.data(), 0, 1, 10, 5, compose);
            EXPECT_EQ(tavtest::rgba_of(clipped), before) << "an empty region lets nothing through";

            ASSERT_TRUE(tav::region_set_rows(clipped.p->region, 2, 3, kCounts, kPairs));
            PhotoPutRGBA(clipped, block.data(), 0, 1, 10, 5, compose);
            PhotoPutRGBA(plain, block.data(), 0, 1, 10, 5, compose);
            const auto got = tavtest::rgba_of(clipped), full = tavtest::rgba_of(plain);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 12; ++x) {
                    const size_t at = 4 * (static_cast<size_t>(y) * 12 + x);
                    const auto &want = in_test_region(x, y) ? full : before;
                    ASSERT_TRUE(std::equal(&got[at], &got[at] + 4, &want[at]))
                        << "mode " << mode << " compose " << compose << " at " << x << "," << y;
                }
        }
}
