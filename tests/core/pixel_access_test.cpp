// Reading and writing pixels: clipping, layouts, indexed images, 565.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "support/tcl_env.h"

namespace {

using Rgba = std::array<unsigned char, 4>;

using tavtest::Image;

// Fills a w x h RGBA image so that pixel (x, y) is (x, y, x + y, 255).
void fill_coordinates(Photo *image) {
    std::vector<unsigned char> px;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            px.insert(px.end(), {static_cast<unsigned char>(x), static_cast<unsigned char>(y),
                                 static_cast<unsigned char>(x + y), 255});
    PhotoPutRGBA(image, px.data(), 0, 0, image->width, image->height, TAV_COMPOSE_REPLACE);
}

TEST(PixelGet, ClippedReadIsPacked) {
    Image img(20, 20);
    fill_coordinates(img.p);
    std::vector<unsigned char> out(10 * 10 * 4, 0xee);
    EXPECT_EQ(PhotoGetRGBA(img.p, out.data(), -5, -5, 10, 10), 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const unsigned char *p = &out[(y * 5 + x) * 4];
            EXPECT_EQ(p[0], x);
            EXPECT_EQ(p[1], y);
        }
    EXPECT_EQ(out[25 * 4], 0xee);  // nothing beyond the packed 5 x 5 block
}

TEST(PixelGet, RequestsOutsideTheImageDoNothing) {
    Image img(4, 4);
    unsigned char out[16];
    std::memset(out, 7, sizeof out);
    EXPECT_EQ(PhotoGetRGBA(img.p, out, 4, 0, 2, 2), 0);
    EXPECT_EQ(PhotoGetRGBA(img.p, out, -2147483647, -2147483647, 2147483647, 2147483647), 0);
    EXPECT_EQ(PhotoGetRGBA(img.p, out, 0, 0, -3, 2), 0);
    for (unsigned char b : out) EXPECT_EQ(b, 7);
}

TEST(PixelGet, ChannelOrders) {
    Image img(1, 1);
    const unsigned char rgba[4] = {1, 2, 3, 4};
    PhotoPutRGBA(img.p, rgba, 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    unsigned char out[4];
    PhotoGetBGRA(img.p, out, 0, 0, 1, 1);
    EXPECT_EQ(0, std::memcmp(out, "\3\2\1\4", 4));
    PhotoGetABGR(img.p, out, 0, 0, 1, 1);
    EXPECT_EQ(0, std::memcmp(out, "\4\3\2\1", 4));
    std::memset(out, 9, 4);
    PhotoGetRGB(img.p, out, 0, 0, 1, 1);
    EXPECT_EQ(0, std::memcmp(out, "\1\2\3\x09", 4));
    PhotoGetBGR(img.p, out, 0, 0, 1, 1);
    EXPECT_EQ(0, std::memcmp(out, "\3\2\1", 3));
}

TEST(PixelGet, GrayReadsAsEqualChannels) {
    Image img(2, 1, TAV_MODE_GRAY);
    const unsigned char y[2] = {10, 250};
    PhotoPutGray(img.p, y, 0, 0, 2, 1);
    unsigned char out[6];
    PhotoGetRGB(img.p, out, 0, 0, 2, 1);
    EXPECT_EQ(0, std::memcmp(out, "\x0a\x0a\x0a\xfa\xfa\xfa", 6));
}

TEST(PixelGet, IndexedReadsPaletteAndIndices) {
    Image img(3, 1, TAV_MODE_INDEXED);
    TavColormap *map = PhotoColormap(img.p);
    TavAddColormap(map, 255, 0, 0);
    TavAddColormap(map, 0, 255, 0);
    TavAddColormap(map, 0, 0, 255);
    TavSetTransparent(map, 1);
    const unsigned char idx[3] = {0, 1, 2};
    ASSERT_EQ(PhotoPutIndex(img.p, idx, 0, 0, 3, 1), 0);
    unsigned char out[12];
    PhotoGetRGBA(img.p, out, 0, 0, 3, 1);
    EXPECT_EQ(0, std::memcmp(out, "\xff\0\0\xff" "\0\xff\0\0" "\0\0\xff\xff", 12));
    unsigned char raw[3];
    ASSERT_EQ(PhotoGetIndex(img.p, raw, 0, 0, 3, 1), 0);
    EXPECT_EQ(0, std::memcmp(raw, idx, 3));
}

TEST(PixelGet, IndexFunctionsRefuseOtherModes) {
    Image img(1, 1);
    unsigned char b = 0;
    EXPECT_EQ(PhotoGetIndex(img.p, &b, 0, 0, 1, 1), 1);
    EXPECT_EQ(PhotoPutIndex(img.p, &b, 0, 0, 1, 1), 1);
}

TEST(PixelPut, ClippedWriteTakesMatchingColumns) {
    Image img(20, 20);
    std::vector<unsigned char> block(10 * 10 * 4);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            unsigned char *p = &block[(y * 10 + x) * 4];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = 0;
            p[3] = 255;
        }
    PhotoPutRGBA(img.p, block.data(), -5, 0, 10, 10, TAV_COMPOSE_REPLACE);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(tavtest::pixel(img.p, x, 3), (Rgba{static_cast<unsigned char>(x + 5), 3, 0, 255}));
    EXPECT_EQ(tavtest::pixel(img.p, 5, 3)[3], 0);  // untouched, still blank
}

TEST(PixelPut, RowsTooLongForAnIntStride) {
    // 2^29 RGBA pixels make a row of 2^31 bytes: one such row is still
    // written (clipped to the image), several are refused untouched.
    Image img(2, 2);
    const unsigned char px[8] = {1, 2, 3, 255, 4, 5, 6, 255};
    EXPECT_EQ(PhotoPutRGBA(img.p, px, 0, 0, 1 << 29, 1, TAV_COMPOSE_REPLACE), 0);
    EXPECT_EQ(tavtest::pixel(img.p, 1, 0), (Rgba{4, 5, 6, 255}));
    EXPECT_EQ(PhotoPutRGBA(img.p, px, 0, 1, 1 << 29, 2, TAV_COMPOSE_REPLACE), 1);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 1), (Rgba{192, 192, 192, 0}));
}

