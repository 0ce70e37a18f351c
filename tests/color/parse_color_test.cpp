// Colour text: the name table and every #-hexadecimal length.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/tcl_env.h"

namespace {

using Rgba = std::array<unsigned char, 4>;

// Parses into a buffer pre-filled with a marker, so that a failed parse
// can be seen to leave it alone.
bool parse(const char *text, Rgba *out) {
    *out = {7, 7, 7, 7};
    return TavParseColor(text, out->data()) == 1;
}

void expect_color(const char *text, Rgba expected) {
    Rgba got;
    EXPECT_TRUE(parse(text, &got)) << text;
    EXPECT_EQ(got, expected) << text;
}

void expect_failure(const char *text) {
    Rgba got;
    EXPECT_FALSE(parse(text, &got)) << (text ? text : "(null)");
    EXPECT_EQ(got, (Rgba{7, 7, 7, 7})) << (text ? text : "(null)");
}

TEST(ParseColor, Names) {
    tavtest::interp();
    expect_color("none", {0, 0, 0, 0});
    expect_color("white", {255, 255, 255, 255});
    expect_color("black", {0, 0, 0, 255});
    expect_color("red", {255, 0, 0, 255});
    expect_color("green", {0, 255, 0, 255});
    expect_color("blue", {0, 0, 255, 255});
    expect_color("yellow", {255, 255, 0, 255});
    expect_color("cyan", {0, 255, 255, 255});
    expect_color("magenta", {255, 0, 255, 255});
}

// Database names in any case and with spaces anywhere; the library's own
// names keep their values; near misses and over-long text are refused.
TEST(ParseColor, DatabaseNamesFoldCaseAndSpaces) {
    const struct {
        const char *text;
        Rgba rgba;
    } cases[] = {
        {"orange", {255, 165, 0, 255}},        {"DarkSlateGray", {47, 79, 79, 255}},
        {"dark slate gray", {47, 79, 79, 255}}, {"DARK SLATEgrey", {47, 79, 79, 255}},
        {"White", {255, 255, 255, 255}},       {"RED", {255, 0, 0, 255}},
        {" red ", {255, 0, 0, 255}},           {"grey", {128, 128, 128, 255}},
        {"gray100", {255, 255, 255, 255}},     {"None", {0, 0, 0, 0}},
        {"aliceblue", {240, 248, 255, 255}},   {"yellow green", {154, 205, 50, 255}},
    };
    for (const auto &c : cases) expect_color(c.text, c.rgba);
    for (const char *text : {"re", "redd", "", "   ", "0", "rgb(1,2,3)", "gray101", "dark-slate-gray",
                             "lightgoldenrodyellowlightgoldenrodyellow"})
        expect_failure(text);
    expect_failure(nullptr);
}

TEST(ParseColor, OneDigitComponents) {
    expect_color("#f80", {255, 136, 0, 255});
    expect_color("#f808", {255, 136, 0, 136});
    expect_color("#FfF0", {255, 255, 255, 0});
}

TEST(ParseColor, TwoDigitComponents) {
    expect_color("#123456", {0x12, 0x34, 0x56, 255});
    expect_color("#12345678", {0x12, 0x34, 0x56, 0x78});
    expect_color("#ABCDEF", {0xab, 0xcd, 0xef, 255});
    expect_color("#abcdef", {0xab, 0xcd, 0xef, 255});
}

TEST(ParseColor, LongerComponentsKeepTheirTopBits) {
    expect_color("#fffeeeddd", {0xff, 0xee, 0xdd, 255});
    expect_color("#0000ffff8000", {0, 0xff, 0x80, 255});  // always four-digit RGB, never 3 + alpha
    expect_color("#00ff12ff80ffff00", {0, 0x12, 0x80, 0xff});
    expect_color("#01f0ff", {0x01, 0xf0, 0xff, 255});
}

TEST(ParseColor, BadLengthsAndDigits) {
    for (const char *text : {"#", "#1", "#12", "#12345", "#1234567", "#1234567890", "#12345678901", "#1234567890123",
                             "#12345678901234", "#123456789012345", "#12g", "#12345g", "#ffffffffffff fff", "# 12"})
        expect_failure(text);
    // Anything longer than sixteen digits fails, however long.
    expect_failure(("#" + std::string(17, 'f')).c_str());
    expect_failure(("#" + std::string(4096, '0')).c_str());
}

}  // namespace
