// PNG reading and writing: peer-made fixtures against their reference
// pixels, the size-only path, damaged and hostile files, and files we write
// checked by netpbm's decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "io/codec_support.h"

using namespace codectest;

namespace {

uint32_t crc32_of(const unsigned char *p, size_t n) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put_be32(unsigned char *p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Offset of the first chunk of `type` (its length field), or 0.
size_t chunk_at(const Bytes &png, const char *type) {
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length = (uint32_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0) return at;
        at += 12 + length;
    }
    return 0;
}

// rgba.png with the IHDR size replaced, CRC kept valid.
Bytes with_size(uint32_t width, uint32_t height) {
    Bytes png = fixture("rgba.png");
    put_be32(&png[16], width);
    put_be32(&png[20], height);
    put_be32(&png[29], crc32_of(&png[12], 17));
    return png;
}

Photo *new_image(int renderer = TAV_RENDER_MEMORY) {
    tavtest::interp();
    return PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
}

bool reads(const Bytes &png) {
    PhotoPtr image(new_image());
    return read_into(ReadPNG, png, image);
}

class PngFixture : public ::testing::TestWithParam<const char *> {};

TEST_P(PngFixture, DecodesToThePeerPixels) {
    const std::string name = GetParam();
    PhotoPtr image(new_image());
    ASSERT_TRUE(read_into(ReadPNG, fixture(name), image));
    EXPECT_EQ(PhotoWidth(image), 23);
    EXPECT_EQ(PhotoHeight(image), 17);
    EXPECT_TRUE(PhotoIsTruecolor(image));
    EXPECT_EQ(tavtest::rgba_of(image), fixture(name + ".rgba"));
}

INSTANTIATE_TEST_SUITE_P(Png, PngFixture,
                         ::testing::Values("rgb16.png", "rgba.png", "rgba_interlaced.png", "palette_trns.png",
                                           "gray1.png", "gray_alpha.png"));

TEST(PngRead, LayoutsMapToRgba) {
    PhotoPtr deep(new_image()), palette(new_image()), bits(new_image());
    ASSERT_TRUE(read_into(ReadPNG, fixture("rgb16.png"), deep));
    ASSERT_TRUE(read_into(ReadPNG, fixture("palette_trns.png"), palette));
    ASSERT_TRUE(read_into(ReadPNG, fixture("gray1.png"), bits));
    // 16-bit samples keep their high byte, alpha is opaque.
    EXPECT_EQ(tavtest::pixel(deep, 3, 2), (std::array<unsigned char, 4>{39, 30, 79, 255}));
    // tRNS gives each palette entry its own alpha: entry (x + y) % 8.
    EXPECT_EQ(tavtest::pixel(palette, 0, 0)[3], 0);
    EXPECT_EQ(tavtest::pixel(palette, 1, 0)[3], 40);
    EXPECT_EQ(tavtest::pixel(palette, 3, 2)[3], 200);
    EXPECT_EQ(tavtest::pixel(palette, 7, 0)[3], 255);
    // One-bit grey expands to the levels 0 and 255 only.
    const Bytes rgba = tavtest::rgba_of(bits);
    bool seen[2] = {false, false};
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_TRUE(rgba[i] == 0 || rgba[i] == 255);
        seen[rgba[i] / 255] = true;
        EXPECT_EQ(rgba[i + 1], rgba[i]);
        EXPECT_EQ(rgba[i + 3], 255);
    }
    EXPECT_TRUE(seen[0] && seen[1]);
}

TEST(PngRead, InterlacedMatchesItsTwin) {
    PhotoPtr plain(new_image()), interlaced(new_image());
    ASSERT_TRUE(read_into(ReadPNG, fixture("rgba.png"), plain));
    ASSERT_TRUE(read_into(ReadPNG, fixture("rgba_interlaced.png"), interlaced));
    EXPECT_EQ(tavtest::rgba_of(plain), tavtest::rgba_of(interlaced));
}

