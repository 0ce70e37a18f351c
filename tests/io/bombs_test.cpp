// Tiny files that claim huge pictures: every reader refuses them before it
// allocates the picture (the image never reaches the claimed size), while
// honest photos cut short still load.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "io/codec_support.h"

using namespace codectest;

namespace {

constexpr int kClaim = 30000;

uint32_t crc32_of(const unsigned char *p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put32(Bytes &out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void chunk(Bytes &png, const char *type, const Bytes &data) {
    put32(png, static_cast<uint32_t>(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, crc32_of(png.data() + start, png.size() - start));
}

// A PNG with a sound IHDR of the claimed size and a little image data.
Bytes png_bomb(int depth, int colour) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes ihdr;
    put32(ihdr, kClaim);
    put32(ihdr, kClaim);
    ihdr.insert(ihdr.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(colour), 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", Bytes(200, 0));
    chunk(png, "IEND", {});
    return png;
}

size_t marker_at(const Bytes &jpeg, unsigned char code) {
    for (size_t at = 2; at + 1 < jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] == code) return at;
    return 0;
}

// A fixture whose frame claims the huge size, cut a few bytes into its
// first scan; `coding` replaces the frame's marker code when non-zero.
Bytes jpeg_bomb(const char *name, unsigned char sof, unsigned char coding = 0) {
    Bytes jpeg = fixture(name);
    const size_t at = marker_at(jpeg, sof);
    EXPECT_GT(at, 0u);
    jpeg[at + 5] = jpeg[at + 7] = static_cast<unsigned char>(kClaim >> 8);
    jpeg[at + 6] = jpeg[at + 8] = static_cast<unsigned char>(kClaim & 0xFF);
    if (coding) jpeg[at + 1] = coding;
    const size_t sos = marker_at(jpeg, 0xDA);
    EXPECT_GT(sos, 0u);
    jpeg.resize(sos + 2 + (jpeg[sos + 2] << 8 | jpeg[sos + 3]) + 16);
    return jpeg;
}

Bytes text_bomb(const char *header) {
    std::string text = header;
    text += std::string(300, '\x55');
    return Bytes(text.begin(), text.end());
}

struct Bomb {
    const char *name;
    FormatReader reader;
    Bytes (*bytes)();
    bool size_known = true;  // the size-only walk knows this frame type
};

const Bomb bombs[] = {
    {"ppm rgb", ReadPPM, [] { return text_bomb("P6 30000 30000 255\n"); }},
    {"pgm grey", ReadPPM, [] { return text_bomb("P5\n30000 30000\n255\n"); }},
    {"png rgba", ReadPNG, [] { return png_bomb(8, 6); }},
    {"png 1-bit grey", ReadPNG, [] { return png_bomb(1, 0); }},
    {"png 16-bit rgb", ReadPNG, [] { return png_bomb(16, 2); }},
    {"jpeg baseline", ReadJPG, [] { return jpeg_bomb("colour.jpg", 0xC0); }},
    {"jpeg grey", ReadJPG, [] { return jpeg_bomb("gray.jpg", 0xC0); }},
    {"jpeg progressive", ReadJPG, [] { return jpeg_bomb("progressive.jpg", 0xC2); }},
    {"jpeg arithmetic", ReadJPG, [] { return jpeg_bomb("colour.jpg", 0xC0, 0xC9); }, false},
};

TEST(Bombs, RefusedBeforeThePictureIsAllocated) {
    tavtest::interp();
    FormatDb **formats = TavImageInit();
    for (const Bomb &bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        Bytes bytes = bomb.bytes();
        EXPECT_LT(bytes.size(), 1200u);
        // Readers leave their image as far as they got: a refused bomb
        // that had been allocated would show the claimed size here.
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_FALSE(read_into(bomb.reader, bytes, image));
        EXPECT_EQ(PhotoWidth(image), 0);
        // And no other reader takes it either.
        EXPECT_EQ(TavReadString(formats, image, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr),
                  nullptr);
        // The size alone is still there to learn.
        if (!bomb.size_known) continue;
        PhotoPtr size_only(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
        EXPECT_TRUE(read_into(bomb.reader, bytes, size_only));
        EXPECT_EQ(PhotoWidth(size_only), kClaim);
    }
    TavImageClose(formats);
}

// A photo-like picture: ramps under strong pseudo-random grain, so that it
// codes like a camera picture rather than like a flat drawing.
void paint_grainy(Photo *image) {
    const int w = PhotoWidth(image), h = PhotoHeight(image);
    Bytes row(static_cast<size_t>(w) * 3);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1103515245u + 12345u;
                const int grain = static_cast<int>((seed >> 16) % 61) - 30;
                row[3 * x + c] = static_cast<unsigned char>(std::clamp((x + y * (c + 1)) / 4 + 60 + grain, 0, 255));
            }
        PhotoPutRGB(image, row.data(), 0, y, w, 1);
    }
}

Bytes progressive_twin(const Bytes &ppm) {
    char path[] = "/tmp/tavrel_bomb_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    FILE *file = fdopen(fd, "wb");
    fwrite(ppm.data(), 1, ppm.size(), file);
    fclose(file);
    Bytes out;
    if (FILE *pipe = popen((std::string("pnmtojpeg --progressive --quality=85 ") + path + " 2>/dev/null").c_str(),
                           "r")) {
        unsigned char chunk[65536];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.insert(out.end(), chunk, chunk + n);
        pclose(pipe);
    }
    std::remove(path);
    return out;
}

TEST(Bombs, HonestPhotosCutShortStillLoad) {
    tavtest::interp();
    PhotoPtr photo(PhotoCreate(512, 384, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
    paint_grainy(photo);
    const Bytes baseline = write_with(WriteJPG, photo);
    const Bytes progressive = progressive_twin(write_with(WritePPM, photo));
    ASSERT_GT(progressive.size(), 1000u) << "pnmtojpeg is needed";
    ASSERT_GT(marker_at(progressive, 0xC2), 0u);
    for (const Bytes *whole : {&baseline, &progressive}) {
        for (int percent : {5, 50, 95}) {
            SCOPED_TRACE((whole == &baseline ? "baseline cut at " : "progressive cut at ") +
                         std::to_string(percent) + "%");
            const Bytes cut(whole->begin(), whole->begin() + static_cast<long>(whole->size() * percent / 100));
            PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
            EXPECT_TRUE(read_into(ReadJPG, cut, image));
            EXPECT_EQ(PhotoWidth(image), 512);
            EXPECT_EQ(PhotoHeight(image), 384);
        }
    }
}

}  // namespace
