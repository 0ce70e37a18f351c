// BMP, PCX, SGI and WBMP at the C level: files built byte by byte for every
// layout the readers take, round trips through the writers, the size-only
// path, and hostile input (every truncation, runs past rows, indices past
// the palette, tiny files that claim huge pictures).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/photo_io.h"
#include "support/tcl_env.h"

namespace {

using tavtest::Bytes;
using tavtest::PhotoPtr;
using tavtest::read_with;
using tavtest::write_with;
using Rgba = std::array<unsigned char, 4>;

// Byte builders.
struct Out {
    Bytes b;
    Out &u8(int v) { b.push_back(static_cast<unsigned char>(v)); return *this; }
    Out &le16(uint32_t v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Out &le32(uint32_t v) { return le16(v & 0xFFFF).le16(v >> 16); }
    Out &be16(uint32_t v) { return u8((v >> 8) & 0xFF).u8(v & 0xFF); }
    Out &be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
    Out &raw(const Bytes &more) { b.insert(b.end(), more.begin(), more.end()); return *this; }
    Out &zeros(size_t n) { b.insert(b.end(), n, 0); return *this; }
};

// ---- BMP ------------------------------------------------------------------------

struct BmpLayout {
    int width = 2, height = 2, bits = 24;
    uint32_t compression = 0, info_size = 40, colours_used = 0;
    std::vector<uint32_t> masks;  // after a 40-byte header, inside a longer Windows one
    Bytes palette;                // B, G, R, 0 per entry
    Bytes pixels;
    int gap = 0;                  // bytes between palette and pixel data
    uint32_t offset_override = 0;
};

Bytes bmp(const BmpLayout &s) {
    const uint32_t info = s.info_size;
    const bool masks_inside = info > 40 && info != 64;
    const uint32_t offset = s.offset_override ? s.offset_override
                                              : 14 + info + (masks_inside ? 0 : 4 * static_cast<uint32_t>(s.masks.size())) +
                                                    static_cast<uint32_t>(s.palette.size()) + s.gap;
    Out o;
    o.u8('B').u8('M').le32(offset + static_cast<uint32_t>(s.pixels.size())).le32(0).le32(offset).le32(info);
    if (info == 12) {
        o.le16(s.width).le16(s.height).le16(1).le16(s.bits);
    } else {
        o.le32(static_cast<uint32_t>(s.width)).le32(static_cast<uint32_t>(s.height)).le16(1).le16(s.bits);
        o.le32(s.compression).le32(0).le32(0).le32(0).le32(s.colours_used).le32(0);
        if (masks_inside)
            for (uint32_t m : s.masks) o.le32(m);
        o.zeros(info - 40 - (masks_inside ? 4 * s.masks.size() : 0));
    }
    if (!masks_inside)
        for (uint32_t m : s.masks) o.le32(m);
    return o.raw(s.palette).zeros(s.gap).raw(s.pixels).b;
}

Bytes grey_palette(int n) {
    Bytes p;
    for (int i = 0; i < n; ++i) {
        const auto v = static_cast<unsigned char>(i * 255 / std::max(1, n - 1));
        for (unsigned char byte : {v, v, static_cast<unsigned char>(255 - v), static_cast<unsigned char>(0)})
            p.push_back(byte);
    }
    return p;
}

std::vector<unsigned char> rgba(Photo *image) { return tavtest::rgba_of(image); }

TEST(Bmp, ReadsEveryLayout) {
    // Palette entry i is (R = 255 - v, G = v, B = v) with v = i * 255 / (n - 1).
    struct Case {
        const char *what;
        BmpLayout layout;
        std::vector<unsigned char> expected;  // RGBA, top row first
    };
    const Bytes pal2 = grey_palette(2), pal16 = grey_palette(16), pal4 = grey_palette(4);
    std::vector<Case> cases = {
        {"24-bit bottom-up, rows padded",
         {2, 2, 24, 0, 40, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}},
         {9, 8, 7, 255, 12, 11, 10, 255, 3, 2, 1, 255, 6, 5, 4, 255}},
        {"24-bit top-down",
         {2, -2, 24, 0, 40, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}},
         {3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255}},
        {"32-bit ignores the fourth byte",
         {1, 1, 32, 0, 40, 0, {}, {}, {10, 20, 30, 0}}, {30, 20, 10, 255}},
        {"16-bit 5-5-5 default masks",
         {1, 1, 16, 0, 40, 0, {}, {}, {0xE0, 0x7F, 0, 0}}, {255, 255, 0, 255}},
        {"16-bit 5-6-5 bit fields",
         {1, 1, 16, 3, 40, 0, {0xF800, 0x07E0, 0x001F}, {}, {0x1F, 0x07, 0, 0}}, {0, 227, 255, 255}},
        {"16-bit field wider than 8 bits keeps its top 8 bits",
         {1, 1, 16, 3, 40, 0, {0xFFF0, 0, 0x000F}, {}, {0x3F, 0xAB, 0, 0}}, {0xAB, 0, 0xFF, 255}},
        {"52-byte header with its masks",
         {1, 1, 16, 3, 52, 0, {0xF800, 0x07E0, 0x001F}, {}, {0xFF, 0xFF, 0, 0}}, {255, 255, 255, 255}},
        {"56-byte header, 4-4-4-4 with alpha",
         {1, 1, 16, 3, 56, 0, {0x0F00, 0x00F0, 0x000F, 0xF000}, {}, {0x21, 0x43, 0, 0}}, {0x33, 0x22, 0x11, 0x44}},
        {"108-byte header, plain 24-bit", {1, 1, 24, 0, 108, 0, {}, {}, {1, 2, 3, 0}}, {3, 2, 1, 255}},
        {"124-byte header, 32-bit with an alpha mask",
         {1, 1, 32, 3, 124, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {}, {10, 20, 30, 40}}, {30, 20, 10, 40}},
        {"32-bit bit fields in another order, no alpha mask: opaque",
         {1, 1, 32, 3, 40, 0, {0xFF000000, 0xFF0000, 0xFF00}, {}, {0, 1, 2, 3}}, {3, 2, 1, 255}},
        {"compression 6: four masks after a 40-byte header",
         {1, 1, 32, 6, 40, 0, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {}, {1, 2, 3, 4}}, {1, 2, 3, 4}},
        {"1-bit palette, bit 7 first",
         {3, 1, 1, 0, 40, 0, {}, pal2, {0xA0, 0, 0, 0}},
         {0, 255, 255, 255, 255, 0, 0, 255, 0, 255, 255, 255}},
        {"4-bit palette, high nibble first",
         {2, 1, 4, 0, 40, 0, {}, pal16, {0xF0, 0, 0, 0}}, {0, 255, 255, 255, 255, 0, 0, 255}},
        {"8-bit with colours used 4",
         {1, 1, 8, 0, 40, 4, {}, pal4, {3, 0, 0, 0}}, {0, 255, 255, 255}},
        {"64-byte header and a gap before the data",
         {1, 1, 24, 0, 64, 0, {}, {}, {1, 2, 3, 0}, 6}, {3, 2, 1, 255}},
        {"RLE8: runs, delta, end of line, absolute run, end of bitmap",
         // 4x3, bottom-up: row 2 = run of 2 x idx1, delta (1, 1) to (3, 1);
         // row 1 = 1 x idx3; EOL; row 0 = absolute 3 pixels 0 1 2 (padded), EOB.
         {4, 3, 8, 1, 40, 4, {}, pal4, {2, 1, 0, 2, 1, 1, 1, 3, 0, 0, 0, 3, 0, 1, 2, 0, 0, 1}},
         {}},
        {"RLE4: alternating nibbles and an odd absolute run",
         {5, 1, 4, 2, 40, 16, {}, pal16, {3, 0xF0, 0, 3, 0x5A, 0x50, 0, 1}}, {}},
        {"OS/2 header with 3-byte palette entries",
         {2, 1, 1, 0, 12, 0, {}, {0, 0, 0, 255, 255, 255}, {0x40, 0, 0, 0}}, {0, 0, 0, 255, 255, 255, 255, 255}},
    };
    // The RLE expectations: skipped pixels stay as the image is made,
    // transparent black from zeroed memory.
    const Rgba blank = {0, 0, 0, 0};
    auto colour = [](int i, int n) {
        const auto v = static_cast<unsigned char>(i * 255 / (n - 1));
        return Rgba{static_cast<unsigned char>(255 - v), v, v, 255};
    };
    auto flat = [](std::initializer_list<Rgba> px) {
        std::vector<unsigned char> out;
        for (const Rgba &p : px) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    cases[16].expected = flat({colour(0, 4), colour(1, 4), colour(2, 4), blank,   // row 0
                               blank, blank, blank, colour(3, 4),                 // row 1
                               colour(1, 4), colour(1, 4), blank, blank});         // row 2
    cases[17].expected = flat({colour(15, 16), colour(0, 16), colour(15, 16), colour(5, 16), colour(10, 16)});

    tavtest::interp();
    for (const Case &c : cases) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_EQ(read_with(ReadBMP, image, bmp(c.layout)), image.p) << c.what;
        EXPECT_EQ(PhotoMode(image), TAV_MODE_RGBA) << c.what;
        EXPECT_EQ(PhotoWidth(image), c.layout.width) << c.what;
        EXPECT_EQ(PhotoHeight(image), std::abs(c.layout.height)) << c.what;
        EXPECT_EQ(rgba(image), c.expected) << c.what;
    }
}