TEST(PngRead, NullRendererLearnsTheSizeFromTheFirst24Bytes) {
    Bytes head = fixture("rgba_interlaced.png");
    head.resize(24);
    PhotoPtr image(new_image(TAV_RENDER_NULL));
    ASSERT_TRUE(read_into(ReadPNG, head, image));
    EXPECT_EQ(PhotoWidth(image), 23);
    EXPECT_EQ(PhotoHeight(image), 17);

    PhotoPtr refused(new_image(TAV_RENDER_NULL));
    Bytes not_ihdr = head;
    std::memcpy(&not_ihdr[12], "IHDX", 4);
    EXPECT_FALSE(read_into(ReadPNG, not_ihdr, refused));
    Bytes zero_width = head;
    put_be32(&zero_width[16], 0);
    EXPECT_FALSE(read_into(ReadPNG, zero_width, refused));
    Bytes negative_height = head;
    put_be32(&negative_height[20], 0x80000000u);
    EXPECT_FALSE(read_into(ReadPNG, negative_height, refused));
    head.resize(20);
    EXPECT_FALSE(read_into(ReadPNG, head, refused));
}

TEST(PngRead, RefusesDamagedFiles) {
    const Bytes good = fixture("rgba.png");
    const size_t idat = chunk_at(good, "IDAT");
    ASSERT_GT(idat, 0u);
    EXPECT_TRUE(reads(good));

    Bytes bad_signature = good;
    bad_signature[1] = 'Q';
    EXPECT_FALSE(reads(bad_signature));

    Bytes bad_header_crc = good;
    bad_header_crc[30] ^= 0x55;
    EXPECT_FALSE(reads(bad_header_crc));

    Bytes bad_data_crc = good;
    bad_data_crc[idat + 8 + 20] ^= 0x55;  // inside the image data, CRC now wrong
    EXPECT_FALSE(reads(bad_data_crc));

    for (size_t cut : {size_t{12}, size_t{33}, idat + 8, idat + 30, good.size() - 12, good.size() - 1}) {
        Bytes truncated(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(reads(truncated)) << "cut at " << cut;
    }
}

TEST(PngRead, RefusesSizesThatCannotBeHeld) {
    // Within libpng's limits, but beyond any Photo, from a stream that
    // cannot tell how much data follows.
    const Bytes huge = with_size(1000000, 1000000);
    AuxIO *stream = unsized_stream(huge);
    PhotoPtr image(new_image());
    EXPECT_EQ(ReadPNG(stream, image, nullptr), nullptr);
    AuxIO_Close(stream);
    EXPECT_FALSE(reads(huge));
    // Beyond libpng's limits.
    EXPECT_FALSE(reads(with_size(0x7fffffff, 1)));
    // A few hundred bytes cannot inflate to 40000 x 20000 pixels: refused
    // before anything is allocated for them.
    EXPECT_FALSE(reads(with_size(40000, 20000)));
}

TEST(PngRead, SurvivesEveryByteFlipped) {
    for (const char *name : {"rgba_interlaced.png", "palette_trns.png", "rgb16.png"}) {
        const Bytes good = fixture(name);
        for (size_t at = 0; at < good.size(); ++at) {
            Bytes damaged = good;
            damaged[at] ^= static_cast<unsigned char>(0x5a + at);
            reads(damaged);  // accepted or not, it must not crash or leak
        }
    }
}

// A truncated PNG is refused and the stream rewound for the next format.
const char *probed_next = nullptr;
Photo *spy_reader(AuxIO *stream, Photo *, const char *) {
    probed_next = AuxIO_Tell(stream) == 0 ? "at start" : "not rewound";
    return nullptr;
}

TEST(PngRead, GenericReaderProbesTheNextFormatAfterATruncatedPng) {
    tavtest::interp();
    FormatDb **handle = TavImageInit();
    DbClean(*handle);
    DbRegister(*handle, "spy", nullptr, nullptr, spy_reader, nullptr);
    DbRegister(*handle, "png", nullptr, nullptr, ReadPNG, WritePNG);
    Bytes png = fixture("rgba.png");
    png.resize(png.size() / 2);
    PhotoPtr image(new_image());
    probed_next = nullptr;
    EXPECT_EQ(TavReadString(handle, image, png.data(), static_cast<int>(png.size()), nullptr, nullptr), nullptr);
    EXPECT_STREQ(probed_next, "at start");
    TavImageClose(handle);
}

TEST(PngRead, BuiltinRegistryFindsPngByItsSignature) {
    tavtest::interp();
    FormatDb **handle = TavImageInit();
    Bytes png = fixture("palette_trns.png");
    PhotoPtr image(new_image());
    EXPECT_EQ(TavReadString(handle, image, png.data(), static_cast<int>(png.size()), nullptr, nullptr), image.p);
    EXPECT_EQ(tavtest::rgba_of(image), fixture("palette_trns.png.rgba"));
    TavImageClose(handle);
}

class PngWrite : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PngWrite, TruecolourIsInterlacedRgbaThatPeersDecode) {
    const auto [w, h] = GetParam();
    tavtest::interp();
    PhotoPtr image(PhotoCreate(w, h, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(image, true);
    int result = -1;
    const Bytes png = write_with(WritePNG, image, &result);
    EXPECT_EQ(result, 0);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png[24], 8);   // bit depth
    EXPECT_EQ(png[25], 6);   // RGBA
    EXPECT_EQ(png[28], 1);   // Adam7
    const Decoded peer = decode_with_peer("pngtopam -alphapam", png);
    EXPECT_EQ(peer.width, w);
    EXPECT_EQ(peer.height, h);
    EXPECT_EQ(peer.depth, 4);
    EXPECT_EQ(peer.rgba, tavtest::rgba_of(image));

    PhotoPtr back(new_image());
    ASSERT_TRUE(read_into(ReadPNG, png, back));
    EXPECT_EQ(tavtest::rgba_of(back), tavtest::rgba_of(image));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PngWrite,
                         ::testing::Values(std::pair{1, 1}, std::pair{7, 5}, std::pair{23, 17}, std::pair{130, 3}));

TEST(PngWrite, GrayscaleIsInterlacedEightBitGrey) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(19, 11, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    paint_test_picture(image, false);
    const Bytes png = write_with(WritePNG, image);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 0);
    EXPECT_EQ(png[28], 1);
    const Decoded peer = decode_with_peer("pngtopam", png);
    EXPECT_EQ(peer.depth, 1);
    EXPECT_EQ(peer.rgba, tavtest::rgba_of(image));
}