TEST(PixelPut, RgbStoresOpaqueAlpha) {
    Image img(1, 1);
    const unsigned char rgb[3] = {5, 6, 7};
    PhotoPutRGB(img.p, rgb, 0, 0, 1, 1);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{5, 6, 7, 255}));
    PhotoPutBGR(img.p, rgb, 0, 0, 1, 1);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{7, 6, 5, 255}));
}

TEST(PixelPut, OtherOrdersRoundTrip) {
    Image img(1, 1);
    const unsigned char bgra[4] = {3, 2, 1, 255}, abgr[4] = {255, 30, 20, 10};
    PhotoPutBGRA(img.p, bgra, 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{1, 2, 3, 255}));
    PhotoPutABGR(img.p, abgr, 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{10, 20, 30, 255}));
}

TEST(PixelPut, ColourBlockOnIndexedImageIsRefused) {
    Image img(2, 2, TAV_MODE_INDEXED);
    TavAddColormap(PhotoColormap(img.p), 1, 2, 3);
    const unsigned char rgba[4] = {1, 2, 3, 255};
    EXPECT_EQ(PhotoPutRGBA(img.p, rgba, 0, 0, 1, 1, TAV_COMPOSE_REPLACE), 1);
}

TEST(PixelPut, BlockWithMissingPlaneIsRefused) {
    Image img(2, 2);
    const unsigned char v = 1;
    PhotoBlock block{};
    block.width = block.height = 1;
    block.planes.plane[0] = block.planes.plane[1] = block.planes.plane[2] = const_cast<unsigned char *>(&v);
    EXPECT_EQ(PhotoPutBlock(img.p, &block, 0, 0, TAV_COMPOSE_REPLACE), 1);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0)[0], 192);
}