TEST(Bmp, RefusesWhatTheHeaderRulesForbid) {
    tavtest::interp();
    struct Case {
        const char *what;
        BmpLayout layout;
    };
    const Bytes one_row = {1, 2, 3, 0};
    const std::vector<Case> cases = {
        {"100-byte header", {1, 1, 24, 0, 100, 0, {}, {}, one_row}},
        {"offset with high bytes set", {1, 1, 24, 0, 40, 0, {}, {}, one_row, 0, 0x10036}},
        {"offset before the end of the headers", {1, 1, 24, 0, 40, 0, {}, {}, one_row, 0, 50}},
        {"index beyond colours used", {1, 1, 8, 0, 40, 2, {}, grey_palette(2), {5, 0, 0, 0}}},
        {"RLE index beyond the palette", {2, 1, 8, 1, 40, 2, {}, grey_palette(2), {2, 7, 0, 1}}},
        {"RLE absolute index beyond the palette", {3, 1, 8, 1, 40, 2, {}, grey_palette(2), {0, 3, 0, 1, 9, 0, 0, 1}}},
        {"RLE with 24 bits", {1, 1, 24, 1, 40, 0, {}, {}, {1, 0, 0, 1}}},
        {"RLE top-down", {1, -1, 8, 1, 40, 2, {}, grey_palette(2), {1, 0, 0, 1}}},
        {"RLE without end of bitmap", {1, 1, 8, 1, 40, 2, {}, grey_palette(2), {1, 0, 0, 0}}},
        {"zero width", {0, 1, 24, 0, 40, 0, {}, {}, one_row}},
        {"zero height", {1, 0, 24, 0, 40, 0, {}, {}, one_row}},
        {"2 bits per pixel", {1, 1, 2, 0, 40, 0, {}, grey_palette(4), one_row}},
        {"short raster", {2, 2, 24, 0, 40, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0}}},
    };
    for (const Case &c : cases) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_EQ(read_with(ReadBMP, image, bmp(c.layout)), nullptr) << c.what;
    }
}