// The writer picks its compression per picture: a flat drawing must still
// deflate to a small file, and every kind (flat, grainy photo, smooth
// gradient: each takes another filter) must come back exactly, from rows
// read in place (RGBA, grey) and through the pixel functions (indexed).
TEST(PngWrite, EveryKindOfPictureRoundTripsInEveryMode) {
    tavtest::interp();
    for (int mode : {TAV_MODE_RGBA, TAV_MODE_GRAY, TAV_MODE_INDEXED}) {
        for (const char *kind : {"flat", "grainy", "smooth"}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " " + kind);
            PhotoPtr image(PhotoCreate(256, 256, mode, TAV_RENDER_MEMORY));
            Bytes rgb(256 * 3);
            uint32_t seed = 99;
            for (int y = 0; y < 256; ++y) {
                for (int x = 0; x < 256; ++x)
                    for (int c = 0; c < 3; ++c) {
                        seed = seed * 1103515245u + 12345u;
                        const int value = kind[0] == 'f'   ? (x / 64 + y / 64) * 40 + c * 10
                                          : kind[0] == 'g' ? (seed >> 16) & 0xFF
                                                           : (x * (c + 1) + y * (3 - c)) / 4;
                        rgb[3 * x + c] = static_cast<unsigned char>(value);
                    }
                PhotoPutRGB(image, rgb.data(), 0, y, 256, 1);
            }
            const Bytes png = write_with(WritePNG, image);
            if (kind[0] == 'f') {
                EXPECT_LT(png.size(), 4096u);
            }
            PhotoPtr back(new_image());
            ASSERT_TRUE(read_into(ReadPNG, png, back));
            EXPECT_EQ(tavtest::rgba_of(back), tavtest::rgba_of(image));
        }
    }
}

TEST(PngWrite, FailingStreamsAndEmptyImagesAreFailures) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(64, 64, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(image, true);
    const int full = static_cast<int>(write_with(WritePNG, image).size());
    for (int budget : {0, 20, 100, full / 2, full - 1}) {
        AuxIO *stream = limited_stream(budget);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(WritePNG(stream, image, ""), 1) << "budget " << budget;
        AuxIO_Close(stream);
    }
    AuxIO *enough = limited_stream(full);
    EXPECT_EQ(WritePNG(enough, image, ""), 0);
    AuxIO_Close(enough);

    PhotoPtr empty(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    int result = -1;
    write_with(WritePNG, empty, &result);
    EXPECT_EQ(result, 1);
}

}  // namespace
