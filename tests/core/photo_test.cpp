// Photo lifecycle, settings and the memory/null renderers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/photo_io.h"
#include "support/tcl_env.h"

using tavtest::pixel;

namespace {

using tavtest::PhotoPtr;

TEST(Photo, EmptyTruecolourImage) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_NE(image.p, nullptr);
    EXPECT_EQ(PhotoWidth(image), 0);
    EXPECT_EQ(PhotoHeight(image), 0);
    EXPECT_EQ(image->channels, 4);
    EXPECT_TRUE(PhotoIsTruecolor(image));
    EXPECT_TRUE(PhotoIsMemory(image));
}

TEST(Photo, InitialSettings) {
    PhotoPtr image(PhotoCreate(3, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    unsigned char bg[4], fg[4];
    EXPECT_EQ(PhotoGetBackground(image, bg), 0);
    EXPECT_EQ(PhotoGetForeground(image, fg), 0);
    EXPECT_EQ(0, std::memcmp(bg, "\0\0\0\0", 4));
    EXPECT_EQ(0, std::memcmp(fg, "\xff\xff\xff\xff", 4));
    EXPECT_EQ(PhotoGetCompose(image), TAV_COMPOSE_OVER);
    EXPECT_EQ(PhotoGetQuality(image), -1);
    EXPECT_EQ(PhotoGetBackground(nullptr, bg), 1);
}

TEST(Photo, QualityIsClamped) {
    PhotoPtr image(PhotoCreate(1, 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(PhotoSetQuality(image, 150), 100);
    EXPECT_EQ(PhotoGetQuality(image), 100);
    EXPECT_EQ(PhotoSetQuality(image, -7), -1);
    EXPECT_EQ(PhotoGetQuality(image), -1);
    EXPECT_EQ(PhotoSetQuality(nullptr, 42), 42);
    EXPECT_EQ(PhotoGetQuality(nullptr), -1);
}

TEST(Photo, NewMemoryImageIsBlank) {
    PhotoPtr image(PhotoCreate(5, 4, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const auto all = tavtest::rgba_of(image);
    ASSERT_EQ(all.size(), 5u * 4 * 4);  // else the loop below checks nothing
    for (size_t i = 0; i < all.size(); i += 4) {
        ASSERT_EQ(all[i], 192);
        ASSERT_EQ(all[i + 1], 192);
        ASSERT_EQ(all[i + 2], 192);
        ASSERT_EQ(all[i + 3], 0);
    }
}

TEST(Photo, ImageOverPlanesKeepsOutsideBytes) {
    unsigned char buffer[2 * 2 * 4];
    for (int i = 0; i < 16; ++i) buffer[i] = static_cast<unsigned char>(i);
    TavPlaneSet planes{};
    for (int c = 0; c < 4; ++c) {
        planes.plane[c] = buffer + c;
        planes.pixel_stride[c] = 4;
        planes.row_stride[c] = 8;
    }
    PhotoPtr image(PhotoCreateExt(2, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY, &planes));
    ASSERT_NE(image.p, nullptr);
    EXPECT_EQ(pixel(image, 1, 1), (std::array<unsigned char, 4>{12, 13, 14, 15}));
    // Caller storage cannot change size; the same size is accepted.
    EXPECT_EQ(PhotoExpand(image, 3, 3), 1);
    EXPECT_EQ(PhotoWidth(image), 2);
    EXPECT_EQ(PhotoExpand(image, 2, 2), 0);
}

TEST(Photo, IndexedImageOwnsColormapUntilRecreated) {
    PhotoPtr image(PhotoCreate(2, 2, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    EXPECT_EQ(image->channels, 1);
    ASSERT_NE(PhotoColormap(image), nullptr);
    EXPECT_EQ(PhotoColormap(image)->capacity, 256);
    ASSERT_EQ(PhotoRecreate(image, 2, 2, TAV_MODE_RGBA), image.p);
    EXPECT_EQ(PhotoColormap(image), nullptr);
    EXPECT_EQ(image->channels, 4);
}

TEST(Photo, BadModeOrRendererGivesNothing) {
    EXPECT_EQ(PhotoCreate(1, 1, 4, TAV_RENDER_MEMORY), nullptr);
    EXPECT_EQ(PhotoCreate(1, 1, TAV_MODE_RGBA, 3), nullptr);
    EXPECT_EQ(PhotoCreate(1, 1, -1, TAV_RENDER_MEMORY), nullptr);
}

int sync_calls = 0;
void count_sync(Photo *, int a, int b, int c, int d) {
    EXPECT_EQ(a + b + c, 0);
    EXPECT_EQ(d, 1);
    ++sync_calls;
}

TEST(Photo, SyncCallsEventProcOnlyWhenSet) {
    PhotoPtr image(PhotoCreate(1, 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(PhotoSync(image), 0);
    EXPECT_EQ(PhotoSetEventProc(image, count_sync), image.p);
    EXPECT_EQ(PhotoSync(image), 0);
    EXPECT_EQ(sync_calls, 1);
    EXPECT_EQ(PhotoSetEventProc(nullptr, count_sync), nullptr);
}

TEST(MemoryRenderer, ResizeKeepsTopLeftPixels) {
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(PhotoExpand(image, 4, 3), 0);
    std::vector<unsigned char> px(4 * 3 * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i);
    PhotoPutRGBA(image, px.data(), 0, 0, 4, 3, TAV_COMPOSE_REPLACE);
    ASSERT_EQ(PhotoExpand(image, 2, 5), 0);
    EXPECT_EQ(PhotoWidth(image), 2);
    EXPECT_EQ(PhotoHeight(image), 5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) {
            const int base = (y * 4 + x) * 4;
            EXPECT_EQ(pixel(image, x, y), (std::array<unsigned char, 4>{
                                               px[base], px[base + 1], px[base + 2], px[base + 3]}));
        }
}

TEST(MemoryRenderer, GrowingExposesZeroesNotOldHeapBytes) {
    PhotoPtr image(PhotoCreate(2, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(PhotoExpand(image, 3, 4), 0);
    EXPECT_EQ(pixel(image, 1, 1), (std::array<unsigned char, 4>{192, 192, 192, 0}));
    EXPECT_EQ(pixel(image, 2, 0), (std::array<unsigned char, 4>{0, 0, 0, 0}));
    EXPECT_EQ(pixel(image, 0, 3), (std::array<unsigned char, 4>{0, 0, 0, 0}));
    PhotoPtr empty(PhotoCreate(0, 0, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    ASSERT_EQ(PhotoExpand(empty, 5, 5), 0);
    EXPECT_EQ(pixel(empty, 4, 4), (std::array<unsigned char, 4>{0, 0, 0, 255}));
}

TEST(MemoryRenderer, ZeroDimensionEmptiesTheImage) {
    PhotoPtr image(PhotoCreate(3, 3, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(PhotoExpand(image, 0, 7), 0);
    EXPECT_EQ(PhotoWidth(image), 0);
    EXPECT_EQ(PhotoHeight(image), 0);
}

TEST(MemoryRenderer, SameSizeKeepsContent) {
    PhotoPtr image(PhotoCreate(2, 2, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    const unsigned char grey[4] = {1, 2, 3, 4};
    PhotoPutGray(image, grey, 0, 0, 2, 2);
    EXPECT_EQ(PhotoExpand(image, 2, 2), 0);
    EXPECT_EQ(pixel(image, 1, 1)[0], 4);
}

TEST(MemoryRenderer, ImpossibleSizeIsRefusedAndImageUnchanged) {
    PhotoPtr image(PhotoCreate(2, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(PhotoExpand(image, 2147483647, 2147483647), 1);
    EXPECT_EQ(PhotoExpand(image, 100000, 100000), 1);  // 40 GB
    EXPECT_EQ(PhotoExpand(image, 1 << 29, 1), 1);      // one row of 2^31 bytes
    EXPECT_EQ(PhotoWidth(image), 2);
    EXPECT_EQ(PhotoHeight(image), 2);
    EXPECT_EQ(pixel(image, 1, 1)[0], 192);
}

TEST(MemoryRenderer, ChannelCountOutsideOneToFourCannotInit) {
    Photo probe{};
    TavRenderOps ops{};
    probe.render_ops = &ops;
    probe.channels = 0;
    EXPECT_EQ(TavRender_MemoryInit(&probe), 1);
    probe.channels = 5;
    EXPECT_EQ(TavRender_MemoryInit(&probe), 1);
    probe.render_ops = nullptr;
    probe.channels = 4;
    EXPECT_EQ(TavRender_MemoryInit(&probe), 1);
}

TEST(MemoryRenderer, GetPointsWithoutFillLeavesOutsidePoints) {
    PhotoPtr image(PhotoCreate(2, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const int offsets[] = {0, 0, 5, 5, 1, 1};
    unsigned char dst[12];
    std::memset(dst, 7, sizeof dst);
    image->render_ops->get_points(image, dst, 0, 0, offsets, 3, nullptr);
    EXPECT_EQ(dst[0], 192);
    EXPECT_EQ(dst[4], 7);
    EXPECT_EQ(dst[7], 7);
    EXPECT_EQ(dst[8], 192);
}

TEST(NullRenderer, SizeWithoutPixels) {
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
    EXPECT_EQ(PhotoExpand(image, 0, 0), 0);
    EXPECT_EQ(PhotoExpand(image, -1, 5), 1);
    EXPECT_EQ(PhotoExpand(image, 640, 480), 0);
    EXPECT_EQ(PhotoWidth(image), 640);
    EXPECT_TRUE(PhotoIsNull(image));
    unsigned char dst[8];
    std::memset(dst, 0x5a, sizeof dst);
    EXPECT_EQ(PhotoGetRGBA(image, dst, 0, 0, 2, 1), 0);
    for (unsigned char b : dst) EXPECT_EQ(b, 0x5a);
}

TEST(NullRenderer, HugeSizesCostNothing) {
    // Readers learn a file's size into a null image; creating it must not
    // walk 2^31 rows, nor must a write through a renderer that stores nothing.
    PhotoPtr image(PhotoCreate(2147483647, 2147483647, TAV_MODE_RGBA, TAV_RENDER_NULL));
    ASSERT_NE(image.p, nullptr);
    EXPECT_EQ(PhotoWidth(image), 2147483647);
    EXPECT_EQ(PhotoRecreate(image, 2147483647, 2147483647, TAV_MODE_GRAY), image.p);
    image->render_ops->put_block = nullptr;
    EXPECT_EQ(PhotoFill(image, nullptr), 0);
}

// The copy is a buffer of its own, from the allocator TavFree releases:
// with the interpreter up that is Tcl's, so a copy made by any other
// allocator fails here under the sanitizers.
TEST(Memory, StrdupCopies) {
    tavtest::interp();
    const std::string long_text(5000, 'q');
    for (const char *text : {"", "tavrel", long_text.c_str()}) {
        const size_t size = std::strlen(text) + 1;
        char *copy = TavStrdup(text);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, text);
        EXPECT_EQ(std::memcmp(copy, text, size), 0);
        copy[0] = '!';
        EXPECT_NE(text[0], '!');
        TavFree(copy);
    }
    EXPECT_EQ(TavStrdup(nullptr), nullptr);
    TavFree(nullptr);
}

}  // namespace