TEST(Bmp, RleRunsPastTheRowAreDropped) {
    // Encoders that pad rows to four pixels write runs past the width.
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const Bytes data = {5, 1, 0, 0, 0, 4, 1, 1, 1, 1, 0, 0, 9, 0, 0, 1};
    ASSERT_EQ(read_with(ReadBMP, image, bmp({3, 2, 8, 1, 40, 2, {}, grey_palette(2), data})), image.p);
    const auto px = rgba(image);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(px[4 * i], 0) << i;  // index 1: R = 0
}

TEST(Bmp, RleRowsLongerThanOneSpanArePaintedWhole) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    Bytes data;
    for (int i = 0; i < 20; ++i) data.insert(data.end(), {255, static_cast<unsigned char>(i & 1)});
    data.insert(data.end(), {0, 1});
    ASSERT_EQ(read_with(ReadBMP, image, bmp({5000, 1, 8, 1, 40, 2, {}, grey_palette(2), data})), image.p);
    const auto px = rgba(image);
    for (int x = 0; x < 5000; ++x) ASSERT_EQ(px[4 * x + 1], ((x / 255) & 1) ? 255 : 0) << x;
}

TEST(Bmp, WritesTwentyFourBitAndGreyFiles) {
    tavtest::interp();
    PhotoPtr colour(PhotoCreate(3, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const unsigned char px[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255};
    PhotoPutRGBA(colour, px, 0, 0, 3, 2, TAV_COMPOSE_REPLACE);
    int result = -1;
    const Bytes file = write_with(WriteBMP, colour, &result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(file.size(), 54u + 2 * 12);
    EXPECT_EQ(file[54], 3);  // bottom row first, B G R
    EXPECT_EQ(file[56], 1);
    PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_with(ReadBMP, back, file), back.p);
    EXPECT_EQ(rgba(back), rgba(colour));

    PhotoPtr grey(PhotoCreate(5, 3, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    const unsigned char levels[15] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 255};
    PhotoPutGray(grey, levels, 0, 0, 5, 3);
    const Bytes grey_file = write_with(WriteBMP, grey);
    EXPECT_EQ(grey_file.size(), 1078u + 3 * 8);
    ASSERT_EQ(read_with(ReadBMP, back, grey_file), back.p);
    const auto got = rgba(back);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ((Rgba{got[4 * i], got[4 * i + 1], got[4 * i + 2], got[4 * i + 3]}),
                  (Rgba{levels[i], levels[i], levels[i], 255})) << i;
}

// ---- PCX ------------------------------------------------------------------------

Bytes pcx_header(int version, int encoding, int bits, int xmax, int ymax, int planes, int bpl, int xmin = 0) {
    Out o;
    o.u8(10).u8(version).u8(encoding).u8(bits).le16(xmin).le16(0).le16(xmax).le16(ymax).le16(72).le16(72);
    o.zeros(48).u8(0).u8(planes).le16(bpl).le16(1).zeros(58);
    return o.b;
}

Bytes pcx_trailer(int mark) {
    Out o;
    o.u8(mark);
    for (int i = 0; i < 256; ++i) o.u8(i).u8(255 - i).u8(i / 2);
    return o.b;
}

TEST(Pcx, ReadsPlanesRunsAndTrailer) {
    tavtest::interp();
    // One plane, RLE, version 5 with the trailer palette; odd width 3 with a pad byte.
    Out single;
    single.raw(pcx_header(5, 1, 8, 2, 1, 1, 4)).raw({0xC3, 7, 0}).raw({1, 0xC1, 0xC8, 2, 0}).raw(pcx_trailer(12));
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_with(ReadPCX, image, single.b), image.p);
    EXPECT_EQ(PhotoMode(image), TAV_MODE_INDEXED);
    EXPECT_EQ(TavColormapSize(PhotoColormap(image)), 256);
    unsigned char indices[6];
    PhotoGetIndex(image, indices, 0, 0, 3, 2);
    EXPECT_EQ(Bytes(indices, indices + 6), (Bytes{7, 7, 7, 1, 0xC8, 2}));
    EXPECT_EQ(tavtest::pixel(image, 1, 1), (Rgba{0xC8, 255 - 0xC8, 0xC8 / 2, 255}));

    // A version-5 file whose mark is not 12 keeps the resized colormap.
    Out unmarked;
    unmarked.raw(pcx_header(5, 0, 8, 0, 0, 1, 2)).raw({9, 0}).raw(pcx_trailer(11));
    ASSERT_EQ(read_with(ReadPCX, image, unmarked.b), image.p);
    EXPECT_EQ(tavtest::pixel(image, 0, 0), (Rgba{0, 0, 0, 255}));

    // Three planes, plain, odd width: the pad byte of each plane is ignored.
    Out rgb;
    rgb.raw(pcx_header(5, 0, 8, 0, 0, 3, 2)).raw({10, 99, 20, 99, 30, 99});
    ASSERT_EQ(read_with(ReadPCX, image, rgb.b), image.p);
    EXPECT_EQ(PhotoMode(image), TAV_MODE_RGBA);
    EXPECT_EQ(tavtest::pixel(image, 0, 0), (Rgba{10, 20, 30, 255}));

    // Four planes: the fourth is ignored; a run may cross planes within a line.
    Out four;
    four.raw(pcx_header(3, 1, 8, 1, 0, 4, 2)).raw({0xC3, 5, 0xC5, 6});
    ASSERT_EQ(read_with(ReadPCX, image, four.b), image.p);
    EXPECT_EQ(rgba(image), (std::vector<unsigned char>{5, 5, 6, 255, 5, 6, 6, 255}));
}

// Low-bit files take their colours from the header palette (entry i is
// (i, 2i, 3i) * 16 here), or are black and white when it is empty.
TEST(Pcx, ReadsLowBitLayouts) {
    tavtest::interp();
    auto with_palette = [](Bytes header, bool filled) {
        for (int i = 0; filled && i < 16; ++i)
            for (int c = 0; c < 3; ++c) header[16 + 3 * i + c] = static_cast<unsigned char>(16 * i * (c + 1) % 256);
        return header;
    };
    struct Case {
        const char *what;
        Bytes file;
        std::vector<int> indices;  // of the header palette, left to right
        bool black_and_white = false;
    };
    const std::vector<Case> cases = {
        {"1 bit, black and white", Out().raw(with_palette(pcx_header(5, 0, 1, 9, 0, 1, 2), false)).raw({0xA5, 0x80}).b,
         {1, 0, 1, 0, 0, 1, 0, 1, 1, 0}, true},
        {"1 bit, palette", Out().raw(with_palette(pcx_header(5, 0, 1, 3, 0, 1, 2), true)).raw({0x60, 0}).b, {0, 1, 1, 0}},
        {"2 bits", Out().raw(with_palette(pcx_header(5, 1, 2, 4, 0, 1, 2), true)).raw({0x1B, 0xC1, 0xC0}).b,
         {0, 1, 2, 3, 3}},
        {"4 bits, odd width", Out().raw(with_palette(pcx_header(5, 0, 4, 2, 0, 1, 2), true)).raw({0xF3, 0x90}).b,
         {15, 3, 9}},
        {"1 bit in 4 planes", Out().raw(with_palette(pcx_header(5, 0, 1, 2, 0, 4, 1), true)).raw({0x80, 0x40, 0xA0, 0x20}).b,
         {5, 2, 4 | 8}},
        {"1 bit in 2 planes", Out().raw(with_palette(pcx_header(5, 0, 1, 1, 0, 2, 1), true)).raw({0x40, 0xC0}).b, {2, 3}},
    };
    for (const Case &c : cases) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_EQ(read_with(ReadPCX, image, c.file), image.p) << c.what;
        std::vector<unsigned char> expected;
        for (int i : c.indices) {
            const auto v = [&](int k) { return static_cast<unsigned char>(c.black_and_white ? 255 * i : 16 * i * k % 256); };
            expected.insert(expected.end(), {v(1), v(2), v(3), 255});
        }
        EXPECT_EQ(rgba(image), expected) << c.what;
    }
}

TEST(Pcx, RefusesBadHeadersAndRuns) {
    tavtest::interp();
    const Bytes row = {0xC2, 1};
    const std::vector<std::pair<const char *, Bytes>> cases = {
        {"manufacturer", [&] { Bytes b = pcx_header(5, 1, 8, 1, 0, 1, 2); b[0] = 11; return b; }()},
        {"version 4", pcx_header(4, 1, 8, 1, 0, 1, 2)},
        {"encoding 2", pcx_header(5, 2, 8, 1, 0, 1, 2)},
        {"xmax below xmin", pcx_header(5, 1, 8, 1, 0, 1, 2, 2)},
        {"2 planes", pcx_header(5, 1, 8, 1, 0, 2, 2)},
        {"2 bits in 2 planes", pcx_header(5, 1, 2, 1, 0, 2, 2)},
        {"1 bit in 5 planes", pcx_header(5, 1, 1, 1, 0, 5, 2)},
        {"3 bits", pcx_header(5, 1, 3, 1, 0, 1, 2)},
        {"1-bit width beyond the bits per line", pcx_header(5, 1, 1, 16, 0, 1, 2)},
        {"width beyond bytes per line", pcx_header(5, 1, 8, 4, 0, 1, 2)},
        {"run past the line", [&] { Out o; o.raw(pcx_header(5, 1, 8, 1, 0, 1, 2)).raw({0xC3, 1}); return o.b; }()},
        {"line cut short", [&] { Out o; o.raw(pcx_header(0, 1, 8, 1, 1, 1, 2)).raw(row); return o.b; }()},
    };
    for (const auto &[what, bytes] : cases) {
        Out o;
        o.raw(bytes).raw(row);
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_EQ(read_with(ReadPCX, image, bytes.size() > 128 ? bytes : o.b), nullptr) << what;
    }
    // One pixel wide and tall is a picture like any other.
    Out tiny;
    tiny.raw(pcx_header(5, 1, 8, 0, 0, 1, 2)).raw({4, 0});
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(read_with(ReadPCX, image, tiny.b), image.p);
}

TEST(Pcx, WritesRunsPadAndPaletteThatReadBack) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(3, 2, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    TavColormap *map = PhotoColormap(image);
    TavAddColormap(map, 10, 20, 30);
    TavAddColormap(map, 200, 210, 220);
    for (int i = 2; i < 0xD0; ++i) TavAddColormap(map, i, i, i);
    const unsigned char indices[6] = {1, 1, 1, 0xC5, 0, 0xC5};
    PhotoPutIndex(image, indices, 0, 0, 3, 2);
    int result = -1;
    const Bytes file = write_with(WritePCX, image, &result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(file.size(), 128u + 3 + 6 + 769);
    EXPECT_EQ(file[66], 4);  // bytes per line: width rounded up to even
    EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 137), (Bytes{0xC3, 1, 0, 0xC1, 0xC5, 0, 0xC1, 0xC5, 0}));
    EXPECT_EQ(file[137], 12);
    EXPECT_EQ(Bytes(file.begin() + 141, file.begin() + 144), (Bytes{200, 210, 220}));
    EXPECT_EQ(file.back(), 0);  // entries beyond the colormap are black

    PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_with(ReadPCX, back, file), back.p);
    unsigned char got[6];
    PhotoGetIndex(back, got, 0, 0, 3, 2);
    EXPECT_EQ(Bytes(got, got + 6), Bytes(indices, indices + 6));
    EXPECT_EQ(tavtest::pixel(back, 0, 0), (Rgba{200, 210, 220, 255}));

    // Runs of 64 and more are split at 63; a lone byte of 0xC0 and up takes a count.
    PhotoPtr wide(PhotoCreate(130, 1, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    for (int i = 0; i < 0xD0; ++i) TavAddColormap(PhotoColormap(wide), i, 0, 0);
    std::vector<unsigned char> row(130, 3);
    row[129] = 0xC0;
    PhotoPutIndex(wide, row.data(), 0, 0, 130, 1);
    const Bytes wide_file = write_with(WritePCX, wide);
    EXPECT_EQ(Bytes(wide_file.begin() + 128, wide_file.begin() + 136), (Bytes{0xFF, 3, 0xFF, 3, 0xC3, 3, 0xC1, 0xC0}));
    ASSERT_EQ(read_with(ReadPCX, back, wide_file), back.p);
    std::vector<unsigned char> wide_back(130);
    PhotoGetIndex(back, wide_back.data(), 0, 0, 130, 1);
    EXPECT_EQ(wide_back, row);
}

// Rows of lone bytes, runs and bytes of 0xC0 and up at every offset,
// against the run coding written out plainly.
TEST(Pcx, RowsCodeAsThePlainRuns) {
    tavtest::interp();
    auto plain = [](const std::vector<unsigned char> &row) {
        Bytes out;
        for (size_t x = 0; x < row.size();) {
            size_t run = 1;
            while (x + run < row.size() && row[x + run] == row[x] && run < 63) ++run;
            if (run > 1 || row[x] >= 0xC0) out.push_back(static_cast<unsigned char>(0xC0 | run));
            out.push_back(row[x]);
            x += run;
        }
        if (row.size() & 1) out.push_back(0);
        return out;
    };
    uint32_t seed = 7;
    for (int width = 1; width <= 90; ++width) {
        PhotoPtr image(PhotoCreate(width, 1, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
        for (int i = 0; i < 256; ++i) TavAddColormap(PhotoColormap(image), i, i, i);
        std::vector<unsigned char> row(static_cast<size_t>(width));
        // Mostly low bytes, the last byte again now and then, some 0xC0 and up.
        for (size_t x = 0; x < row.size(); ++x) {
            seed = seed * 1103515245 + 12345;
            const uint32_t pick = seed >> 28, value = (seed >> 8) % 0xC0;
            row[x] = static_cast<unsigned char>(pick == 0 ? 0xC0 + value % 64 : pick < 4 && x > 0 ? row[x - 1] : value);
        }
        if (width > 70) std::fill(row.begin() + 2, row.begin() + 68, row[1]);  // a run past 63
        PhotoPutIndex(image, row.data(), 0, 0, width, 1);
        const Bytes file = write_with(WritePCX, image);
        const Bytes expected = plain(row);
        ASSERT_GE(file.size(), 128 + expected.size()) << width;
        EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 128 + static_cast<ptrdiff_t>(expected.size())), expected)
            << width;
    }
}

TEST(Pcx, TruecolourAndGreyImagesAreQuantised) {
    tavtest::interp();
    PhotoPtr grey(PhotoCreate(4, 4, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    std::vector<unsigned char> levels(16);
    for (int i = 0; i < 16; ++i) levels[i] = static_cast<unsigned char>(i * 16);
    PhotoPutGray(grey, levels.data(), 0, 0, 4, 4);
    PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_with(ReadPCX, back, write_with(WritePCX, grey)), back.p);
    const auto got = rgba(back);
    // The first row may carry the quantiser's starting noise of one level.
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[4 * i], levels[i], i < 4 ? 1 : 0) << i;

    PhotoPtr colour(PhotoCreate(2, 1, TAV_MODE_GRAYALPHA, TAV_RENDER_MEMORY));
    const unsigned char ga[4] = {40, 255, 200, 0};
    PhotoPutExt(colour, 0, 0, 2, 1, 2, 2, 2, 2, ga, ga, ga, ga + 1, TAV_COMPOSE_REPLACE);
    const Bytes file = write_with(WritePCX, colour);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(read_with(ReadPCX, back, file), back.p);
}

// ---- SGI ------------------------------------------------------------------------

Bytes sgi_header(int storage, int bpc, int dimension, int x, int y, int z, uint32_t colormap = 0) {
    Out o;
    o.be16(474).u8(storage).u8(bpc).be16(dimension).be16(x).be16(y).be16(z).be32(0).be32(255).be32(0);
    o.zeros(80).be32(colormap).zeros(404);
    return o.b;
}

// An RLE file from packed rows, ordered by channel then row.
Bytes sgi_rle(int x, int y, int z, const std::vector<Bytes> &rows) {
    Out o;
    o.raw(sgi_header(1, 1, 3, x, y, z));
    uint32_t at = 512 + static_cast<uint32_t>(rows.size()) * 8;
    for (const Bytes &r : rows) {
        o.be32(at);
        at += static_cast<uint32_t>(r.size());
    }
    for (const Bytes &r : rows) o.be32(static_cast<uint32_t>(r.size()));
    for (const Bytes &r : rows) o.raw(r);
    return o.b;
}

TEST(Sgi, ReadsChannelsOrientationAndRuns) {
    tavtest::interp();
    struct Case {
        const char *what;
        Bytes file;
        int width, height;
        std::vector<unsigned char> expected;  // RGBA, top row first
    };
    const std::vector<Case> cases = {
        {"one channel fills grey and opaque alpha, row 0 at the bottom",
         Out().raw(sgi_header(0, 1, 2, 2, 2, 7)).raw({1, 2, 3, 4}).b, 2, 2,
         {3, 3, 3, 255, 4, 4, 4, 255, 1, 1, 1, 255, 2, 2, 2, 255}},
        {"dimension 1 is one row whatever ysize says",
         Out().raw(sgi_header(0, 1, 1, 2, 9, 9)).raw({5, 6}).b, 2, 1, {5, 5, 5, 255, 6, 6, 6, 255}},
        {"three channels, opaque",
         Out().raw(sgi_header(0, 1, 3, 1, 1, 3)).raw({1, 2, 3}).b, 1, 1, {1, 2, 3, 255}},
        {"two channels: the missing blue takes the first channel",
         Out().raw(sgi_header(0, 1, 3, 1, 1, 2)).raw({7, 8}).b, 1, 1, {7, 8, 7, 255}},
        {"five channels: the fifth is ignored",
         Out().raw(sgi_header(0, 1, 3, 1, 1, 5)).raw({1, 2, 3, 4, 5}).b, 1, 1, {1, 2, 3, 4}},
        {"RLE runs and literals, two rows, four channels",
         sgi_rle(3, 2, 4, {{0x03, 9, 0}, {0x83, 1, 2, 3, 0}, {0x03, 8, 0}, {0x03, 7, 0},
                           {0x03, 6, 0}, {0x03, 5, 0}, {0x02, 4, 0x01, 3, 0}, {0x83, 10, 20, 30, 0}}),
         3, 2, {1, 7, 5, 10, 2, 7, 5, 20, 3, 7, 5, 30, 9, 8, 6, 4, 9, 8, 6, 4, 9, 8, 6, 3}},
        {"RLE rows may share their data",
         [] {
             Out o;
             o.raw(sgi_header(1, 1, 2, 2, 2, 1)).be32(528).be32(528).be32(3).be32(3).raw({0x02, 42, 0});
             return o.b;
         }(),
         2, 2, {42, 42, 42, 255, 42, 42, 42, 255, 42, 42, 42, 255, 42, 42, 42, 255}},
    };
    for (const Case &c : cases) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_EQ(read_with(ReadSGI, image, c.file), image.p) << c.what;
        EXPECT_EQ(PhotoWidth(image), c.width) << c.what;
        EXPECT_EQ(PhotoHeight(image), c.height) << c.what;
        EXPECT_EQ(rgba(image), c.expected) << c.what;
    }
}

