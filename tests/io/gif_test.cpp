// GIF reading and writing: peer-made fixtures against the pixels their
// makers decode, hand-built files for the reader's rules and hostile
// input, and what we write read back by Pillow and ImageMagick.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "io/codec_support.h"

using namespace codectest;

namespace {

Photo *new_image(int renderer = TAV_RENDER_MEMORY) {
    tavtest::interp();
    return PhotoCreate(0, 0, TAV_MODE_RGBA, renderer);
}

// Equal pixels, except that fully transparent ones only need alpha 0.
void expect_same_pixels(const Bytes &ours, const Bytes &ref) {
    ASSERT_EQ(ours.size(), ref.size());
    for (size_t i = 0; i < ref.size(); i += 4) {
        if (ref[i + 3] == 0) {
            ASSERT_EQ(ours[i + 3], 0) << "pixel " << i / 4;
        } else {
            ASSERT_EQ(0, std::memcmp(&ours[i], &ref[i], 4)) << "pixel " << i / 4;
        }
    }
}

class GifFixture : public ::testing::TestWithParam<const char *> {};

TEST_P(GifFixture, DecodesToThePeerPixels) {
    const std::string name = GetParam();
    PhotoPtr image(new_image());
    ASSERT_TRUE(read_into(ReadGIF, fixture(name), image));
    EXPECT_EQ(PhotoWidth(image), 21);
    EXPECT_EQ(PhotoHeight(image), 13);
    EXPECT_TRUE(PhotoIsTruecolor(image));
    expect_same_pixels(tavtest::rgba_of(image), fixture(name + ".rgba"));
}

INSTANTIATE_TEST_SUITE_P(Gif, GifFixture,
                         ::testing::Values("gif_netpbm.gif", "gif_netpbm_interlaced.gif", "gif_netpbm_transparent.gif",
                                           "gif_im_interlaced.gif", "gif_im_transparent.gif",
                                           "gif_im_two_images.gif"));

// Hand-built files.  The LZW data is written plainly: codes of one width
// with a clear code before the table would widen them.
struct GifBuilder {
    Bytes out;
    explicit GifBuilder(int width, int height, int table_bits = 2, const char *signature = "GIF89a") {
        out.assign(signature, signature + 6);
        le16(width);
        le16(height);
        out.push_back(table_bits ? static_cast<unsigned char>(0x80 | (table_bits - 1)) : 0);
        out.push_back(0);
        out.push_back(0);
        for (int i = 0; i < (table_bits ? 1 << table_bits : 0); ++i)
            for (int k = 0; k < 3; ++k) out.push_back(static_cast<unsigned char>(i * 40 + k * 10));
    }
    void le16(int v) {
        out.push_back(static_cast<unsigned char>(v & 255));
        out.push_back(static_cast<unsigned char>(v >> 8));
    }
    GifBuilder &transparent(int index) {
        out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<unsigned char>(index), 0});
        return *this;
    }
    GifBuilder &descriptor(int left, int top, int width, int height, bool interlaced = false) {
        out.push_back(0x2C);
        le16(left);
        le16(top);
        le16(width);
        le16(height);
        out.push_back(interlaced ? 0x40 : 0);
        return *this;
    }
    // Raw codes of `width` bits, least significant bit first, in sub-blocks.
    GifBuilder &codes(int min_code_size, const std::vector<int> &codes, int width) {
        out.push_back(static_cast<unsigned char>(min_code_size));
        Bytes data;
        uint32_t acc = 0;
        int bits = 0;
        for (int c : codes) {
            acc |= static_cast<uint32_t>(c) << bits;
            for (bits += width; bits >= 8; bits -= 8, acc >>= 8) data.push_back(static_cast<unsigned char>(acc));
        }
        if (bits) data.push_back(static_cast<unsigned char>(acc));
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            out.push_back(static_cast<unsigned char>(n));
            out.insert(out.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
        }
        out.push_back(0);
        return *this;
    }
    GifBuilder &indices(const std::vector<int> &pixels, int min_code_size = 2) {
        const int clear = 1 << min_code_size;
        std::vector<int> c{clear};
        int run = 0;
        for (int p : pixels) {
            if (run == clear - 2) {
                c.push_back(clear);
                run = 0;
            }
            c.push_back(p);
            ++run;
        }
        c.push_back(clear + 1);
        return codes(min_code_size, c, min_code_size + 1);
    }
    GifBuilder &trailer() {
        out.push_back(';');
        return *this;
    }
};

