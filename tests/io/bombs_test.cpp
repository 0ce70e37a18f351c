// Tiny files that claim huge pictures: every reader refuses them before it
// allocates the picture (the image never reaches the claimed size), while
// honest photos cut short still load.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include <jpeglib.h>

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
Bytes jpeg_bomb(const char *name, unsigned char sof, unsigned char coding = 0, int claim = kClaim) {
    Bytes jpeg = fixture(name);
    const size_t at = marker_at(jpeg, sof);
    EXPECT_GT(at, 0u);
    jpeg[at + 5] = jpeg[at + 7] = static_cast<unsigned char>(claim >> 8);
    jpeg[at + 6] = jpeg[at + 8] = static_cast<unsigned char>(claim & 0xFF);
    if (coding) jpeg[at + 1] = coding;
    const size_t sos = marker_at(jpeg, 0xDA);
    EXPECT_GT(sos, 0u);
    jpeg.resize(sos + 2 + (jpeg[sos + 2] << 8 | jpeg[sos + 3]) + 16);
    return jpeg;
}

// A 64 x 64 arithmetic-coded JPEG of one sequential scan per component (so
// every block's coefficients are kept while it decodes), whose frame then
// claims side x side.
Bytes sequential_scans_bomb(int side) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = cinfo.image_height = 64;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.arith_code = TRUE;
    const jpeg_scan_info scans[3] = {{1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
    cinfo.scan_info = scans;
    cinfo.num_scans = 3;
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(64 * 3, 0x80);
    for (JSAMPROW p = row.data(); cinfo.next_scanline < 64;) jpeg_write_scanlines(&cinfo, &p, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes jpeg(out, out + size);
    std::free(out);
    const size_t at = marker_at(jpeg, 0xC9);
    EXPECT_GT(at, 0u);
    jpeg[at + 5] = jpeg[at + 7] = static_cast<unsigned char>(side >> 8);
    jpeg[at + 6] = jpeg[at + 8] = static_cast<unsigned char>(side & 0xFF);
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

// An 8-bit run-length BMP of side x side with one palette entry and the
// given run-length codes.
Bytes bmp_rle(int side, const Bytes &codes) {
    Bytes bmp = {'B', 'M'};
    auto le = [&](uint32_t v, int n) {
        for (int k = 0; k < n; ++k) bmp.push_back(static_cast<unsigned char>(v >> (8 * k)));
    };
    le(58 + static_cast<uint32_t>(codes.size()), 4), le(0, 4), le(58, 4);
    le(40, 4), le(side, 4), le(side, 4), le(1, 2), le(8, 2), le(1, 4), le(0, 4), le(0, 4), le(0, 4), le(1, 4),
        le(0, 4);
    le(0x00FF8040, 4);
    bmp.insert(bmp.end(), codes.begin(), codes.end());
    return bmp;
}

long long resident_bytes() {
    long long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lld %lld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Pictures within the ceiling that their bytes cannot fill: those that
// could only be refused after allocating are refused before, and sparse
// ones cost resident memory only for what is written.
TEST(Bombs, PicturesAtTheCeilingCostOnlyWhatIsWritten) {
    tavtest::interp();
    constexpr int kSide = 16384;  // 2^28 pixels: the default ceiling
    ASSERT_EQ(TavGetPixelCeiling(), 1LL << 28);
    struct Case {
        const char *name;
        FormatReader reader;
        Bytes bytes;
        bool loads;
    };
    const Case cases[] = {
        {"bmp rle without codes", ReadBMP, bmp_rle(kSide, {}), false},
        {"bmp rle with one run", ReadBMP, bmp_rle(kSide, {4, 0, 0, 1}), true},
        {"jpeg arithmetic progressive", ReadJPG, jpeg_bomb("progressive.jpg", 0xC2, 0xCA, kSide), false},
        {"jpeg arithmetic, one sequential scan a component", ReadJPG, sequential_scans_bomb(kSide), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_LT(c.bytes.size(), 1200u);
        const long long before = resident_bytes();
        PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_EQ(read_into(c.reader, c.bytes, image), c.loads);
        EXPECT_EQ(PhotoWidth(image), c.loads ? kSide : 0);
        EXPECT_LT(resident_bytes() - before, 100LL << 20);
        if (!c.loads) continue;
        unsigned char corner[8];
        PhotoGetRGBA(image, corner, 0, kSide - 1, 2, 1);
        EXPECT_EQ(Bytes(corner, corner + 8), Bytes({255, 128, 64, 255, 255, 128, 64, 255}));
    }
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