TEST(Sgi, RefusesBadHeadersAndRows) {
    tavtest::interp();
    const std::vector<std::pair<const char *, Bytes>> cases = {
        {"two bytes per channel", Out().raw(sgi_header(0, 2, 2, 1, 1, 1)).raw({0, 1}).b},
        {"storage 2", Out().raw(sgi_header(2, 1, 2, 1, 1, 1)).raw({1}).b},
        {"dimension 4", Out().raw(sgi_header(0, 1, 4, 1, 1, 1)).raw({1}).b},
        {"colormap 2", Out().raw(sgi_header(0, 1, 2, 1, 1, 1, 2)).raw({1}).b},
        {"zero width", Out().raw(sgi_header(0, 1, 2, 0, 1, 1)).raw({1}).b},
        {"short verbatim data", Out().raw(sgi_header(0, 1, 2, 2, 2, 1)).raw({1, 2, 3}).b},
        {"RLE run past the row", sgi_rle(2, 1, 1, {{0x03, 1, 0}})},
        {"RLE literal past the row", sgi_rle(2, 1, 1, {{0x83, 1, 2, 3, 0}})},
        {"RLE row without its end", sgi_rle(2, 1, 1, {{0x01, 1}})},
        {"RLE offset past the end",
         Out().raw(sgi_header(1, 1, 2, 1, 1, 1)).be32(100000).be32(2).raw({0x01, 1, 0}).b},
    };
    for (const auto &[what, bytes] : cases) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_EQ(read_with(ReadSGI, image, bytes), nullptr) << what;
    }
}