TEST(PixelPut, IndexedBlockOntoTruecolourUsesPalette) {
    Image img(2, 1);
    TavColormap *map = TavCreateColormap();
    TavAddColormap(map, 10, 20, 30);
    TavAddColormap(map, 40, 50, 60);
    TavSetTransparent(map, 0);
    const unsigned char idx[2] = {0, 1};
    PhotoBlock block{};
    block.width = 2;
    block.height = 1;
    for (int c = 0; c < 4; ++c) block.planes.plane[c] = const_cast<unsigned char *>(idx);
    block.planes.pixel_stride[0] = 1;
    block.planes.row_stride[0] = 2;
    block.colormap = map;
    EXPECT_EQ(PhotoPutBlock(img.p, &block, 0, 0, TAV_COMPOSE_REPLACE), 0);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{10, 20, 30, 0}));
    EXPECT_EQ(tavtest::pixel(img.p, 1, 0), (Rgba{40, 50, 60, 255}));
    TavDeleteColormap(map);
}

TEST(PixelPut, Put565) {
    Image img(2, 1);
    const unsigned char px[4] = {0x00, 0x1F, 0xF8, 0x00};
    PhotoPut565(img.p, px, 0, 0, 2, 1);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(tavtest::pixel(img.p, 1, 0), (Rgba{0, 0, 255, 255}));
}

TEST(PixelPut, Put565InSlices) {
    // 262144 / (3 * 300) = 291 rows per slice: 600 rows take three slices.
    Image img(300, 600);
    std::vector<unsigned char> px(300 * 600 * 2);
    for (size_t i = 0; i < px.size(); i += 2) {
        px[i] = 0x07;  // green bits only
        px[i + 1] = 0xE0;
    }
    PhotoPut565(img.p, px.data(), 0, 0, 300, 600);
    EXPECT_EQ(tavtest::pixel(img.p, 299, 599), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(tavtest::pixel(img.p, 0, 291), (Rgba{0, 255, 0, 255}));
}

TEST(PixelPut, RegionAcceptsNothing) {
    Image img(2, 2);
    img.p->region = TavCreateRegion();
    const unsigned char rgba[4] = {1, 2, 3, 255};
    EXPECT_EQ(PhotoPutRGBA(img.p, rgba, 0, 0, 1, 1, TAV_COMPOSE_REPLACE), 0);
    EXPECT_EQ(tavtest::pixel(img.p, 0, 0), (Rgba{192, 192, 192, 0}));
    EXPECT_EQ(TavPointInRegion(nullptr, 5, 5), 1);
}

TEST(PixelPut, PlanarCallerStorage) {
    // Separate planes of different layout: the byte-by-byte renderer path.
    unsigned char r[4] = {0}, g[4] = {0}, b[4] = {0}, a[4] = {0};
    TavPlaneSet planes{};
    unsigned char *p[4] = {r, g, b, a};
    for (int c = 0; c < 4; ++c) {
        planes.plane[c] = p[c];
        planes.pixel_stride[c] = 1;
        planes.row_stride[c] = 2;
    }
    Photo *image = PhotoCreateExt(2, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY, &planes);
    const unsigned char px[4] = {9, 8, 7, 6};
    PhotoPutRGBA(image, px, 1, 1, 1, 1, TAV_COMPOSE_REPLACE);
    EXPECT_EQ(r[3], 9);
    EXPECT_EQ(a[3], 6);
    EXPECT_EQ(tavtest::pixel(image, 1, 1), (Rgba{9, 8, 7, 6}));
    PhotoDelete(image);
}

TEST(PixelGetX, OutsidePointsReadTransparentBlack) {
    Image img(2, 2);
    fill_coordinates(img.p);
    const int offsets[] = {1, 1, 3, 0, -1, 0};
    unsigned char out[12];
    std::memset(out, 0xee, sizeof out);
    PhotoGetRGBAX(img.p, out, 0, 0, offsets, 3);
    EXPECT_EQ(0, std::memcmp(out, "\1\1\2\xff" "\0\0\0\0" "\0\0\0\0", 12));

    // Images without get_points (gray) go through 1 x 1 reads.
    Image gray(2, 2, TAV_MODE_GRAY);
    std::memset(out, 0xee, sizeof out);
    PhotoGetRGBAX(gray.p, out, 0, 0, offsets, 3);
    EXPECT_EQ(out[3], 255);
    EXPECT_EQ(out[7], 0);
}

TEST(PixelGetAvg, OneSampleAtOffsetOneOne) {
    Image img(8, 8);
    fill_coordinates(img.p);
    // 2 x 1 cells, corners 2 pixels apart.
    const int grid[] = {0, 0, 2, 0, 4, 0, 0, 2, 2, 2, 4, 2};
    unsigned char out[8];
    PhotoGetRGBAAvg(img.p, out, 0, 0, grid, 2, 1, 1, 1);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[4], 3);
    unsigned char again[8];
    PhotoGetRGBAAvg(img.p, again, 0, 0, grid, 2, 1, 0, 0);  // 0 samples count as 1
    EXPECT_EQ(0, std::memcmp(out, again, 8));
}