std::array<unsigned char, 4> colour(int index, int alpha = 255) {
    return {static_cast<unsigned char>(index * 40), static_cast<unsigned char>(index * 40 + 10),
            static_cast<unsigned char>(index * 40 + 20), static_cast<unsigned char>(alpha)};
}

const std::array<unsigned char, 4> kBlank = {192, 192, 192, 0};

Bytes blank_screen(int width, int height) {
    Bytes out;
    for (int i = 0; i < width * height; ++i) out.insert(out.end(), kBlank.begin(), kBlank.end());
    return out;
}

TEST(GifRead, ReaderRules) {
    // 3x3, interlaced rows come in the order 0, 2, 1.
    GifBuilder interlaced(3, 3);
    interlaced.descriptor(0, 0, 3, 3, true).indices({0, 0, 0, 2, 2, 2, 1, 1, 1}).trailer();
    PhotoPtr image(new_image());
    ASSERT_TRUE(read_into(ReadGIF, interlaced.out, image));
    EXPECT_EQ(tavtest::pixel(image, 0, 0), colour(0));
    EXPECT_EQ(tavtest::pixel(image, 1, 1), colour(1));
    EXPECT_EQ(tavtest::pixel(image, 2, 2), colour(2));

    // One interlaced row: passes 2 to 4 have none.
    GifBuilder one_row(4, 1);
    one_row.descriptor(0, 0, 4, 1, true).indices({3, 2, 1, 0}).trailer();
    ASSERT_TRUE(read_into(ReadGIF, one_row.out, image));
    EXPECT_EQ(tavtest::pixel(image, 0, 0), colour(3));
    EXPECT_EQ(tavtest::pixel(image, 3, 0), colour(0));

    // Transparency, an image placed inside the screen, a second image dropped.
    GifBuilder placed(4, 4, 2, "GIF87a");
    placed.transparent(1).descriptor(1, 2, 2, 1).indices({1, 3}).descriptor(0, 0, 4, 4).indices(std::vector<int>(16, 2));
    ASSERT_TRUE(read_into(ReadGIF, placed.out, image));
    EXPECT_EQ(tavtest::pixel(image, 1, 2)[3], 0);
    EXPECT_EQ(tavtest::pixel(image, 2, 2), colour(3));
    EXPECT_EQ(tavtest::pixel(image, 0, 0), kBlank);

    // Images larger than the screen or outside it are clipped to it.
    GifBuilder larger(2, 2);
    larger.descriptor(1, 1, 3, 3).indices({1, 2, 3, 1, 2, 3, 1, 2, 3}).descriptor(0, 0, 1, 1).indices({0}).trailer();
    ASSERT_TRUE(read_into(ReadGIF, larger.out, image));
    EXPECT_EQ(PhotoWidth(image), 2);
    EXPECT_EQ(tavtest::pixel(image, 1, 1), colour(1));
    EXPECT_EQ(tavtest::pixel(image, 0, 0), kBlank);
    GifBuilder outside(2, 2);
    outside.descriptor(500, 7, 2, 1).indices({1, 2});
    ASSERT_TRUE(read_into(ReadGIF, outside.out, image));
    EXPECT_EQ(tavtest::rgba_of(image), Bytes({192, 192, 192, 0, 192, 192, 192, 0, 192, 192, 192, 0, 192, 192, 192, 0}));

    // A header and a trailer only: the blank screen.
    GifBuilder header_only(5, 3);
    header_only.trailer();
    ASSERT_TRUE(read_into(ReadGIF, header_only.out, image));
    EXPECT_EQ(PhotoWidth(image), 5);
    EXPECT_EQ(PhotoHeight(image), 3);
    EXPECT_EQ(tavtest::pixel(image, 4, 2), kBlank);

    // Thousands of extension blocks cost only their bytes.
    GifBuilder chatty(2, 1);
    for (int i = 0; i < 5000; ++i) chatty.out.insert(chatty.out.end(), {0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    chatty.descriptor(0, 0, 2, 1).indices({2, 3}).trailer();
    ASSERT_TRUE(read_into(ReadGIF, chatty.out, image));
    EXPECT_EQ(tavtest::pixel(image, 1, 0), colour(3));

    // The widest minimum code size the tables take; 12 is refused.
    GifBuilder widest(2, 1);
    widest.descriptor(0, 0, 2, 1).codes(11, {2048, 1, 2, 2049}, 12);
    EXPECT_TRUE(read_into(ReadGIF, widest.out, image));
    EXPECT_EQ(tavtest::pixel(image, 1, 0), colour(2));
    GifBuilder too_wide(2, 1);
    too_wide.descriptor(0, 0, 2, 1).codes(12, {4096, 1, 2, 4097}, 13);
    EXPECT_FALSE(read_into(ReadGIF, too_wide.out, image));
}

TEST(GifRead, RefusesDamagedFiles) {
    struct Case {
        const char *what;
        Bytes gif;
    };
    auto build = [](auto &&f) {
        GifBuilder b(4, 2);
        f(b);
        return b.out;
    };
    const Case cases[] = {
        {"foreign signature", Bytes({'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0})},
        {"zero width", build([](GifBuilder &b) { b.out[6] = b.out[7] = 0; })},
        {"index beyond the table", build([](GifBuilder &b) { b.descriptor(0, 0, 1, 1).codes(3, {8, 5, 9}, 4); })},
        {"no colour table", [] {
             GifBuilder b(1, 1, 0);
             b.descriptor(0, 0, 1, 1).indices({0});
             return b.out;
         }()},
        {"empty image", build([](GifBuilder &b) { b.descriptor(0, 0, 0, 1).indices({0}); })},
        {"end code before the last index", build([](GifBuilder &b) { b.descriptor(0, 0, 4, 2).indices({1, 2, 3}); })},
        {"corrupt second image",
         build([](GifBuilder &b) { b.descriptor(0, 0, 1, 1).indices({1}).descriptor(0, 0, 3, 1).indices({1}); })},
        // Codes that make entry 11 and 12 each other's prefix: a circle.
        {"circular table",
         build([](GifBuilder &b) { b.descriptor(0, 0, 4, 2).codes(3, {8, 0, 12, 11, 0, 12, 12, 12}, 4); })},
        // Entry 7 made its own prefix.
        {"self-referring entry", build([](GifBuilder &b) { b.descriptor(0, 0, 4, 2).codes(2, {4, 0, 7, 6, 7}, 3); })},
        {"65535x65535 screen and nothing else", [] {
             GifBuilder b(65535, 65535);
             return b.out;
         }()},
        {"8192x8192 blank screen", [] {
             GifBuilder b(8192, 8192);
             b.trailer();
             return b.out;
         }()},
        {"a tiny image on a 30000x30000 screen", [] {
             GifBuilder b(30000, 30000);
             b.descriptor(0, 0, 1, 1).indices({1}).trailer();
             return b.out;
         }()},
        {"65535x65535 image in a few bytes", [] {
             GifBuilder b(4, 4);
             b.descriptor(0, 0, 65535, 65535).indices({1, 1, 1, 1}).trailer();
             return b.out;
         }()},
    };
    for (const Case &c : cases) {
        PhotoPtr image(new_image());
        EXPECT_FALSE(read_into(ReadGIF, c.gif, image)) << c.what;
    }
}

TEST(GifRead, EveryPrefixOfAValidFile) {
    const Bytes gif = fixture("gif_im_two_images.gif");
    const Bytes ref = fixture("gif_im_two_images.gif.rgba");
    // The first image descriptor, after the table and two extensions.
    const size_t first_image = static_cast<size_t>(std::find(gif.begin() + 781, gif.end(), 0x2C) - gif.begin());
    ASSERT_EQ(first_image, 808u);
    int accepted = 0;
    for (size_t n = 0; n < gif.size(); ++n) {
        const Bytes prefix(gif.begin(), gif.begin() + static_cast<long>(n));
        PhotoPtr image(new_image());
        if (read_into(ReadGIF, prefix, image)) {
            ++accepted;
            // A prefix ending between blocks before the first image gives
            // the blank screen; otherwise it must hold the whole image.
            const Bytes got = tavtest::rgba_of(image);
            if (n > first_image) expect_same_pixels(got, ref);
            else EXPECT_EQ(got, blank_screen(21, 13)) << n;
        }
        PhotoPtr size_only(new_image(TAV_RENDER_NULL));
        if (n >= 13) {
            EXPECT_TRUE(read_into(ReadGIF, prefix, size_only)) << n;
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST(GifRead, SizeOnlyAndTheRegistry) {
    GifBuilder huge(65535, 40000);
    PhotoPtr size_only(new_image(TAV_RENDER_NULL));
    ASSERT_TRUE(read_into(ReadGIF, huge.out, size_only));
    EXPECT_EQ(PhotoWidth(size_only), 65535);
    EXPECT_EQ(PhotoHeight(size_only), 40000);

    FormatDb **formats = TavImageInit();
    Bytes gif = fixture("gif_netpbm.gif");
    PhotoPtr probed(new_image());
    EXPECT_EQ(TavReadString(formats, probed, gif.data(), static_cast<int>(gif.size()), nullptr, nullptr), probed.p);
    EXPECT_EQ(PhotoWidth(probed), 21);
    int length = 0;
    unsigned char *written = TavWriteString(formats, probed, &length, "GIF", nullptr);
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(0, std::memcmp(written, "GIF89a", 6));
    TavFree(written);
    TavImageClose(formats);
}

Photo *indexed_picture(int width, int height, int colours) {
    Photo *image = PhotoCreate(width, height, TAV_MODE_INDEXED, TAV_RENDER_MEMORY);
    for (int i = 0; i < colours; ++i) TavAddColormap(PhotoColormap(image), i * 7 % 256, 255 - i, i * 13 % 256);
    Bytes row(static_cast<size_t>(width));
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245 + 12345;
            // Runs and noise, so that strings grow long and the table fills.
            row[static_cast<size_t>(x)] = static_cast<unsigned char>(((seed >> 16) % 4 ? x / 9 + y : seed >> 20) % colours);
        }
        PhotoPutIndex(image, row.data(), 0, y, width, 1);
    }
    return image;
}

TEST(GifWrite, ChoosesThePaletteByMode) {
    tavtest::interp();
    // Truecolour: GIF89a, 254 colours and the transparent grey.
    PhotoPtr colour(PhotoCreate(40, 30, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_test_picture(colour, true);
    Bytes gif = write_with(WriteGIF, colour);
    ASSERT_GT(gif.size(), 800u);
    EXPECT_EQ(0, std::memcmp(gif.data(), "GIF89a", 6));
    EXPECT_EQ(gif[10], 0xE7);  // global table of 256 entries
    const int t = gif[11];
    EXPECT_EQ(gif[13 + 3 * t], 192);
    EXPECT_EQ(gif[13 + 3 * 256 + 6], t);  // the graphic control extension names it
    PhotoPtr back(new_image());
    ASSERT_TRUE(read_into(ReadGIF, gif, back));
    const Bytes src = tavtest::rgba_of(colour), got = tavtest::rgba_of(back);
    for (size_t i = 3; i < src.size(); i += 4) ASSERT_EQ(src[i] == 0, got[i] == 0) << i;

    // Greyscale: GIF87a through the grey ramp, exact.
    PhotoPtr grey(PhotoCreate(17, 5, TAV_MODE_GRAY, TAV_RENDER_MEMORY));
    Bytes levels(17 * 5);
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<unsigned char>(i * 3);
    PhotoPutGray(grey, levels.data(), 0, 0, 17, 5);
    gif = write_with(WriteGIF, grey);
    EXPECT_EQ(0, std::memcmp(gif.data(), "GIF87a", 6));
    ASSERT_TRUE(read_into(ReadGIF, gif, back));
    for (int i = 0; i < 17 * 5; ++i) ASSERT_EQ(tavtest::pixel(back, i % 17, i / 17)[0], levels[static_cast<size_t>(i)]);

    // Indexed with fewer than two colours: black and white are added to the
    // written table (2 entries, or 4 beside one colour), code size 2.
    for (int entries : {0, 1}) {
        PhotoPtr few(PhotoCreate(3, 2, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
        if (entries) TavAddColormap(PhotoColormap(few), 9, 8, 7);
        gif = write_with(WriteGIF, few);
        EXPECT_EQ(gif[10], entries ? 0xA1 : 0x80) << entries;
        const Bytes table(gif.begin() + 13, gif.begin() + (entries ? 25 : 19));
        EXPECT_EQ(table, entries ? Bytes({9, 8, 7, 0, 0, 0, 255, 255, 255, 0, 0, 0}) : Bytes({0, 0, 0, 255, 255, 255}));
        EXPECT_EQ(gif[13 + (entries ? 12 : 6) + 10], 2) << entries;
        EXPECT_EQ(TavColormapSize(PhotoColormap(few)), entries);  // the image keeps its own
        EXPECT_TRUE(read_into(ReadGIF, gif, back));
    }

    // Indices beyond the table are written as 0; the image keeps its own.
    PhotoPtr stray(PhotoCreate(4, 1, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    for (int i = 0; i < 3; ++i) TavAddColormap(PhotoColormap(stray), 50 + i * 50, 0, 0);
    const unsigned char wild[4] = {2, 7, 1, 200};
    PhotoPutIndex(stray, wild, 0, 0, 4, 1);
    ASSERT_TRUE(read_into(ReadGIF, write_with(WriteGIF, stray), back));
    EXPECT_EQ(Bytes({tavtest::pixel(back, 0, 0)[0], tavtest::pixel(back, 1, 0)[0], tavtest::pixel(back, 3, 0)[0]}),
              Bytes({150, 50, 50}));
    unsigned char kept[4];
    PhotoGetIndex(stray, kept, 0, 0, 4, 1);
    EXPECT_EQ(Bytes(kept, kept + 4), Bytes(wild, wild + 4));

    // Nothing is written for grey with alpha or sides beyond 16 bits.
    int result = 0;
    PhotoPtr grey_alpha(PhotoCreate(2, 2, TAV_MODE_GRAYALPHA, TAV_RENDER_MEMORY));
    EXPECT_TRUE(write_with(WriteGIF, grey_alpha, &result).empty());
    EXPECT_EQ(result, 1);
    PhotoPtr wide(PhotoCreate(70000, 1, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    EXPECT_TRUE(write_with(WriteGIF, wide, &result).empty());
    EXPECT_EQ(result, 1);
}

TEST(GifWrite, IndexedRoundTripsThroughClearCodes) {
    tavtest::interp();
    for (int colours : {2, 5, 16, 256}) {
        PhotoPtr image(indexed_picture(301, 97, colours));
        const Bytes gif = write_with(WriteGIF, image);
        PhotoPtr back(new_image());
        ASSERT_TRUE(read_into(ReadGIF, gif, back)) << colours;
        EXPECT_EQ(tavtest::rgba_of(back), tavtest::rgba_of(image)) << colours;
    }
}

// Runs a shell command on a file holding `bytes`; its standard output.
std::string run_peer(const std::string &command, const Bytes &bytes) {
    char path[] = "/tmp/tavrel_gif_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    FILE *file = fdopen(fd, "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    std::string out;
    if (FILE *pipe = popen(("env -u LD_PRELOAD " + command + " " + path + " 2>/dev/null").c_str(), "r")) {
        char chunk[65536];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
        pclose(pipe);
    }
    std::remove(path);
    return out;
}

TEST(GifWrite, PeersReadTheSameIndicesAndPalette) {
    if (std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Pillow";
    tavtest::interp();
    for (int colours : {2, 77, 256}) {
        PhotoPtr image(indexed_picture(123, 45, colours));
        const Bytes gif = write_with(WriteGIF, image);
        // Pillow: the raw indices, then the palette entries in use.
        const std::string pil = run_peer(
            "/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); im.load(); "
            "sys.stdout.buffer.write(im.tobytes() + bytes(im.getpalette()[:3 * " +
                std::to_string(colours) + "]))\"",
            gif);
        Bytes expected(123 * 45);
        PhotoGetIndex(image, expected.data(), 0, 0, 123, 45);
        for (int i = 0; i < colours; ++i) {
            int r, g, b;
            TavGetColormap(PhotoColormap(image), i, &r, &g, &b);
            expected.insert(expected.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                                             static_cast<unsigned char>(b)});
        }
        EXPECT_EQ(Bytes(pil.begin(), pil.end()), expected) << "Pillow, " << colours << " colours";

        const std::string im = run_peer("/usr/bin/convert -depth 8 gif:- rgba:- <", gif);
        EXPECT_EQ(Bytes(im.begin(), im.end()), tavtest::rgba_of(image)) << "ImageMagick, " << colours << " colours";
    }
}

}  // namespace
