// The Tk photo renderer against real Tk photos (run under a virtual X server).
#include <gtest/gtest.h>
#include <tk.h>

#include <cstring>
#include <string>

#include "tavrel.h"
#include "tk/tk_env.h"

namespace {

Tcl_Interp *interp = nullptr;

class TkEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(Tcl_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tk_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tavrel_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
    }
    void TearDown() override { Tcl_DeleteInterp(interp); }
};

const auto *registered = ::testing::AddGlobalTestEnvironment(new TkEnvironment);

}  // namespace

Tcl_Interp *tk_test_interp() { return interp; }

namespace {

void eval(const std::string &script) {
    ASSERT_EQ(Tcl_Eval(interp, script.c_str()), TCL_OK) << Tcl_GetStringResult(interp);
}

Tk_PhotoHandle make_photo(const char *name, int w, int h) {
    eval(std::string("catch {image delete ") + name + "}; image create photo " + name + " -width " +
         std::to_string(w) + " -height " + std::to_string(h));
    return Tk_FindPhoto(interp, name);
}

std::string tk_pixel(const char *name, int x, int y) {
    eval(std::string(name) + " get " + std::to_string(x) + " " + std::to_string(y));
    return Tcl_GetStringResult(interp);
}

using Rgba = std::array<unsigned char, 4>;

TEST(TkRenderer, WritesGoStraightToTk) {
    Tk_PhotoHandle handle = make_photo("p1", 4, 3);
    Photo *image = PhotoCreateExt(4, 3, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, handle);
    ASSERT_NE(image, nullptr);
    const unsigned char red[4] = {255, 0, 0, 255};
    PhotoDrawBox(image, red, TAV_COMPOSE_REPLACE, 1, 1, 2, 1);
    EXPECT_EQ(tk_pixel("p1", 1, 1), "255 0 0");
    EXPECT_EQ(tk_pixel("p1", 0, 0), "0 0 0");  // Tk photo kept its own pixels
    Rgba px{};
    PhotoGetRGBA(image, px.data(), 2, 1, 1, 1);
    EXPECT_EQ(px, (Rgba{255, 0, 0, 255}));
    PhotoDelete(image);
    // The Tk image outlives the Photo.
    EXPECT_EQ(tk_pixel("p1", 1, 1), "255 0 0");
}

TEST(TkRenderer, ResizeSetsTkSize) {
    Tk_PhotoHandle handle = make_photo("p2", 2, 2);
    Photo *image = PhotoCreateExt(0, 0, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, handle);
    EXPECT_EQ(PhotoExpand(image, 7, 5), 0);
    int w = 0, h = 0;
    Tk_PhotoGetSize(handle, &w, &h);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(PhotoWidth(image), 7);
    PhotoDelete(image);
}

TEST(TkRenderer, GetBlockClipsAgainstTkBlock) {
    Tk_PhotoHandle handle = make_photo("p3", 3, 1);
    eval("p3 put {{#010203 #040506 #070809}}");
    Photo *image = PhotoCreateExt(3, 1, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, handle);
    unsigned char dst[5 * 4];
    std::memset(dst, 0xee, sizeof dst);
    image->render_ops->get_block(image, dst, -2, 0, 5, 1);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(dst[i], 0xee);
    EXPECT_EQ(0, std::memcmp(dst + 8, "\1\2\3\xff\4\5\6\xff\7\x08\x09\xff", 12));
    PhotoDelete(image);
}

TEST(TkRenderer, GetPointsUsesFillOutside) {
    Tk_PhotoHandle handle = make_photo("p4", 2, 2);
    eval("p4 put #102030 -to 0 0 2 2");
    Photo *image = PhotoCreateExt(2, 2, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, handle);
    const int offsets[] = {1, 1, 9, 9};
    unsigned char dst[8];
    std::memset(dst, 0xee, sizeof dst);
    PhotoGetRGBAX(image, dst, 0, 0, offsets, 2);
    EXPECT_EQ(0, std::memcmp(dst, "\x10\x20\x30\xff\0\0\0\0", 8));
    std::memset(dst, 0xee, sizeof dst);
    image->render_ops->get_points(image, dst, 0, 0, offsets, 2, nullptr);
    EXPECT_EQ(dst[4], 0xee);
    PhotoDelete(image);
}

TEST(TkRenderer, OverComposesWithTkPixels) {
    Tk_PhotoHandle handle = make_photo("p5", 1, 1);
    eval("p5 put #000000");
    Photo *image = PhotoCreateExt(1, 1, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, handle);
    const unsigned char half_white[4] = {255, 255, 255, 128};
    PhotoPutRGBA(image, half_white, 0, 0, 1, 1, TAV_COMPOSE_OVER);
    EXPECT_EQ(tk_pixel("p5", 0, 0), "128 128 128");
    PhotoDelete(image);
}

TEST(TkRenderer, GrayImageOverTkIsWidenedNotOverread) {
    // A reader may re-create a Tk-bound image as grayscale: pixels still
    // reach Tk as RGBA.
    Tk_PhotoHandle handle = make_photo("p6", 2, 1);
    Photo *image = PhotoCreateExt(2, 1, TAV_MODE_GRAY, TAV_RENDER_TKPHOTO, handle);
    const unsigned char grey[2] = {10, 200};
    PhotoPutGray(image, grey, 0, 0, 2, 1);
    EXPECT_EQ(tk_pixel("p6", 1, 0), "200 200 200");
    unsigned char back[2] = {0, 0};
    image->render_ops->get_block(image, back, 0, 0, 2, 1);
    EXPECT_EQ(back[0], 10);
    EXPECT_EQ(back[1], 200);
    PhotoDelete(image);
}

TEST(TkRenderer, NarrowLayoutsReachTkAsRgbaAndComeBack) {
    // Grey-alpha pairs and palette indices, written in the image's own
    // layout, show in Tk as RGBA and read back unchanged.
    struct Case {
        int mode;
        unsigned char pixels[4];  // two pixels in the image's layout
        const char *second;       // Tk's colour of the second pixel
    };
    const Case cases[] = {
        {TAV_MODE_GRAYALPHA, {10, 255, 200, 255}, "200 200 200"},
        {TAV_MODE_INDEXED, {0, 1, 0, 0}, "0 128 255"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        Tk_PhotoHandle handle = make_photo("p8", 2, 1);
        Photo *image = PhotoCreateExt(2, 1, c.mode, TAV_RENDER_TKPHOTO, handle);
        ASSERT_NE(image, nullptr);
        if (c.mode == TAV_MODE_INDEXED) {
            TavAddColormap(image->colormap, 9, 9, 9);
            TavAddColormap(image->colormap, 0, 128, 255);
        }
        ASSERT_EQ(image->render_ops->put_block(image, c.pixels, 0, 0, 2, 1), 0);
        EXPECT_EQ(tk_pixel("p8", 1, 0), c.second);
        const size_t bytes = static_cast<size_t>(2 * image->channels);
        unsigned char back[4] = {};
        ASSERT_EQ(image->render_ops->get_block(image, back, 0, 0, 2, 1), 0);
        EXPECT_EQ(std::memcmp(back, c.pixels, bytes), 0);
        PhotoDelete(image);
    }
}

TEST(TkRenderer, MissingHandleIsRefused) {
    Photo *image = PhotoCreateExt(0, 0, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, nullptr);
    ASSERT_NE(image, nullptr);
    unsigned char px[4] = {1, 2, 3, 4};
    EXPECT_EQ(image->render_ops->put_block(image, px, 0, 0, 1, 1), 1);
    EXPECT_EQ(image->render_ops->get_block(image, px, 0, 0, 1, 1), 1);
    PhotoDelete(image);
}

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
