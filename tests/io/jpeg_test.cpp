// JPEG reading and writing: peer-made fixtures against their reference
// pixels, the marker walk of the size-only path, damaged and hostile files,
// the quality mapping, and files we write checked by netpbm's decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "io/codec_support.h"

using namespace codectest;

namespace {

Photo *new_image(int renderer = TAV_RENDER_MEMORY, int width = 0, int height = 0) {
    tavtest::interp();
    return PhotoCreate(width, height, TAV_MODE_RGBA, renderer);
}

bool reads(const Bytes &jpeg) {
    PhotoPtr image(new_image());
    return read_into(ReadJPG, jpeg, image);
}

// Offset of the first FF <code> marker, or 0.
size_t marker_at(const Bytes &jpeg, unsigned char code) {
    for (size_t at = 2; at + 1 < jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] == code) return at;
    return 0;
}

// A start-of-frame segment: FF Cn, length, precision, height, width, ...
Bytes with_frame_size(const char *name, unsigned char sof, int width, int height) {
    Bytes jpeg = fixture(name);
    const size_t at = marker_at(jpeg, sof);
    EXPECT_GT(at, 0u);
    jpeg[at + 5] = static_cast<unsigned char>(height >> 8);
    jpeg[at + 6] = static_cast<unsigned char>(height);
    jpeg[at + 7] = static_cast<unsigned char>(width >> 8);
    jpeg[at + 8] = static_cast<unsigned char>(width);
    return jpeg;
}

TEST(JpegLibrary, SelfCheckPassesAndLoadingIsANoOp) {
    tavtest::interp();
    EXPECT_EQ(load_jpeg_library(), 1);
    EXPECT_EQ(load_jpeg_library(), 1);
    EXPECT_EQ(LoadDLL(), 0);
    EXPECT_EQ(CloseDLL(), 0);
}

class JpegFixture : public ::testing::TestWithParam<const char *> {};

TEST_P(JpegFixture, DecodesCloseToThePeerPixels) {
    const std::string name = GetParam();
    PhotoPtr image(new_image());
    ASSERT_TRUE(read_into(ReadJPG, fixture(name), image));
    EXPECT_EQ(PhotoWidth(image), 23);
    EXPECT_EQ(PhotoHeight(image), 17);
    EXPECT_TRUE(PhotoIsTruecolor(image));
    EXPECT_LE(max_difference(tavtest::rgba_of(image), fixture(name + ".rgba")), 2);
}

INSTANTIATE_TEST_SUITE_P(Jpeg, JpegFixture, ::testing::Values("colour.jpg", "gray.jpg", "progressive.jpg"));

TEST(JpegRead, GreyFilesGiveEqualChannels) {
    PhotoPtr image(new_image());
    ASSERT_TRUE(read_into(ReadJPG, fixture("gray.jpg"), image));
    const Bytes rgba = tavtest::rgba_of(image);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_EQ(rgba[i + 1], rgba[i]);
        ASSERT_EQ(rgba[i + 2], rgba[i]);
        ASSERT_EQ(rgba[i + 3], 255);
    }
}

TEST(JpegRead, RefusesTwelveBitAndOtherFormats) {
    Bytes twelve_bit = fixture("colour.jpg");
    const size_t sof = marker_at(twelve_bit, 0xC0);
    ASSERT_GT(sof, 0u);
    twelve_bit[sof + 4] = 12;
    EXPECT_FALSE(reads(twelve_bit));
    EXPECT_TRUE(reads(fixture("cmyk.jpg")));
    EXPECT_FALSE(reads(fixture("rgba.png")));
}

TEST(JpegRead, SizeOnlyPathWalksTheMarkers) {
    // A progressive file cut just after its frame header still gives its size.
    Bytes progressive = fixture("progressive.jpg");
    const size_t sof = marker_at(progressive, 0xC2);
    ASSERT_GT(sof, 0u);
    progressive.resize(sof + 9);
    PhotoPtr image(new_image(TAV_RENDER_NULL));
    ASSERT_TRUE(read_into(ReadJPG, progressive, image));
    EXPECT_EQ(PhotoWidth(image), 23);
    EXPECT_EQ(PhotoHeight(image), 17);

    // Fill bytes before a marker code are skipped.
    const Bytes filled = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xC0, 0, 17, 8, 0x01, 0x2C, 0x00, 0xC8};
    ASSERT_TRUE(read_into(ReadJPG, filled, image));
    EXPECT_EQ(PhotoWidth(image), 200);
    EXPECT_EQ(PhotoHeight(image), 300);

    PhotoPtr refused(new_image(TAV_RENDER_NULL));
    Bytes lossless = fixture("colour.jpg");
    lossless[marker_at(lossless, 0xC0) + 1] = 0xC3;  // skipped like any segment
    EXPECT_FALSE(read_into(ReadJPG, lossless, refused));
    EXPECT_FALSE(read_into(ReadJPG, with_frame_size("colour.jpg", 0xC0, 0, 17), refused));
    EXPECT_FALSE(read_into(ReadJPG, Bytes{0xFF, 0xD8, 0xFE}, refused));
    EXPECT_FALSE(read_into(ReadJPG, Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01}, refused));  // length 1
    Bytes cut = fixture("colour.jpg");
    cut.resize(marker_at(cut, 0xC0) + 5);
    EXPECT_FALSE(read_into(ReadJPG, cut, refused));
}