TEST(Sgi, WritesRgbaThatReadsBackIdentical) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(3, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    std::vector<unsigned char> px(24);
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 11);
    PhotoPutRGBA(image, px.data(), 0, 0, 3, 2, TAV_COMPOSE_REPLACE);
    int result = -1;
    const Bytes file = write_with(WriteSGI, image, &result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(file.size(), 512u + 24);
    EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 32), (Bytes{'U', 'n', 'k', 'n', 'o', 'w', 'n', 0}));
    EXPECT_EQ(file[512], px[12]);  // red of the bottom row first
    EXPECT_EQ(file[512 + 18], px[3 + 12]);  // alpha plane, bottom row
    PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_with(ReadSGI, back, file), back.p);
    EXPECT_EQ(rgba(back), px);
}

// ---- WBMP -----------------------------------------------------------------------

TEST(Wbmp, ReadsHeadersAndRows) {
    tavtest::interp();
    struct Case {
        const char *what;
        Bytes file;
        int width, height;
        Bytes indices;
    };
    const std::vector<Case> cases = {
        {"9 pixels wide: two bytes a row", {0, 0, 9, 1, 0xAA, 0x80}, 9, 1, {1, 0, 1, 0, 1, 0, 1, 0, 1}},
        {"multi-byte width 200", [] { Bytes b = {0, 0, 0x81, 0x48, 1}; b.resize(5 + 25, 0xFF); return b; }(), 200, 1,
         Bytes(200, 1)},
        {"extension bytes up to one with bit 7 clear", {0, 0x80, 0x81, 0x82, 0x03, 2, 1, 0x40}, 2, 1, {0, 1}},
        {"parameter entries", {0, 0xE0, 0x92, 'a', 'b', 'c', 0x01, 'z', 1, 1, 0x80}, 1, 1, {1}},
        {"extension type 01 skips nothing", {0, 0xA0, 1, 1, 0x00}, 1, 1, {0}},
    };
    for (const Case &c : cases) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_EQ(read_with(ReadWBMP, image, c.file), image.p) << c.what;
        ASSERT_EQ(PhotoWidth(image), c.width) << c.what;
        ASSERT_EQ(PhotoHeight(image), c.height) << c.what;
        EXPECT_EQ(PhotoMode(image), TAV_MODE_INDEXED) << c.what;
        Bytes got(static_cast<size_t>(c.width) * c.height);
        PhotoGetIndex(image, got.data(), 0, 0, c.width, c.height);
        EXPECT_EQ(got, c.indices) << c.what;
    }
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_NE(read_with(ReadWBMP, image, {0, 0, 2, 1, 0x40}), nullptr);
    EXPECT_EQ(tavtest::pixel(image, 0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(tavtest::pixel(image, 1, 0), (Rgba{255, 255, 255, 255}));
    for (const Bytes &bad : {Bytes{1, 0, 1, 1, 0}, Bytes{0, 0, 0, 1, 0}, Bytes{0, 0, 1, 0},
                             Bytes{0, 0xE0, 0xFF}, Bytes{0, 0x80, 0x81}, Bytes{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0}}) {
        EXPECT_EQ(read_with(ReadWBMP, image, bad), nullptr);
    }
}

TEST(Wbmp, WritesMultiByteSizesAndPackedRows) {
    tavtest::interp();
    PhotoPtr wide(PhotoCreate(200, 1, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    TavAddColormap(PhotoColormap(wide), 50, 50, 50);
    TavAddColormap(PhotoColormap(wide), 10, 10, 10);  // entry colours do not matter
    Bytes row(200, 0);
    row[0] = row[199] = 1;
    PhotoPutIndex(wide, row.data(), 0, 0, 200, 1);
    const Bytes file = write_with(WriteWBMP, wide);
    ASSERT_EQ(file.size(), 5u + 25);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 5), (Bytes{0, 0, 0x81, 0x48, 1}));
    EXPECT_EQ(file[5], 0x80);
    EXPECT_EQ(file.back(), 0x01);

    PhotoPtr nine(PhotoCreate(9, 1, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    TavAddColormap(PhotoColormap(nine), 0, 0, 0);
    TavAddColormap(PhotoColormap(nine), 1, 1, 1);
    const Bytes all(9, 1);
    PhotoPutIndex(nine, all.data(), 0, 0, 9, 1);
    EXPECT_EQ(write_with(WriteWBMP, nine), (Bytes{0, 0, 9, 1, 0xFF, 0x80}));

    // Truecolour is dithered onto black and white; 127 wide is one size byte.
    PhotoPtr colour(PhotoCreate(127, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const unsigned char white[4] = {255, 255, 255, 255};
    PhotoFill(colour, white);
    const Bytes white_file = write_with(WriteWBMP, colour);
    ASSERT_EQ(white_file.size(), 4u + 2 * 16);
    EXPECT_EQ(white_file[2], 0x7F);
    EXPECT_EQ(white_file[4 + 15], 0xFE);  // the unused low bit stays 0
    PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_with(ReadWBMP, back, white_file), back.p);
    EXPECT_EQ(tavtest::pixel(back, 126, 1), (Rgba{255, 255, 255, 255}));
}

// ---- all four -------------------------------------------------------------------

struct Format {
    const char *name;
    FormatReader reader;
    Bytes file;
    size_t whole_from;  // prefixes from this length on may read (the raster is complete)
};

std::vector<Format> small_files() {
    Out pcx;
    pcx.raw(pcx_header(5, 1, 8, 2, 1, 1, 4)).raw({0xC3, 7, 0, 1, 0xC1, 0xC8, 2, 0}).raw(pcx_trailer(12));
    return {
        {"bmp", ReadBMP, bmp({2, 2, 24, 0, 40, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}}), 70},
        {"bmp-rle", ReadBMP, bmp({4, 2, 8, 1, 40, 4, {}, grey_palette(4), {2, 1, 0, 2, 1, 1, 0, 0, 0, 3, 0, 1, 2, 0, 0, 1}}),
         SIZE_MAX},
        {"pcx", ReadPCX, pcx.b, 136},
        {"bmp-v5-alpha", ReadBMP, bmp({1, 1, 32, 3, 124, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {}, {1, 2, 3, 4}}), 142},
        {"pcx-1bit-planes", ReadPCX, Out().raw(pcx_header(5, 0, 1, 2, 0, 4, 1)).raw({0x80, 0x40, 0xA0, 0x20}).b, 132},
        {"sgi", ReadSGI, Out().raw(sgi_header(0, 1, 3, 2, 2, 4)).raw(Bytes(16, 9)).b, 528},
        {"sgi-rle", ReadSGI, sgi_rle(3, 1, 2, {{0x03, 9, 0}, {0x83, 1, 2, 3, 0}}), SIZE_MAX},
        {"wbmp", ReadWBMP, {0, 0, 9, 2, 0xAA, 0x80, 0x55, 0x00}, 8},
    };
}

TEST(RasterFormats, EveryTruncationIsRefusedOrReadsTheWholeRaster) {
    tavtest::interp();
    for (const Format &f : small_files()) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_EQ(read_with(f.reader, image, f.file), image.p) << f.name;
        const auto whole = rgba(image);
        for (size_t n = 0; n < f.file.size(); ++n) {
            const Bytes prefix(f.file.begin(), f.file.begin() + static_cast<std::ptrdiff_t>(n));
            Photo *read = read_with(f.reader, image, prefix);
            if (n < f.whole_from) {
                EXPECT_EQ(read, nullptr) << f.name << " cut at " << n;
            }
            if (read && std::string(f.name) != "pcx") {
                EXPECT_EQ(rgba(image), whole) << f.name << " cut at " << n;
            }
        }
    }
}

TEST(RasterFormats, SizeOnlyPathReadsNoPixels) {
    tavtest::interp();
    const std::vector<std::pair<FormatReader, Bytes>> huge = {
        {ReadBMP, bmp({0x7fffffff, 0x7fffffff, 24, 0, 40, 0, {}, {}, {}})},
        {ReadPCX, pcx_header(5, 1, 8, 0xFFFE, 0xFFFE, 3, 0xFFFF)},
        {ReadSGI, sgi_header(1, 1, 3, 0xFFFF, 0xFFFF, 4)},
        {ReadWBMP, {0, 0, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x87, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto &[reader, file] : huge) {
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
        ASSERT_EQ(read_with(reader, image, file), image.p);
        EXPECT_TRUE(PhotoIsNull(image));
        EXPECT_GE(PhotoWidth(image), 0xFFFF);
        EXPECT_GE(PhotoHeight(image), 0xFFFF);
    }
}

long peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Tiny files claiming 30000 x 30000 pixels and more.  The ceiling is raised
// so that only each format's own byte bound stands between the claim and
// the allocation; BMP run-length data, which no byte count bounds, is held
// by the ceiling at its default.  Peak memory shows any allocation made.
TEST(RasterFormats, TinyFilesClaimingHugePicturesAllocateNothing) {
    tavtest::interp();
    const long long ceiling = TavGetPixelCeiling();
    const Bytes junk(300, 0x41);
    struct Bomb {
        const char *what;
        FormatReader reader;
        Bytes file;
        bool ceiling_bound;
    };
    const std::vector<Bomb> bombs = {
        {"bmp plain", ReadBMP, bmp({30000, 30000, 24, 0, 40, 0, {}, {}, junk}), false},
        {"bmp 2^31-pixel rows", ReadBMP, bmp({0x7fffffff, 1, 1, 0, 40, 0, {}, grey_palette(2), junk}), false},
        {"bmp rle", ReadBMP, bmp({65535, 65535, 8, 1, 40, 2, {}, grey_palette(2), {0, 1}}), true},
        {"pcx rle", ReadPCX, Out().raw(pcx_header(5, 1, 8, 0xFFFE, 0xFFFE, 3, 0xFFFF)).raw(junk).b, false},
        {"pcx plain", ReadPCX, Out().raw(pcx_header(5, 0, 8, 29999, 29999, 1, 30000)).raw(junk).b, false},
        {"sgi verbatim", ReadSGI, Out().raw(sgi_header(0, 1, 3, 0xFFFF, 0xFFFF, 4)).raw(junk).b, false},
        {"sgi rle", ReadSGI, Out().raw(sgi_header(1, 1, 3, 0xFFFF, 0xFFFF, 4)).raw(junk).b, false},
        {"wbmp", ReadWBMP, Out().raw({0, 0, 0x81, 0xEA, 0x30, 0x81, 0xEA, 0x30}).raw(junk).b, false},
    };
    for (const Bomb &b : bombs) {
        TavSetPixelCeiling(b.ceiling_bound ? ceiling : 1LL << 40);
        const long before = peak_rss_kib();
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_EQ(read_with(b.reader, image, b.file), nullptr) << b.what;
        EXPECT_LT(peak_rss_kib() - before, 64 * 1024) << b.what;
    }
    TavSetPixelCeiling(ceiling);
    // The ceiling holds honest run-length files too.
    TavSetPixelCeiling(7);
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(read_with(ReadBMP, image, bmp({4, 2, 8, 1, 40, 2, {}, grey_palette(2), {0, 1}})), nullptr);
    TavSetPixelCeiling(ceiling);
    EXPECT_EQ(read_with(ReadBMP, image, bmp({4, 2, 8, 1, 40, 2, {}, grey_palette(2), {0, 1}})), image.p);
}

TEST(RasterFormats, BuiltinRegistryProbesAndWritesEachFormat) {
    tavtest::interp();
    FormatDb **handle = TavImageInit();
    PhotoPtr image(PhotoCreate(2, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const unsigned char red[4] = {255, 0, 0, 255};
    PhotoFill(image, red);
    for (const char *name : {"bmp", "pcx", "sgi", "wbmp"}) {
        int length = 0;
        unsigned char *data = TavWriteString(handle, image, &length, name, nullptr);
        ASSERT_NE(data, nullptr) << name;
        PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        // Probed without a name: every earlier reader refuses it first.
        EXPECT_EQ(TavReadString(handle, back, data, length, nullptr, nullptr), back.p) << name;
        EXPECT_EQ(PhotoWidth(back), 2) << name;
        TavFree(data);
    }
    TavImageClose(handle);
}

}  // namespace
