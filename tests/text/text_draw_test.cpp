// Drawing text: alignment, stretch, rotation, colour and compose, indexed
// images, culling, and huge glyphs rasterised only where they are seen.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "support/photo_io.h"
#include "text/text_support.h"

#include FT_GLYPH_H

using texttest::Engine;
using texttest::Font;

namespace {

using tavtest::PhotoPtr;

PhotoPtr blank_rgba(int w, int h) {
    tavtest::interp();
    return PhotoPtr(PhotoCreate(w, h, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
}

// Bounding box of the pixels with some alpha.
struct Ink {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool empty() const { return x1 < 0; }
};

Ink ink_of(Photo *image) {
    Ink ink;
    const std::vector<unsigned char> rgba = tavtest::rgba_of(image);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            if (rgba[(static_cast<size_t>(y) * image->width + x) * 4 + 3]) {
                ink.x0 = std::min(ink.x0, x);
                ink.y0 = std::min(ink.y0, y);
                ink.x1 = std::max(ink.x1, x);
                ink.y1 = std::max(ink.y1, y);
            }
    return ink;
}

class TextDraw : public ::testing::Test {
protected:
    Engine engine;
    Font sans{PhotoGetFontFile(engine, texttest::vera_path("Vera.ttf").c_str(), 0)};
    void SetUp() override { ASSERT_NE(sans.font, nullptr); }

    // The picture of a text drawn into a fresh 200 x 120 image.
    std::vector<unsigned char> draw(const char *text, int x, int y, int halign, int valign, double angle = 0,
                                    double stretch = 1, int size = 24) {
        PhotoPtr image = blank_rgba(200, 120);
        PhotoDrawText(image.get(), nullptr, x, y, halign, valign, angle, stretch, sans, size, text, TAV_TEXT_UTF8,
                      -1);
        return tavtest::rgba_of(image.get());
    }
    Ink ink(const char *text, int x, int y, int halign, int valign, double angle = 0, double stretch = 1) {
        PhotoPtr image = blank_rgba(200, 120);
        PhotoDrawText(image.get(), nullptr, x, y, halign, valign, angle, stretch, sans, 24, text, TAV_TEXT_UTF8, -1);
        return ink_of(image.get());
    }
};

TEST_F(TextDraw, AlignmentShiftsByTheMeasuredExtent) {
    const char *text = "Hold fjords";
    int w = 0, a = 0, d = 0;
    PhotoGetMeasure(sans, 24, text, TAV_TEXT_UTF8, -1, &w, &a, &d);
    const auto base = [&](int x, int y) { return draw(text, x, y, TAV_ALIGN_LEFT, TAV_VALIGN_BASELINE); };
    EXPECT_EQ(draw(text, 180, 60, TAV_ALIGN_RIGHT, TAV_VALIGN_BASELINE), base(180 - w, 60));
    EXPECT_EQ(draw(text, 100, 60, TAV_ALIGN_CENTER, TAV_VALIGN_BASELINE), base(100 - w / 2, 60));
    EXPECT_EQ(draw(text, 10, 30, TAV_ALIGN_LEFT, TAV_VALIGN_TOP), base(10, 30 + a));
    EXPECT_EQ(draw(text, 10, 90, TAV_ALIGN_LEFT, TAV_VALIGN_BOTTOM), base(10, 90 - d));
    EXPECT_EQ(draw(text, 10, 60, TAV_ALIGN_LEFT, TAV_VALIGN_MIDDLE), base(10, 60 - (d - a) / 2));

    // The highest ascender touches row y; the text ends at x.
    const Ink top = ink(text, 10, 30, TAV_ALIGN_LEFT, TAV_VALIGN_TOP);
    EXPECT_EQ(top.y0, 30);
    const Ink right = ink(text, 180, 60, TAV_ALIGN_RIGHT, TAV_VALIGN_BASELINE);
    EXPECT_LE(right.x1, 180);
    EXPECT_GE(right.x1, 175);
    const Ink baseline = ink("Hold", 10, 60, TAV_ALIGN_LEFT, TAV_VALIGN_BASELINE);
    EXPECT_EQ(baseline.y1, 59);  // no descender: the ink ends above the baseline row
}

TEST_F(TextDraw, StretchWidensAndUnusableStretchIsIgnored) {
    const std::vector<unsigned char> plain = draw("Wide", 10, 60, 0, 0);
    EXPECT_EQ(draw("Wide", 10, 60, 0, 0, 0, 0.0), plain);
    EXPECT_EQ(draw("Wide", 10, 60, 0, 0, 0, -2.0), plain);
    EXPECT_EQ(draw("Wide", 10, 60, 0, 0, 0, std::numeric_limits<double>::quiet_NaN()), plain);
    const Ink one = ink("Wide", 10, 60, 0, 0);
    const Ink two = ink("Wide", 10, 60, 0, 0, 0, 2.0);
    EXPECT_NEAR(two.x1 - two.x0, 2 * (one.x1 - one.x0), 4);
    EXPECT_EQ(two.y0, one.y0);
    EXPECT_EQ(two.y1, one.y1);
}

TEST_F(TextDraw, PositiveAngleTurnsClockwise) {
    int w = 0, a = 0, d = 0;
    PhotoGetMeasure(sans, 24, "Down", TAV_TEXT_UTF8, -1, &w, &a, &d);
    // A quarter turn: the baseline runs down the image, ascenders point right.
    const Ink down = ink("Down", 100, 10, 0, 0, M_PI / 2);
    EXPECT_GE(down.x0, 99);
    EXPECT_LE(down.x1, 100 + a + 1);
    EXPECT_GE(down.y0, 9);
    EXPECT_NEAR(down.y1, 10 + w, 3);
    // Thirty degrees: the end of the text lies lower than its start.
    const Ink slope = ink("Sloping", 10, 30, 0, 0, M_PI / 6);
    EXPECT_GT(slope.y1 - slope.y0, 40);
    // An angle that is no number draws nothing.
    EXPECT_TRUE(ink("Down", 100, 10, 0, 0, std::numeric_limits<double>::infinity()).empty());
}

TEST_F(TextDraw, CoverageBlendsUnderTheImagesComposeMode) {
    PhotoPtr image = blank_rgba(120, 50);
    const unsigned char red_half[4] = {255, 0, 0, 128};
    PhotoSetForeground(image.get(), red_half);
    PhotoDrawText(image.get(), nullptr, 5, 40, 0, 0, 0, 1, sans, 36, "HI", TAV_TEXT_UTF8, -1);
    int full = 0, max_alpha = 0;
    const std::vector<unsigned char> rgba = tavtest::rgba_of(image.get());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        max_alpha = std::max<int>(max_alpha, rgba[i + 3]);
        if (rgba[i] == 255 && rgba[i + 1] == 0 && rgba[i + 2] == 0 && rgba[i + 3] == 128) ++full;
    }
    EXPECT_EQ(max_alpha, 128);
    EXPECT_GT(full, 100);  // the stems of H and I are fully covered

    // A colour argument takes the place of the foreground.
    PhotoPtr blue = blank_rgba(120, 50);
    const unsigned char opaque_blue[4] = {0, 0, 255, 255};
    PhotoDrawText(blue.get(), opaque_blue, 5, 40, 0, 0, 0, 1, sans, 36, "HI", TAV_TEXT_UTF8, -1);
    const Ink ink = ink_of(blue.get());
    ASSERT_FALSE(ink.empty());
    EXPECT_EQ(tavtest::pixel(blue.get(), ink.x0 + 1, (ink.y0 + ink.y1) / 2), (std::array<unsigned char, 4>{0, 0, 255, 255}));
}

TEST_F(TextDraw, IndexedImagesGetHardGlyphsInIndexZero) {
    PhotoPtr image(PhotoCreate(100, 40, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    TavResizeColormap(image->colormap, 2);
    TavSetColormap(image->colormap, 0, 0, 0, 0);
    TavSetColormap(image->colormap, 1, 255, 255, 255);
    const std::vector<unsigned char> ones(100 * 40, 1);
    PhotoPutIndex(image.get(), ones.data(), 0, 0, 100, 40);
    PhotoDrawText(image.get(), nullptr, 4, 30, 0, 0, 0.3, 1, sans, 24, "Mono", TAV_TEXT_UTF8, -1);
    std::vector<unsigned char> index(100 * 40);
    PhotoGetIndex(image.get(), index.data(), 0, 0, 100, 40);
    int zeros = 0, others = 0;
    for (unsigned char v : index) {
        if (v == 0) ++zeros;
        else if (v != 1) ++others;
    }
    EXPECT_GT(zeros, 50);
    EXPECT_EQ(others, 0);
}

TEST_F(TextDraw, GrayImagesTakeCoverageToo) {
    for (int mode : {TAV_MODE_GRAY, TAV_MODE_GRAYALPHA}) {
        PhotoPtr image(PhotoCreate(60, 40, mode, TAV_RENDER_MEMORY));
        PhotoDrawText(image.get(), nullptr, 4, 30, 0, 0, 0, 1, sans, 24, "Hi", TAV_TEXT_UTF8, -1);
        const std::vector<unsigned char> rgba = tavtest::rgba_of(image.get());
        int bright = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) bright += rgba[i] == 255;
        EXPECT_GT(bright, 20) << mode;
    }
}

TEST_F(TextDraw, NothingOutsideTheImageAndNothingWithoutInputs) {
    for (auto [x, y] : {std::pair{-1000, 60}, std::pair{400, 60}, std::pair{10, -100}, std::pair{10, 500},
                        std::pair{-2147483647, 2147483647}}) {
        EXPECT_TRUE(ink("Far away", x, y, 0, 0).empty()) << x << "," << y;
        EXPECT_TRUE(ink("Far away", x, y, TAV_ALIGN_RIGHT, TAV_VALIGN_BOTTOM).empty()) << x << "," << y;
    }
    EXPECT_FALSE(ink("Partly", -20, 60, 0, 0).empty());
    PhotoPtr image = blank_rgba(20, 20);
    EXPECT_EQ(PhotoDrawText(nullptr, nullptr, 0, 10, 0, 0, 0, 1, sans, 12, "x", TAV_TEXT_UTF8, -1), 0);
    EXPECT_EQ(PhotoDrawText(image.get(), nullptr, 0, 10, 0, 0, 0, 1, sans, 12, nullptr, TAV_TEXT_UTF8, -1), 0);
    EXPECT_EQ(PhotoDrawText(image.get(), nullptr, 0, 10, 0, 0, 0, 1, nullptr, 12, "x", TAV_TEXT_UTF8, -1), 0);
    EXPECT_EQ(PhotoDrawText(image.get(), nullptr, 0, 10, 0, 0, 0, 1, sans, 0, "x", TAV_TEXT_UTF8, -1), 0);
    EXPECT_EQ(PhotoDrawText(image.get(), nullptr, 0, 10, 0, 0, 0, 1, sans, 12, "x", 42, -1), 0);
    EXPECT_TRUE(ink_of(image.get()).empty());
}

// Pixel (px, py) of an image holding a glyph drawn at (x, y) shows the
// coverage FreeType itself gives at bitmap column px - x - left, row py - y + top.
TEST_F(TextDraw, HugeGlyphsMatchFreeTypesOwnRasterWhereVisible) {
    const int size = 3000;  // large enough to be rasterised in the visible window only
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(library, texttest::vera_path("Vera.ttf").c_str(), 0, &face), 0);
    FT_Set_Char_Size(face, size * 64, size * 64, 72, 72);
    FT_Load_Glyph(face, FT_Get_Char_Index(face, 'O'), FT_LOAD_DEFAULT);
    FT_Glyph glyph;
    FT_Get_Glyph(face->glyph, &glyph);
    ASSERT_EQ(FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1), 0);
    const FT_BitmapGlyph bitmap = reinterpret_cast<FT_BitmapGlyph>(glyph);
    const FT_Bitmap &bm = bitmap->bitmap;
    ASSERT_GT(std::max(bm.width, bm.rows), 2048u);

    // The window covers the left stroke of the O at half its height.
    const int x = -bitmap->left - 20, y = bitmap->top - static_cast<int>(bm.rows) / 2 + 100;
    PhotoPtr image = blank_rgba(300, 200);
    PhotoSetCompose(image.get(), TAV_COMPOSE_REPLACE);
    const unsigned char white[4] = {255, 255, 255, 255};
    PhotoDrawText(image.get(), white, x, y, 0, 0, 0, 1, sans, size, "O", TAV_TEXT_UTF8, -1);
    const std::vector<unsigned char> rgba = tavtest::rgba_of(image.get());
    int mismatches = 0, covered = 0, partial = 0;
    for (int py = 0; py < 200; ++py)
        for (int px = 0; px < 300; ++px) {
            const int c = px - x - bitmap->left, r = py - y + bitmap->top;
            int v = 0;
            if (c >= 0 && r >= 0 && c < static_cast<int>(bm.width) && r < static_cast<int>(bm.rows))
                v = bm.buffer[r * bm.pitch + c];
            const int want = v >= 254 ? 255 : v;
            mismatches += rgba[(static_cast<size_t>(py) * 300 + px) * 4 + 3] != want;
            covered += want == 255;
            partial += want > 0 && want < 255;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(covered, 1000);
    EXPECT_GT(partial, 50);
    FT_Done_Glyph(glyph);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST_F(TextDraw, LongLinesDrawFarFromTheirStart) {
    // Centred, the middle W of 2001 lies 59000 pixels from the line's start
    // (past FreeType's 32768-pixel bitmap limit) and where that of 11 lies.
    const auto centred = [&](int n, double angle) {
        PhotoPtr image = blank_rgba(64, 64);
        const std::string line(n, 'W');
        PhotoDrawText(image.get(), nullptr, 0, 40, TAV_ALIGN_CENTER, 0, angle, 1, sans, 60, line.c_str(),
                      TAV_TEXT_UTF8, -1);
        return tavtest::rgba_of(image.get());
    };
    int w = 0;
    PhotoGetMeasure(sans, 60, "W", TAV_TEXT_UTF8, -1, &w, nullptr, nullptr);
    ASSERT_EQ(w, 59);
    EXPECT_EQ(centred(2001, 0), centred(11, 0));
    PhotoPtr empty = blank_rgba(64, 64);
    EXPECT_NE(centred(2001, -0.7), tavtest::rgba_of(empty.get()));
}

TEST_F(TextDraw, PenPositionsBeyondThirtyTwoBitsStayInPlace) {
    // At 1000 pixels the middle W of 70001 lies 34.6 million pixels along
    // the line: past 2^31 in 26.6 units, where a 32-bit transform wraps.
    // Stretched 250 times, the alignment offset of 18001 passes 2^31 pixels.
    const auto centred = [&](int n, double stretch) {
        PhotoPtr image = blank_rgba(64, 64);
        const std::string line(n, 'W');
        PhotoDrawText(image.get(), nullptr, 32, 760, TAV_ALIGN_CENTER, 0, 0, stretch, sans, 1000, line.c_str(),
                      TAV_TEXT_UTF8, -1);
        return tavtest::rgba_of(image.get());
    };
    const auto inked = [](const std::vector<unsigned char> &rgba) {
        int n = 0;
        for (size_t i = 3; i < rgba.size(); i += 4) n += rgba[i] != 0;
        return n;
    };
    const std::vector<unsigned char> near = centred(11, 1);
    ASSERT_GT(inked(near), 100);
    EXPECT_EQ(centred(70001, 1), near);
    const std::vector<unsigned char> stretched = centred(11, 250);
    ASSERT_GT(inked(stretched), 100);
    EXPECT_EQ(centred(18001, 250), stretched);
}

TEST_F(TextDraw, HugeSizesAndLongTextsStayBounded) {
    // The stem of an I at 30000 pixels covers the whole small image.
    PhotoPtr image = blank_rgba(64, 64);
    PhotoDrawText(image.get(), nullptr, -4000, 10000, 0, 0, 0, 1, sans, 30000, "I", TAV_TEXT_UTF8, -1);
    const std::vector<unsigned char> rgba = tavtest::rgba_of(image.get());
    int opaque = 0;
    for (size_t i = 3; i < rgba.size(); i += 4) opaque += rgba[i] == 255;
    EXPECT_EQ(opaque, 64 * 64);
    // Huge stretch and rotation of a long line: only what meets the image is drawn.
    PhotoPtr other = blank_rgba(64, 64);
    const std::string line(200000, 'W');
    PhotoDrawText(other.get(), nullptr, 0, 40, 0, 0, 0.1, 1e9, sans, 40, line.c_str(), TAV_TEXT_UTF8, -1);
    PhotoDrawText(other.get(), nullptr, 0, 40, TAV_ALIGN_CENTER, 0, -0.7, 1, sans, 60, line.c_str(),
                  TAV_TEXT_UTF8, -1);
    EXPECT_FALSE(ink_of(other.get()).empty());
}

}  // namespace
