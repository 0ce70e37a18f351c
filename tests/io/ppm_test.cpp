// The PPM reader and writer at the C level: the size-only path, hostile
// headers, streams that cannot tell their length, and writes that fail.
#include <gtest/gtest.h>

#include <string>

#include "support/photo_io.h"
#include "support/tcl_env.h"

namespace {

using tavtest::PhotoPtr;

Photo *read_string(Photo *image, const std::string &bytes) {
    return tavtest::read_with(ReadPPM, image, tavtest::Bytes(bytes.begin(), bytes.end()));
}

TEST(Ppm, ReadsRgbAndGrey) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_EQ(read_string(image, std::string("P6 2 2 255\n") + "abcdefghijkl"), image.p);
    EXPECT_EQ(PhotoMode(image), TAV_MODE_RGBA);
    EXPECT_EQ(tavtest::pixel(image, 1, 1), (std::array<unsigned char, 4>{'j', 'k', 'l', 255}));
    ASSERT_EQ(read_string(image, std::string("P5 1 2 15\n") + "\x0f\x08"), image.p);
    EXPECT_EQ(PhotoMode(image), TAV_MODE_GRAY);
    EXPECT_EQ(tavtest::pixel(image, 0, 0), (std::array<unsigned char, 4>{255, 255, 255, 255}));
    EXPECT_EQ(tavtest::pixel(image, 0, 1), (std::array<unsigned char, 4>{136, 136, 136, 255}));
}

TEST(Ppm, NullRendererLearnsTheSizeWithoutPixels) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
    // No raster at all, and a size no memory could hold: still only a size.
    ASSERT_EQ(read_string(image, "P6 2147483647 2147483647 255\n"), image.p);
    EXPECT_EQ(PhotoWidth(image), 2147483647);
    EXPECT_EQ(PhotoHeight(image), 2147483647);
    EXPECT_TRUE(PhotoIsNull(image));
}

TEST(Ppm, HostileSizesAreRefusedCleanly) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    for (const char *header : {"P6 2147483647 2147483647 255\n", "P5 2147483647 2147483647 1\n",
                               "P6 65536 65536 255\n", "P5 1 2147483647 255\n"}) {
        EXPECT_EQ(read_string(image, std::string(header) + "some bytes"), nullptr) << header;
        EXPECT_EQ(PhotoWidth(image), 0) << header;
    }
}

TEST(Ppm, EveryTruncationIsRefusedAndEveryByteFlipSurvives) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    const std::string whole = std::string("P6\n# c\n3 2\n255\n") + std::string(18, '\x7f');
    for (size_t n = 0; n < whole.size(); ++n)
        EXPECT_EQ(read_string(image, whole.substr(0, n)), nullptr) << n;
    EXPECT_NE(read_string(image, whole), nullptr);
    // Damaged headers either read as some small image or are refused.
    for (size_t at = 0; at < 16; ++at) {
        for (int value : {0, int('#'), int(' '), int('\n'), int('9'), int('-'), 0xff}) {
            std::string damaged = whole;
            damaged[at] = static_cast<char>(value);
            if (Photo *result = read_string(image, damaged)) {
                EXPECT_LE(PhotoWidth(result) * PhotoHeight(result), 18);
            }
        }
    }
}

TEST(Ppm, SampleAboveMaxvalKeepsTheLowByte) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    ASSERT_NE(read_string(image, std::string("P5 1 1 15\n") + "\xc8"), nullptr);
    EXPECT_EQ(tavtest::pixel(image, 0, 0)[0], (200 * 255 / 15) & 0xFF);
}

// A stream kind like a pipe: bytes arrive in small pieces, and it can
// neither seek nor tell its length.  extra1 counts the bytes delivered.
struct Trickle {
    std::string bytes;
    size_t at = 0;
};

int trickle_read(AuxIO *s, unsigned char *buffer, int n) {
    auto *t = static_cast<Trickle *>(s->handle);
    const size_t count = std::min<size_t>({static_cast<size_t>(n), t->bytes.size() - t->at, 1000});
    std::copy_n(t->bytes.data() + t->at, count, buffer);
    t->at += count;
    s->extra1 += static_cast<int>(count);
    return static_cast<int>(count);
}

int trickle_getc(AuxIO *s) {
    unsigned char c;
    return trickle_read(s, &c, 1) == 1 ? c : -1;
}

AuxIO *open_trickle(Trickle *t) {
    static bool registered = false;
    if (!registered) {
        AuxIOOps ops;
        AuxIO_Reset(&ops);
        ops.getc = trickle_getc;
        ops.read = trickle_read;
        AuxIO_Register("test-trickle", &ops);
        registered = true;
    }
    return AuxIO_Init("test-trickle", t, nullptr, 0, 0, 0);
}

TEST(Ppm, StreamWithoutLengthIsGatheredAsDataArrives) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    Trickle t;
    t.bytes = "P6 300 2000 255\n";
    std::string raster(300 * 2000 * 3, '\0');
    for (size_t i = 0; i < raster.size(); ++i) raster[i] = static_cast<char>(i * 7);
    t.bytes += raster;
    AuxIO *s = open_trickle(&t);
    ASSERT_EQ(ReadPPM(s, image, nullptr), image.p);
    AuxIO_Close(s);
    std::string back(raster.size(), '\0');
    PhotoGetRGB(image, reinterpret_cast<unsigned char *>(back.data()), 0, 0, 300, 2000);
    EXPECT_EQ(back, raster);
}

TEST(Ppm, StreamWithoutLengthAndAHugeClaimIsRefused) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    Trickle t;
    t.bytes = "P6 2147483647 2147483647 255\n" + std::string(5000, 'x');
    AuxIO *s = open_trickle(&t);
    EXPECT_EQ(ReadPPM(s, image, nullptr), nullptr);
    EXPECT_LT(t.at, 100u);  // refused by the pixel ceiling before the raster
    AuxIO_Close(s);
    EXPECT_EQ(PhotoWidth(image), 0);
}

TEST(Ppm, WriteEveryModeAsRgb) {
    tavtest::interp();
    PhotoPtr grey(PhotoCreate(2, 1, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    const unsigned char levels[2] = {5, 250};
    PhotoPutGray(grey, levels, 0, 0, 2, 1);
    unsigned char *buffer = nullptr;
    AuxIO *s = AuxIO_Init("string", &buffer, nullptr, 0, 0, 0);
    EXPECT_EQ(WritePPM(s, grey, ""), 0);
    const int length = s->length;
    AuxIO_Close(s);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), length), std::string("P6\n2 1\n255\n\x05\x05\x05\xfa\xfa\xfa"));
    TavFree(buffer);
}

// A sink that takes a fixed number of bytes and then refuses.
int full_write(AuxIO *s, const unsigned char *, int n) {
    const int room = s->extra2 - s->extra1;
    const int taken = n < room ? n : room;
    s->extra1 += taken;
    return taken > 0 ? taken : -1;
}

TEST(Ppm, WriterStopsAtTheFirstFailedWrite) {
    tavtest::interp();
    AuxIOOps ops;
    AuxIO_Reset(&ops);
    ops.write = full_write;
    AuxIO_Register("test-full", &ops);
    PhotoPtr image(PhotoCreate(100, 100, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    AuxIO *s = AuxIO_Init("test-full", nullptr, nullptr, 0, 1000, 0);
    EXPECT_EQ(WritePPM(s, image, ""), 1);
    EXPECT_EQ(s->error, 1);
    EXPECT_EQ(s->extra1, 1000);
    AuxIO_Close(s);
}

}  // namespace
