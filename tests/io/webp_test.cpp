// WebP at the C level: lossless and lossy round trips with alpha, the
// option text, the size-only path, every truncation, lying headers, and
// the registry's probing.
#include <gtest/gtest.h>

#include <cstring>

#include "io/codec_support.h"

using namespace codectest;

namespace {

Bytes encode(Photo *image, const char *options) {
    int verdict = -1;
    Bytes out = write_with(WriteWEBP, image, &verdict, options);
    EXPECT_EQ(verdict, 0) << options;
    return out;
}

// A 41 x 29 picture with ramps, a hard edge and alpha from 0 to 255.
Photo *make_picture() {
    Photo *image = PhotoCreate(41, 29, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    Bytes row(41 * 4);
    for (int y = 0; y < 29; ++y) {
        for (int x = 0; x < 41; ++x) {
            unsigned char *p = &row[4 * x];
            p[0] = static_cast<unsigned char>(x * 6);
            p[1] = static_cast<unsigned char>(x < 20 ? 30 : 220);
            p[2] = static_cast<unsigned char>(y * 8);
            p[3] = static_cast<unsigned char>((x * 7 + y * 3) % 256);
        }
        PhotoPutRGBA(image, row.data(), 0, y, 41, 1, TAV_COMPOSE_REPLACE);
    }
    return image;
}

int max_difference(const Bytes &a, const Bytes &b, int channel) {
    int worst = 0;
    for (size_t i = static_cast<size_t>(channel); i < a.size() && i < b.size(); i += 4)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

TEST(Webp, RoundTripsLosslessExactlyAndLossyWithItsAlpha) {
    tavtest::interp();
    PhotoPtr picture(make_picture());
    const Bytes source = tavtest::rgba_of(picture);
    struct Case {
        const char *options;
        const char *chunk;  // the first chunk after the RIFF header
        int colour_error;   // largest difference allowed in a colour channel
    } cases[] = {
        {"-lossless 1", "VP8L", 0},
        {"-lossless yes", "VP8L", 0},
        {"", "VP8X", 64},
        {"-lossless 0", "VP8X", 64},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        const Bytes file = encode(picture, c.options);
        ASSERT_GT(file.size(), 20u);
        EXPECT_EQ(std::memcmp(file.data() + 12, c.chunk, 4), 0);
        PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_TRUE(read_into(ReadWEBP, file, back));
        ASSERT_EQ(PhotoWidth(back), 41);
        ASSERT_EQ(PhotoHeight(back), 29);
        const Bytes got = tavtest::rgba_of(back);
        EXPECT_EQ(max_difference(got, source, 3), 0);  // alpha is coded losslessly either way
        if (c.colour_error == 0) {
            EXPECT_EQ(got, source);
        }
        // Lossy colour is compared where it is visible.
        for (int channel = 0; channel < 3 && c.colour_error; ++channel)
            EXPECT_LE(max_difference(got, source, channel), c.colour_error);
    }
}

TEST(Webp, SaveQualityAndOptionsAreHonoured) {
    tavtest::interp();
    PhotoPtr picture(make_picture());
    PhotoSetQuality(picture, 10);
    const size_t low = encode(picture, "").size();
    PhotoSetQuality(picture, 95);
    EXPECT_GT(encode(picture, "").size(), low);
    // Option text that is not a list of pairs, or no boolean, writes nothing.
    for (const char *bad : {"-lossless", "-lossless maybe", "{"}) {
        int verdict = 0;
        write_with(WriteWEBP, picture, &verdict, bad);
        EXPECT_NE(verdict, 0) << bad;
    }
}

TEST(Webp, TruncationsAndLyingHeadersAreRefused) {
    tavtest::interp();
    PhotoPtr picture(make_picture());
    for (const char *options : {"-lossless 1", ""}) {
        const Bytes file = encode(picture, options);
        for (size_t n = 0; n < file.size(); ++n) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
            PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
            EXPECT_FALSE(read_into(ReadWEBP, prefix, image)) << options << " cut at " << n;
        }
        // A RIFF size past the end of the stream, and one too small for a chunk.
        Bytes longer = file, shorter = file;
        longer[7] = 0x40;
        shorter[4] = 4, shorter[5] = shorter[6] = shorter[7] = 0;
        // (The size-only path answers from the header, as for every format.)
        for (const Bytes *lie : {&longer, &shorter}) {
            PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
            EXPECT_FALSE(read_into(ReadWEBP, *lie, image));
        }
        PhotoPtr size_only(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
        EXPECT_FALSE(read_into(ReadWEBP, shorter, size_only));
    }
}

// A lossless header of 16383 x 16384 pixels: the size-only path reports it,
// and a decode under a ceiling below it refuses before anything of that
// size is allocated.
TEST(Webp, SizeOnlyPathAndCeiling) {
    tavtest::interp();
    const unsigned char huge[] = {'R', 'I', 'F', 'F', 26, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L',
                                  13, 0, 0, 0, 0x2f, 0xfe, 0xff, 0xff, 0x0f, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes file(huge, huge + sizeof huge);
    const long long ceiling = TavGetPixelCeiling();
    TavSetPixelCeiling(1LL << 30);
    PhotoPtr size_only(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
    ASSERT_TRUE(read_into(ReadWEBP, file, size_only));
    EXPECT_EQ(PhotoWidth(size_only), 16383);
    EXPECT_EQ(PhotoHeight(size_only), 16384);
    TavSetPixelCeiling(1 << 20);
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_FALSE(read_into(ReadWEBP, file, image));
    EXPECT_EQ(PhotoWidth(image), 0);
    TavSetPixelCeiling(ceiling);
}

TEST(Webp, RegistryProbesItAfterTheOthersAndPassesOptions) {
    tavtest::interp();
    FormatDb **handle = TavImageInit();
    PhotoPtr picture(make_picture());
    int length = 0;
    unsigned char *data = TavWriteString(handle, picture, &length, "webp -lossless 1", nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data + 12, "VP8L", 4), 0);
    PhotoPtr back(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    EXPECT_EQ(TavReadString(handle, back, data, length, nullptr, nullptr), back.p);
    EXPECT_EQ(tavtest::rgba_of(back), tavtest::rgba_of(picture));
    TavFree(data);
    // Probed after every other format.
    const FormatLink *last = (*handle)->first;
    while (last->next) last = last->next;
    EXPECT_STREQ(last->entry->label, "webp");
    TavImageClose(handle);
}

}  // namespace
