// Font engine, font objects and the built-in face table.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "text/text_support.h"

using texttest::Engine;
using texttest::Font;

namespace {

// Byte counts identify the ten faces.
constexpr int kSerif = 60280, kSerifBold = 58736, kSans = 65932, kSansBold = 58716, kSansOblique = 63684,
              kSansBoldOblique = 63208, kMono = 49224, kMonoBold = 49052, kMonoOblique = 54508,
              kMonoBoldOblique = 55032;

int builtin_length(const char *name) {
    int length = -1;
    const unsigned char *bytes = TavFontBuiltin(name, &length);
    return bytes ? length : -length - 100;  // a refusal must also store 0: gives -100
}

TEST(FontBuiltin, NamesChooseFamilyAndStyle) {
    const std::pair<const char *, int> cases[] = {
        {nullptr, kSerif},
        {"", kSerif},
        {"default", kSerif},
        {"serif bold", kSerifBold},
        {"serif italic", kSerif},  // no slanted serif face: italic is ignored
        {"times bold italic", kSerifBold},
        {"Times New Roman", kSerif},
        {"SANS-SERIF Bold Italic", kSansBoldOblique},
        {"sansserif italic", kSansOblique},
        {"helvetica bold", kSansBold},
        {"arial", kSans},
        {"Verdana italic bold", kSansBoldOblique},
        {"mono   italic", kMonoOblique},
        {"monotype", kMono},
        {"Courier New bold", kMonoBold},
        {"courier ", kMono},
        {"fixed bold italic", kMonoBoldOblique},
    };
    for (const auto &[name, length] : cases) EXPECT_EQ(builtin_length(name), length) << (name ? name : "(null)");
}

TEST(FontBuiltin, BadNamesGiveNothingAndLengthZero) {
    for (const char *name : {"bold", "sans bold bold", "sans-serif italic italic", "sans heavy", "sans",
                             "arialblack", " courier", "serifs", "courier  new", "mono bolditalic"})
        EXPECT_EQ(builtin_length(name), -100) << name;
    EXPECT_EQ(TavFontBuiltin("nosuch", nullptr), nullptr);
    EXPECT_NE(TavFontBuiltin("mono", nullptr), nullptr);
}

TEST(FontBuiltin, FacesAreTheVendoredFilesAndOpen) {
    const std::pair<const char *, const char *> faces[] = {
        {"serif", "VeraSe.ttf"},          {"serif bold", "VeraSeBd.ttf"},
        {"arial", "Vera.ttf"},            {"arial bold", "VeraBd.ttf"},
        {"arial italic", "VeraIt.ttf"},   {"arial bold italic", "VeraBI.ttf"},
        {"mono", "VeraMono.ttf"},         {"mono bold", "VeraMoBd.ttf"},
        {"mono italic", "VeraMoIt.ttf"},  {"mono bold italic", "VeraMoBI.ttf"},
    };
    Engine engine;
    for (const auto &[name, file] : faces) {
        int length = 0;
        const unsigned char *bytes = TavFontBuiltin(name, &length);
        const std::vector<unsigned char> expected = texttest::read_file(texttest::vera_path(file));
        ASSERT_EQ(static_cast<size_t>(length), expected.size()) << file;
        EXPECT_EQ(std::memcmp(bytes, expected.data(), expected.size()), 0) << file;
        Font font(PhotoGetFontData(engine, bytes, length, TAV_FONT_OWN_DATA, 0));
        ASSERT_NE(font.font, nullptr) << file;
        EXPECT_EQ(std::strncmp(font->face->family_name, "Bitstream Vera", 14), 0);
    }
}

TEST(FontObjects, FromBytesWithAndWithoutPrivateCopy) {
    Engine engine;
    std::vector<unsigned char> bytes = texttest::read_file(texttest::vera_path("Vera.ttf"));
    const int length = static_cast<int>(bytes.size());

    Font borrowed(PhotoGetFontData(engine, bytes.data(), length, 0, 0));
    ASSERT_NE(borrowed.font, nullptr);
    EXPECT_EQ(borrowed->data, bytes.data());
    EXPECT_EQ(borrowed->data_length, length);
    EXPECT_EQ(borrowed->flags, 0);
    EXPECT_EQ(borrowed->char_width, 0);
    EXPECT_EQ(borrowed->char_height, 0);

    int width = -1;
    {
        std::vector<unsigned char> scratch = bytes;
        Font owned(PhotoGetFontData(engine, scratch.data(), length, TAV_FONT_OWN_DATA, -3));
        ASSERT_NE(owned.font, nullptr);
        EXPECT_NE(owned->data, scratch.data());
        EXPECT_EQ(owned->flags, TAV_FONT_OWN_DATA);
        // The caller's bytes may go at once: the font reads its own copy.
        std::fill(scratch.begin(), scratch.end(), 0);
        scratch.clear();
        scratch.shrink_to_fit();
        PhotoGetMeasure(owned, 20, "Vera", TAV_TEXT_BYTE, -1, &width, nullptr, nullptr);
    }
    EXPECT_EQ(width, texttest::freetype_measure("Vera.ttf", 20, "Vera").width);
}

TEST(FontObjects, RefusalsLeaveNothing) {
    Engine engine;
    const std::vector<unsigned char> bytes = texttest::read_file(texttest::vera_path("VeraSe.ttf"));
    const int length = static_cast<int>(bytes.size());
    const unsigned char junk[] = "this is not a font at all, just some text";
    EXPECT_EQ(PhotoGetFontData(nullptr, bytes.data(), length, 0, 0), nullptr);
    EXPECT_EQ(PhotoGetFontData(engine, nullptr, length, 0, 0), nullptr);
    EXPECT_EQ(PhotoGetFontData(engine, bytes.data(), 0, TAV_FONT_OWN_DATA, 0), nullptr);
    EXPECT_EQ(PhotoGetFontData(engine, bytes.data(), -5, 0, 0), nullptr);
    EXPECT_EQ(PhotoGetFontData(engine, junk, sizeof junk, TAV_FONT_OWN_DATA, 0), nullptr);
    EXPECT_EQ(PhotoGetFontData(engine, bytes.data(), length / 3, TAV_FONT_OWN_DATA, 0), nullptr);
    EXPECT_EQ(PhotoGetFontData(engine, bytes.data(), length, TAV_FONT_OWN_DATA, 1), nullptr);
    EXPECT_EQ(PhotoGetFontFile(nullptr, texttest::vera_path("Vera.ttf").c_str(), 0), nullptr);
    EXPECT_EQ(PhotoGetFontFile(engine, nullptr, 0), nullptr);
    EXPECT_EQ(PhotoGetFontFile(engine, "/nonexistent/font.ttf", 0), nullptr);
    EXPECT_EQ(PhotoGetFontFile(engine, texttest::vera_path("COPYRIGHT.TXT").c_str(), 0), nullptr);
    EXPECT_EQ(PhotoGetFontFile(engine, texttest::vera_path("Vera.ttf").c_str(), 1), nullptr);
    EXPECT_EQ(PhotoDeleteFont(nullptr), 0);
}

TEST(FontObjects, FromFileKeepsNoData) {
    Engine engine;
    Font font(PhotoGetFontFile(engine, texttest::vera_path("VeraMono.ttf").c_str(), -3));
    ASSERT_NE(font.font, nullptr);
    EXPECT_EQ(font->data, nullptr);
    EXPECT_EQ(font->data_length, 0);
    EXPECT_EQ(font->flags, 0);
    EXPECT_STREQ(font->face->family_name, "Bitstream Vera Sans Mono");
}

TEST(FontPrepare, SizesAreSetOnceAndClearedWhenUnusable) {
    Engine engine;
    Font font(PhotoGetFontFile(engine, texttest::vera_path("Vera.ttf").c_str(), 0));
    ASSERT_NE(font.font, nullptr);
    EXPECT_EQ(PhotoPrepareFont(nullptr, 12), 1);
    TavFont faceless{};
    EXPECT_EQ(PhotoPrepareFont(&faceless, 12), 1);

    EXPECT_EQ(PhotoPrepareFont(font, 12), 0);
    EXPECT_EQ(font->char_width, 12 * 64);
    EXPECT_EQ(font->char_height, 12 * 64);
    // Change the face's size behind the font's back: preparing the same size
    // again must not call FreeType, so the face keeps the other size.
    FT_Set_Char_Size(font->face, 20 * 64, 20 * 64, 72, 72);
    EXPECT_EQ(PhotoPrepareFont(font, 12), 0);
    EXPECT_EQ(font->face->size->metrics.x_ppem, 20);
    EXPECT_EQ(PhotoPrepareFont(font, 0), 0);
    EXPECT_EQ(font->char_width, 0);
    EXPECT_EQ(font->char_height, 0);
    EXPECT_EQ(PhotoPrepareFont(font, 12), 0);
    EXPECT_EQ(font->face->size->metrics.x_ppem, 12);

    // Sizes FreeType refuses, or whose 26.6 value does not fit, leave none.
    for (int size : {-4, 100000, 40000000, 2147483647}) {
        EXPECT_EQ(PhotoPrepareFont(font, 12), 0);
        EXPECT_EQ(PhotoPrepareFont(font, size), 0);
        EXPECT_EQ(font->char_width, 0) << size;
    }
}

}  // namespace