// A comment segment of `body` bytes (`length` = body + 2), optional junk
// before the next marker, then a frame header of 300 x 200.
Bytes comment_then_frame(int body, int junk) {
    const unsigned char head[] = {0xFF, 0xD8, 0xFF, 0xFE, static_cast<unsigned char>((body + 2) >> 8),
                                  static_cast<unsigned char>(body + 2)};
    const unsigned char frame[] = {0xFF, 0xC0, 0, 17, 8, 0x00, 0xC8, 0x01, 0x2C};
    Bytes jpeg(sizeof head + static_cast<size_t>(body + junk) + sizeof frame, 0x41);
    std::memcpy(jpeg.data(), head, sizeof head);
    std::memset(jpeg.data() + sizeof head + body, 0x42, static_cast<size_t>(junk));
    std::memcpy(jpeg.data() + sizeof head + body + junk, frame, sizeof frame);
    return jpeg;
}

TEST(JpegRead, SizeOnlyPathSkipsLongSegmentsAndJunk) {
    // Bodies around the 256-byte pieces the walk discards in, and a long
    // one; junk between a segment and the next marker is passed over.
    for (int body : {1, 254, 255, 256, 257, 511, 512, 5000}) {
        for (int junk : {0, 3}) {
            PhotoPtr image(new_image(TAV_RENDER_NULL));
            ASSERT_TRUE(read_into(ReadJPG, comment_then_frame(body, junk), image))
                << "body " << body << " junk " << junk;
            EXPECT_EQ(PhotoWidth(image), 300);
            EXPECT_EQ(PhotoHeight(image), 200);
        }
    }
    // Junk right after the start marker, which libjpeg passes over too.
    Bytes early = comment_then_frame(1, 0);
    early.insert(early.begin() + 2, {0x00, 0x42, 0x42});
    PhotoPtr after_start(new_image(TAV_RENDER_NULL));
    EXPECT_TRUE(read_into(ReadJPG, early, after_start));
    EXPECT_EQ(PhotoWidth(after_start), 300);
    // A segment longer than the stream ends the walk.
    Bytes cut = comment_then_frame(700, 0);
    cut.resize(300);
    PhotoPtr refused(new_image(TAV_RENDER_NULL));
    EXPECT_FALSE(read_into(ReadJPG, cut, refused));
}

TEST(JpegRead, TruncatedFilesDecodeToTheEnd) {
    tavtest::interp();
    PhotoPtr picture(PhotoCreate(64, 64, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(picture, false);
    Bytes jpeg = write_with(WriteJPG, picture);
    PhotoPtr whole(new_image()), cut(new_image());
    ASSERT_TRUE(read_into(ReadJPG, jpeg, whole));
    jpeg.resize(jpeg.size() * 3 / 4);
    ASSERT_TRUE(read_into(ReadJPG, jpeg, cut));
    EXPECT_EQ(PhotoWidth(cut), 64);
    EXPECT_EQ(PhotoHeight(cut), 64);
    // The rows well before the cut are intact.
    const Bytes a = tavtest::rgba_of(whole), b = tavtest::rgba_of(cut);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 64 * 12 * 4), Bytes(b.begin(), b.begin() + 64 * 12 * 4));
    EXPECT_NE(a, b);
}

TEST(JpegRead, RefusesSizesThatCannotBeHeld) {
    EXPECT_FALSE(reads(with_frame_size("colour.jpg", 0xC0, 65500, 65500)));
    EXPECT_FALSE(reads(with_frame_size("progressive.jpg", 0xC2, 65500, 65500)));
}

TEST(JpegRead, SurvivesEveryByteFlipped) {
    for (const char *name : {"colour.jpg", "progressive.jpg", "gray.jpg"}) {
        const Bytes good = fixture(name);
        for (size_t at = 0; at < good.size(); ++at) {
            Bytes damaged = good;
            damaged[at] ^= static_cast<unsigned char>(0x5a + at);
            reads(damaged);  // accepted or not, it must not crash or leak
        }
    }
}

