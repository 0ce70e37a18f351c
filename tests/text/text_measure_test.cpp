// Character decoding, text length, measurement and metrics.
#include <gtest/gtest.h>

#include <string>

#include "text/text_support.h"

using texttest::Engine;
using texttest::Font;

namespace {

struct Decoded {
    unsigned int code;
    int length;
};

Decoded next(const std::string &bytes, int encoding) {
    int length = -1;
    const unsigned int code = PhotoGetNextChar(bytes.c_str(), encoding, &length);
    return {code, length};
}

#define EXPECT_DECODES(bytes, encoding, want_code, want_length) \
    do {                                                        \
        const Decoded d = next(std::string(bytes, sizeof(bytes) - 1), encoding); \
        EXPECT_EQ(d.code, static_cast<unsigned int>(want_code));  \
        EXPECT_EQ(d.length, want_length);                       \
    } while (0)

TEST(TextDecode, Utf8TakesTwoAndThreeByteSequencesOnly) {
    EXPECT_DECODES("A", TAV_TEXT_UTF8, 0x41, 1);
    EXPECT_DECODES("\xC3\xA9", TAV_TEXT_UTF8, 0xE9, 2);
    EXPECT_DECODES("\xC3" "A", TAV_TEXT_UTF8, 0xC3, 1);
    EXPECT_DECODES("\xC3", TAV_TEXT_UTF8, 0xC3, 1);  // cut short by the end
    EXPECT_DECODES("\xE2\x82\xAC", TAV_TEXT_UTF8, 0x20AC, 3);
    EXPECT_DECODES("\xE2\x82", TAV_TEXT_UTF8, 0xE2, 1);
    EXPECT_DECODES("\xE2" "A\x82", TAV_TEXT_UTF8, 0xE2, 1);
    EXPECT_DECODES("\x80", TAV_TEXT_UTF8, 0x80, 1);  // stray continuation byte
    EXPECT_DECODES("\xC0\x80", TAV_TEXT_UTF8, 0, 2);  // overlong zero ends a text
    // Four-byte sequences are not decoded: four characters of one byte.
    const char *smiley = "\xF0\x9F\x98\x80";
    const unsigned int want[] = {0xF0, 0x9F, 0x98, 0x80};
    for (int i = 0; i < 4; ++i) {
        int length = 0;
        EXPECT_EQ(PhotoGetNextUtf(smiley + i, &length), want[i]);
        EXPECT_EQ(length, 1);
    }
    EXPECT_EQ(PhotoTextLength(smiley, TAV_TEXT_UTF8, -1), 4);
    EXPECT_EQ(PhotoGetNextUtf("\xC3\xA9", nullptr), 0xE9u);
}

TEST(TextDecode, WideAndByteEncodings) {
    EXPECT_DECODES("\xE9", TAV_TEXT_BYTE, 0xE9, 1);
    EXPECT_DECODES("\x20\xAC", TAV_TEXT_UTF16BE, 0x20AC, 2);
    EXPECT_DECODES("\x20\xAC", 3, 0x20AC, 2);
    EXPECT_DECODES("\xAC\x20", TAV_TEXT_UTF16LE, 0x20AC, 2);
    EXPECT_DECODES("\xD8\x3D", TAV_TEXT_UTF16BE, 0xD83D, 2);  // units are not paired
    EXPECT_DECODES("\x00\x00\x00\x41", TAV_TEXT_UTF32BE, 0x41, 4);
    EXPECT_DECODES("\x00\x01\xF6\x00", 6, 0x1F600, 4);
    EXPECT_DECODES("\x41\x00\x00\x00", TAV_TEXT_UTF32LE, 0x41, 4);
    EXPECT_DECODES("\xFF\xFF\xFF\xFF", TAV_TEXT_UTF32LE, 0xFFFFFFFFu, 4);
    EXPECT_DECODES("A", 8, 0, 0);
    EXPECT_DECODES("A", -1, 0, 0);
}

TEST(TextDecode, LengthStopsAtZeroOrLimit) {
    EXPECT_EQ(PhotoTextLength("", TAV_TEXT_UTF8, -1), 0);
    EXPECT_EQ(PhotoTextLength(nullptr, TAV_TEXT_UTF8, -1), 0);
    EXPECT_EQ(PhotoTextLength("abcdefghij", TAV_TEXT_UTF8, 3), 3);
    EXPECT_EQ(PhotoTextLength("abcdefghij", TAV_TEXT_UTF8, 0), 0);
    EXPECT_EQ(PhotoTextLength("abcdefghij", TAV_TEXT_UTF8, -1), 10);
    EXPECT_EQ(PhotoTextLength("abcdefghij", 9, -1), 0);
    EXPECT_EQ(PhotoTextLength("h\xC3\xA9\xE2\x82\xAC!", TAV_TEXT_UTF8, -1), 4);
    const char utf16[] = {0, 'H', 0, 'i', 0, 0, 0, 'X', 0, 0};
    EXPECT_EQ(PhotoTextLength(utf16, TAV_TEXT_UTF16BE, -1), 2);
    const char utf32[] = {'H', 0, 0, 0, 'i', 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(PhotoTextLength(utf32, TAV_TEXT_UTF32LE, -1), 2);
}

class TextMeasure : public ::testing::Test {
protected:
    Engine engine;
    Font sans{PhotoGetFontFile(engine, texttest::vera_path("Vera.ttf").c_str(), 0)};
    Font serif{PhotoGetFontFile(engine, texttest::vera_path("VeraSe.ttf").c_str(), 0)};
    void SetUp() override {
        ASSERT_NE(sans.font, nullptr);
        ASSERT_NE(serif.font, nullptr);
    }
};

TEST_F(TextMeasure, WidthIsFreeTypesAdvancesAndKerning) {
    for (const char *text : {"Hello, World", "AVAWAY To Ty", "W", "fjord Quartz", "LT\"'yVA.,"}) {
        for (int size : {7, 12, 31, 48, 200}) {
            for (auto [font, file] : {std::pair{sans.font, "Vera.ttf"}, std::pair{serif.font, "VeraSe.ttf"}}) {
                const texttest::Reference want = texttest::freetype_measure(file, size, text);
                int width = -1, ascent = -1, descent = -1;
                EXPECT_EQ(PhotoGetMeasure(font, size, text, TAV_TEXT_UTF8, -1, &width, &ascent, &descent), 1);
                EXPECT_EQ(width, want.width) << text << " at " << size << " in " << file;
                EXPECT_EQ(ascent, want.ascent) << text << " at " << size;
                EXPECT_EQ(descent, want.descent) << text << " at " << size;
            }
        }
    }
}

TEST_F(TextMeasure, KerningChangesTheWidth) {
    // The reference without kerning: the pair must come out narrower.
    int pair = 0, a = 0, v = 0;
    PhotoGetMeasure(sans, 100, "AV", TAV_TEXT_UTF8, -1, &pair, nullptr, nullptr);
    PhotoGetMeasure(sans, 100, "A", TAV_TEXT_UTF8, -1, &a, nullptr, nullptr);
    PhotoGetMeasure(sans, 100, "V", TAV_TEXT_UTF8, -1, &v, nullptr, nullptr);
    EXPECT_LT(pair, a + v);
}

TEST_F(TextMeasure, EncodingsAndLimitsMeasureTheSameCharacters) {
    int utf8 = 0, latin1 = 0, utf16 = 0, utf32 = 0, limited = 0, first = 0;
    PhotoGetMeasure(sans, 24, "caf\xC3\xA9", TAV_TEXT_UTF8, -1, &utf8, nullptr, nullptr);
    PhotoGetMeasure(sans, 24, "caf\xE9", TAV_TEXT_BYTE, -1, &latin1, nullptr, nullptr);
    const char wide16[] = {'c', 0, 'a', 0, 'f', 0, '\xE9', 0, 0, 0};
    PhotoGetMeasure(sans, 24, wide16, TAV_TEXT_UTF16LE, -1, &utf16, nullptr, nullptr);
    const char wide32[] = {0, 0, 0, 'c', 0, 0, 0, 'a', 0, 0, 0, 'f', 0, 0, 0, '\xE9', 0, 0, 0, 0};
    PhotoGetMeasure(sans, 24, wide32, TAV_TEXT_UTF32BE, -1, &utf32, nullptr, nullptr);
    PhotoGetMeasure(sans, 24, "caf\xC3\xA9 au lait", TAV_TEXT_UTF8, 4, &limited, nullptr, nullptr);
    PhotoGetMeasure(sans, 24, "c", TAV_TEXT_UTF8, -1, &first, nullptr, nullptr);
    EXPECT_GT(utf8, first);
    EXPECT_EQ(latin1, utf8);
    EXPECT_EQ(utf16, utf8);
    EXPECT_EQ(utf32, utf8);
    EXPECT_EQ(limited, utf8);
}

TEST_F(TextMeasure, NoUsableSizeWritesNothing) {
    for (int size : {0, -12, 100000}) {
        int width = -7, ascent = -7, descent = -7;
        EXPECT_EQ(PhotoGetMeasure(sans, size, "Hello", TAV_TEXT_UTF8, -1, &width, &ascent, &descent), 1);
        EXPECT_EQ(width, -7) << size;
        EXPECT_EQ(ascent, -7);
        EXPECT_EQ(descent, -7);
    }
    int width = -7;
    EXPECT_EQ(PhotoGetMeasure(nullptr, 12, "Hello", TAV_TEXT_UTF8, -1, &width, nullptr, nullptr), 1);
    EXPECT_EQ(width, -7);
    EXPECT_EQ(PhotoGetMeasure(sans, 12, "", TAV_TEXT_UTF8, -1, &width, nullptr, nullptr), 1);
    EXPECT_EQ(width, 0);
}

TEST_F(TextMeasure, MissingGlyphsAndLongTexts) {
    // A character the face lacks takes glyph 0 (the face's box) and its advance.
    EXPECT_EQ(PhotoHasChar(sans, 'A') != 0, true);
    EXPECT_EQ(PhotoHasChar(sans, 0x4E00), 0u);
    EXPECT_EQ(PhotoHasChar(nullptr, 'A'), 0u);
    TavFont faceless{};
    EXPECT_EQ(PhotoHasChar(&faceless, 'A'), 0u);

    // A million characters are measured; the width is exact, not wrapped.
    const std::string text(1000000, 'W');
    int one = 0, all = 0;
    PhotoGetMeasure(sans, 64, "W", TAV_TEXT_UTF8, -1, &one, nullptr, nullptr);
    PhotoGetMeasure(sans, 64, text.c_str(), TAV_TEXT_UTF8, -1, &all, nullptr, nullptr);
    EXPECT_EQ(all, one * 1000000);
    // At a huge size the sum passes 2^31 pixels and saturates.
    PhotoGetMeasure(sans, 30000, text.c_str(), TAV_TEXT_UTF8, 100000, &all, nullptr, nullptr);
    EXPECT_EQ(all, 2147483647);
    // Beyond 32768 pixels FreeType makes no glyph image: no room is taken.
    PhotoGetMeasure(sans, 40000, "WW", TAV_TEXT_UTF8, -1, &all, nullptr, nullptr);
    EXPECT_EQ(all, 0);
}

TEST_F(TextMeasure, MetricsBySizeAndDesignUnits) {
    int value = 0;
    for (int which = 0; which <= 6; ++which) EXPECT_EQ(PhotoGetMetrics(sans, 12, which, &value), 0) << which;
    EXPECT_EQ(PhotoGetMetrics(sans, 12, 7, &value), -1);
    EXPECT_EQ(PhotoGetMetrics(sans, 12, -1, &value), -1);
    EXPECT_EQ(PhotoGetMetrics(nullptr, 12, 0, &value), -1);
    TavFont faceless{};
    EXPECT_EQ(PhotoGetMetrics(&faceless, 12, 0, &value), -2);
    // A size FreeType refuses has no metrics (not those of the last size).
    EXPECT_EQ(PhotoGetMetrics(sans, 100000, 0, &value), -3);

    PhotoGetMetrics(sans, 40, 0, &value);
    EXPECT_EQ(value, sans->face->size->metrics.ascender >> 6);
    PhotoGetMetrics(sans, 40, 1, &value);
    EXPECT_LT(value, 0);
    EXPECT_EQ(value, sans->face->size->metrics.descender >> 6);
    PhotoGetMetrics(sans, 40, 2, &value);
    EXPECT_EQ(value, sans->face->size->metrics.height >> 6);
    int a3 = 0, a4 = 0;
    PhotoGetMetrics(sans, 40, 3, &a3);
    PhotoGetMetrics(sans, 40, 4, &a4);
    EXPECT_EQ(a3, a4);
    EXPECT_EQ(a3, sans->face->size->metrics.max_advance >> 6);
    PhotoGetMetrics(sans, 40, 5, &value);
    EXPECT_EQ(value, sans->face->underline_position >> 6);

    // Size 0 and below: design units, shifted the same way.
    const FT_Face face = sans->face;
    const long design[] = {face->ascender, face->descender, face->height, face->max_advance_width,
                           face->max_advance_height, face->underline_position, face->underline_thickness};
    for (int which = 0; which <= 6; ++which) {
        EXPECT_EQ(PhotoGetMetrics(sans, 0, which, &value), 0);
        EXPECT_EQ(value, design[which] >> 6) << which;
    }
}

// A one-glyph bitmap font: opened by FreeType, but not scalable.
const char kBitmapFont[] =
    "STARTFONT 2.1\nFONT -test-tiny-medium-r-normal--8-80-75-75-c-80-iso10646-1\nSIZE 8 75 75\n"
    "FONTBOUNDINGBOX 8 8 0 0\nSTARTPROPERTIES 2\nFONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\nCHARS 1\n"
    "STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\nFF\n81\n81\n81\n81\n81\n81\nFF\n"
    "ENDCHAR\nENDFONT\n";

TEST_F(TextMeasure, BitmapFacesHaveNoMetrics) {
    Font bitmap(PhotoGetFontData(engine, reinterpret_cast<const unsigned char *>(kBitmapFont),
                                 sizeof kBitmapFont - 1, TAV_FONT_OWN_DATA, 0));
    ASSERT_NE(bitmap.font, nullptr);
    int value = 0;
    EXPECT_EQ(PhotoGetMetrics(bitmap, 8, 0, &value), -3);
    EXPECT_EQ(PhotoGetMetrics(bitmap, 0, 0, &value), -3);
}

}  // namespace