TEST(PixelGetAvg, AveragesSamples) {
    Image img(8, 8);
    fill_coordinates(img.p);
    const int grid[] = {0, 0, 6, 0, 0, 6, 6, 6};
    unsigned char out[4];
    // nx = ny = 2: offsets 2 and 4 in each direction; mean x = 3, mean y = 3.
    PhotoGetRGBAAvg(img.p, out, 0, 0, grid, 1, 1, 2, 2);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(out[2], 6);
    EXPECT_EQ(out[3], 255);
}

TEST(Box, FillBlankAndIndexed) {
    Image img(3, 3);
    const unsigned char red[4] = {255, 0, 0, 255};
    PhotoSetCompose(img.p, TAV_COMPOSE_MIX);
    PhotoBlank(img.p);  // always replace, whatever the image's mode
    EXPECT_EQ(tavtest::pixel(img.p, 2, 2), (Rgba{192, 192, 192, 0}));
    PhotoSetCompose(img.p, TAV_COMPOSE_OVER);
    PhotoFill(img.p, red);
    EXPECT_EQ(tavtest::pixel(img.p, 1, 1), (Rgba{255, 0, 0, 255}));
    // Negative sizes extend left and up.
    const unsigned char blue[4] = {0, 0, 255, 255};
    PhotoDrawBox(img.p, blue, TAV_COMPOSE_REPLACE, 3, 3, -1, -1);
    EXPECT_EQ(tavtest::pixel(img.p, 2, 2), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(tavtest::pixel(img.p, 1, 1), (Rgba{255, 0, 0, 255}));
    // Extreme coordinates neither overflow nor draw.
    EXPECT_EQ(PhotoDrawBox(img.p, blue, 1, -2147483647 - 1, 0, -2147483647 - 1, 1), 0);
    EXPECT_EQ(PhotoDrawBox(img.p, blue, 1, 2147483647, 2147483647, 2147483647, 2147483647), 0);

    Image indexed(2, 2, TAV_MODE_INDEXED);
    EXPECT_EQ(PhotoDrawBox(indexed.p, red, 0, 0, 0, 2, 2), 1);  // empty palette
    TavAddColormap(PhotoColormap(indexed.p), 0, 0, 0);
    TavAddColormap(PhotoColormap(indexed.p), 250, 10, 10);
    EXPECT_EQ(PhotoDrawBox(indexed.p, red, 0, 0, 0, 2, 2), 0);
    unsigned char idx[4];
    PhotoGetIndex(indexed.p, idx, 0, 0, 2, 2);
    EXPECT_EQ(0, std::memcmp(idx, "\1\1\1\1", 4));
}

}  // namespace
