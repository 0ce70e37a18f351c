// Boxes, runs and pixels: mirroring of negative sizes, fills, blanking,
// indexed images and coordinates at the ends of the int range.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "draw/draw_support.h"

using drawtest::Image;
using drawtest::painted;
using drawtest::rgba;
using tavtest::pixel;
using Points = std::vector<std::pair<int, int>>;

TEST(DrawBox, NegativeSizesExtendLeftAndUp) {
    Image image(20, 20);
    const auto red = rgba(255, 0, 0);
    EXPECT_EQ(PhotoDrawBox(image, red.data(), 0, 10, 10, -5, -5), 0);
    Points expected;
    for (int y = 5; y < 10; ++y)
        for (int x = 5; x < 10; ++x) expected.emplace_back(x, y);
    EXPECT_EQ(painted(image), expected);
}

TEST(DrawBox, ZeroSizeDrawsNothing) {
    Image image(8, 8);
    EXPECT_EQ(PhotoDrawBox(image, nullptr, 0, 2, 2, 0, 5), 0);
    EXPECT_EQ(PhotoDrawBox(image, nullptr, 0, 2, 2, 5, 0), 0);
    EXPECT_TRUE(painted(image).empty());
}

TEST(DrawBox, NullColourIsTheForeground) {
    Image image(4, 4);
    const auto green = rgba(0, 200, 0, 255);
    PhotoSetForeground(image, green.data());
    PhotoDrawBox(image, nullptr, 0, 1, 1, 1, 1);
    EXPECT_EQ(pixel(image, 1, 1), green);
}

TEST(DrawBox, ComposeArgumentAndImageMode) {
    Image image(2, 1);
    const auto half = rgba(255, 0, 0, 128);
    PhotoSetCompose(image, TAV_COMPOSE_OVER);
    PhotoDrawBox(image, half.data(), TAV_COMPOSE_REPLACE, 0, 0, 1, 1);  // replace despite the image's over
    EXPECT_EQ(pixel(image, 0, 0), half);
    const auto opaque = rgba(0, 0, 255, 255);
    PhotoDrawBox(image, opaque.data(), TAV_COMPOSE_REPLACE, 1, 0, 1, 1);
    PhotoDrawBox(image, half.data(), TAV_COMPOSE_DEFAULT, 1, 0, 1, 1);  // over, from the image
    const auto blended = pixel(image, 1, 0);
    EXPECT_EQ(blended[3], 255);
    EXPECT_GT(blended[0], 100);
    EXPECT_GT(blended[2], 100);
}

TEST(DrawBox, HugeBoxesAreClippedWithoutOverflow) {
    Image image(6, 4);
    PhotoDrawBox(image, nullptr, 0, INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // ends at -2, -2
    EXPECT_TRUE(painted(image).empty());
    PhotoDrawBox(image, nullptr, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN);  // covers -1 .. INT_MAX-1
    EXPECT_EQ(painted(image).size(), 24u);
    Image other(3, 3);
    PhotoDrawBox(other, nullptr, 0, 2, 2, INT_MAX, INT_MAX);
    EXPECT_EQ(painted(other), (Points{{2, 2}}));
}

TEST(DrawRuns, NegativeLengthLeavesOutTheStart) {
    Image image(20, 3);
    PhotoDrawHLine(image, nullptr, 10, 1, -3);
    EXPECT_EQ(painted(image), (Points{{7, 1}, {8, 1}, {9, 1}}));
    PhotoDrawHLine(image, nullptr, 15, 1, 0);
    EXPECT_EQ(painted(image).size(), 3u);

    Image column(3, 20);
    PhotoDrawVLine(column, nullptr, 2, 4, 2);
    PhotoDrawVLine(column, nullptr, 0, 4, -2);
    EXPECT_EQ(painted(column), (Points{{0, 2}, {0, 3}, {2, 4}, {2, 5}}));
}

TEST(DrawRuns, PixelIsOneBoxOfOne) {
    drawtest::Recorder rec(5, 5);
    PhotoDrawPixel(rec, nullptr, 3, 2);
    PhotoDrawPixel(rec, nullptr, 5, 2);  // outside: nothing reaches the renderer
    PhotoDrawPixel(rec, nullptr, -1, 0);
    ASSERT_EQ(rec.puts().size(), 1u);
    EXPECT_EQ(rec.puts()[0], (drawtest::Put{3, 2, rgba(255, 255, 255)}));
}

TEST(DrawFill, FillUsesImageComposeAndBlankAlwaysReplaces) {
    Image image(3, 2);
    const auto blue = rgba(0, 0, 255, 255);
    PhotoSetForeground(image, blue.data());
    PhotoFill(image, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pixel(image, x, y), blue);

    PhotoSetCompose(image, TAV_COMPOSE_OVER);
    const auto clear = rgba(255, 0, 0, 0);
    PhotoFill(image, clear.data());  // over with alpha 0 changes nothing
    EXPECT_EQ(pixel(image, 2, 1), blue);

    PhotoBlank(image);  // replace, whatever the image's mode says
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pixel(image, x, y), rgba(192, 192, 192, 0));
}

TEST(DrawIndexed, NearestPaletteEntryOrRefusal) {
    Image image(4, 1, TAV_MODE_INDEXED);
    TavColormap *map = PhotoColormap(image);
    TavResizeColormap(map, 3);
    TavSetColormap(map, 0, 0, 0, 0);
    TavSetColormap(map, 1, 250, 10, 10);
    TavSetColormap(map, 2, 250, 10, 10);  // same colour: the lower index wins
    const unsigned char zeros[4] = {0, 0, 0, 0};
    PhotoPutIndex(image, zeros, 0, 0, 4, 1);
    const auto reddish = rgba(200, 0, 0, 17);  // alpha plays no part
    EXPECT_EQ(PhotoDrawBox(image, reddish.data(), 0, 1, 0, 2, 1), 0);
    unsigned char idx[4] = {9, 9, 9, 9};
    ASSERT_EQ(PhotoGetIndex(image, idx, 0, 0, 4, 1), 0);
    EXPECT_EQ(idx[0], 0);
    EXPECT_EQ(idx[1], 1);
    EXPECT_EQ(idx[2], 1);
    EXPECT_EQ(idx[3], 0);

    // Lines, runs and ellipses reach the palette through the same box.
    const auto dark = rgba(20, 20, 20);
    PhotoDrawLine(image, dark.data(), 1, 0, 3, 0);
    PhotoGetIndex(image, idx, 0, 0, 4, 1);
    EXPECT_EQ(idx[1], 0);
    EXPECT_EQ(idx[2], 0);
}

TEST(DrawIndexed, EmptyColormapDrawsNothing) {
    Image image(3, 1, TAV_MODE_INDEXED);
    TavResizeColormap(PhotoColormap(image), 0);
    unsigned char before[3], after[3];
    PhotoGetIndex(image, before, 0, 0, 3, 1);
    EXPECT_EQ(PhotoDrawBox(image, nullptr, 0, 0, 0, 3, 1), 1);
    EXPECT_EQ(PhotoDrawLine(image, nullptr, 0, 0, 2, 0), 0);  // the refusal is not passed on
    PhotoGetIndex(image, after, 0, 0, 3, 1);
    EXPECT_EQ(0, std::memcmp(before, after, 3));
}