TEST(JpegRead, SizeFollowsThePhotoUnlessTheJpegCoversIt) {
    const Bytes jpeg = fixture("colour.jpg");  // 23 x 17
    PhotoPtr larger(new_image(TAV_RENDER_MEMORY, 40, 40));
    ASSERT_TRUE(read_into(ReadJPG, jpeg, larger));
    EXPECT_EQ(PhotoWidth(larger), 40);
    EXPECT_EQ(PhotoHeight(larger), 40);
    EXPECT_EQ(tavtest::pixel(larger, 39, 39), (std::array<unsigned char, 4>{192, 192, 192, 0}));  // blank

    PhotoPtr asked(new_image(TAV_RENDER_MEMORY, 40, 40));
    ASSERT_TRUE(read_into(ReadJPG, jpeg, asked, reinterpret_cast<const char *>(1)));
    EXPECT_EQ(PhotoWidth(asked), 23);
    EXPECT_EQ(PhotoHeight(asked), 17);

    PhotoPtr smaller(new_image(TAV_RENDER_MEMORY, 10, 10));
    ASSERT_TRUE(read_into(ReadJPG, jpeg, smaller));
    EXPECT_EQ(PhotoWidth(smaller), 23);
    EXPECT_EQ(PhotoHeight(smaller), 17);
}

TEST(JpegRead, BuiltinRegistryFindsJpegAfterTheOtherProbes) {
    tavtest::interp();
    FormatDb **handle = TavImageInit();
    Bytes jpeg = fixture("progressive.jpg");
    PhotoPtr image(new_image());
    EXPECT_EQ(TavReadString(handle, image, jpeg.data(), static_cast<int>(jpeg.size()), nullptr, nullptr), image.p);
    EXPECT_LE(max_difference(tavtest::rgba_of(image), fixture("progressive.jpg.rgba")), 2);
    TavImageClose(handle);
}

// libjpeg's scaling of its standard luminance table for a quality.
int scaled(int base, int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    return std::clamp((base * scale + 50) / 100, 1, 255);
}

TEST(JpegWrite, QualityMapsOntoLibjpegQuality) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(16, 16, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(image, false);
    const std::pair<int, int> mapping[] = {{50, 62}, {1, 25}, {0, 25}, {100, 99}, {-1, 75}, {80, 84}};
    for (const auto &[setting, quality] : mapping) {
        PhotoSetQuality(image, setting);
        const Bytes jpeg = write_with(WriteJPG, image);
        const size_t dqt = marker_at(jpeg, 0xDB);
        ASSERT_GT(dqt, 0u);
        // The first table in zig-zag order: 16, 11, 12 before scaling.
        EXPECT_EQ(jpeg[dqt + 5], scaled(16, quality)) << "setting " << setting;
        EXPECT_EQ(jpeg[dqt + 6], scaled(11, quality)) << "setting " << setting;
        EXPECT_EQ(jpeg[dqt + 7], scaled(12, quality)) << "setting " << setting;
    }
}

TEST(JpegWrite, ColourFilesDecodeInThePeer) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(37, 21, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(image, false);
    PhotoSetQuality(image, 100);
    int result = -1;
    const Bytes jpeg = write_with(WriteJPG, image, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(jpeg[marker_at(jpeg, 0xC0) + 9], 3);  // components
    const Decoded peer = decode_with_peer("jpegtopnm", jpeg);
    ASSERT_EQ(peer.width, 37);
    ASSERT_EQ(peer.height, 21);
    EXPECT_EQ(peer.depth, 3);
    EXPECT_LE(mean_difference(peer.rgba, tavtest::rgba_of(image)), 3.0);

    PhotoPtr back(new_image());
    ASSERT_TRUE(read_into(ReadJPG, jpeg, back));
    EXPECT_LE(max_difference(tavtest::rgba_of(back), peer.rgba), 2);
}

TEST(JpegWrite, GrayscalePhotosAreOneComponentFiles) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(19, 11, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    paint_test_picture(image, false);
    PhotoSetQuality(image, 100);
    const Bytes jpeg = write_with(WriteJPG, image);
    const size_t sof = marker_at(jpeg, 0xC0);
    ASSERT_GT(sof, 0u);
    EXPECT_EQ(jpeg[sof + 9], 1);
    const Decoded peer = decode_with_peer("jpegtopnm", jpeg);
    EXPECT_EQ(peer.depth, 1);
    EXPECT_LE(max_difference(peer.rgba, tavtest::rgba_of(image)), 3);

    PhotoPtr back(new_image());
    ASSERT_TRUE(read_into(ReadJPG, jpeg, back));
    EXPECT_TRUE(PhotoIsTruecolor(back));
    EXPECT_EQ(tavtest::rgba_of(back), peer.rgba);
}

TEST(JpegWrite, FailingStreamsAndEmptyImagesAreSurvived) {
    tavtest::interp();
    PhotoPtr image(PhotoCreate(160, 120, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(image, false);
    PhotoSetQuality(image, 100);
    const int full = static_cast<int>(write_with(WriteJPG, image).size());
    ASSERT_GT(full, 4096);  // the destination's buffer is emptied at least once
    for (int budget : {0, 100, 4096, full - 1}) {
        AuxIO *stream = limited_stream(budget);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(WriteJPG(stream, image, ""), 1) << "budget " << budget;
        EXPECT_TRUE(stream->error) << "budget " << budget;
        AuxIO_Close(stream);
    }
    PhotoPtr empty(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    int result = -1;
    EXPECT_TRUE(write_with(WriteJPG, empty, &result).empty());
    EXPECT_EQ(result, 1);
}

}  // namespace
