// GIF and PCX keep truecolour images whose colours fit their palette
// exactly: no median cut, no dithering.
#include "codec_support.h"

namespace {

using codectest::Bytes;

struct Case {
    FormatWriter writer;
    FormatReader reader;
    int colours;
};

TEST(ExactPalette, FewColoursRoundTripExactly) {
    tavtest::interp();
    const Case cases[] = {{WriteGIF, ReadGIF, 2},   {WriteGIF, ReadGIF, 17},  {WriteGIF, ReadGIF, 254},
                          {WriteGIF, ReadGIF, 255}, {WritePCX, ReadPCX, 2},   {WritePCX, ReadPCX, 17},
                          {WritePCX, ReadPCX, 254}, {WritePCX, ReadPCX, 256}};
    for (const Case &c : cases) {
        // Neighbouring colours one level apart (and white), which dithering
        // or a median cut would merge or move.
        const int width = 37, height = 19;
        std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 255);
        for (int i = 0; i < width * height; ++i) {
            const int k = (i * 7) % c.colours;
            unsigned char *p = &rgba[4 * static_cast<size_t>(i)];
            p[0] = static_cast<unsigned char>(k == 0 ? 255 : k);
            p[1] = static_cast<unsigned char>(k == 0 ? 255 : 255 - k);
            p[2] = static_cast<unsigned char>(k == 0 ? 255 : 128);
        }
        Photo *image = PhotoCreate(width, height, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
        PhotoPutRGBA(image, rgba.data(), 0, 0, width, height, TAV_COMPOSE_REPLACE);
        int result = -1;
        const Bytes file = codectest::write_with(c.writer, image, &result);
        EXPECT_EQ(result, 0) << c.colours;
        Photo *back = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
        ASSERT_TRUE(codectest::read_into(c.reader, file, back)) << c.colours;
        std::vector<unsigned char> got(rgba.size());
        PhotoGetRGBA(back, got.data(), 0, 0, width, height);
        EXPECT_EQ(got, rgba) << (c.writer == WriteGIF ? "GIF " : "PCX ") << c.colours << " colours";
        PhotoDelete(back);
        PhotoDelete(image);
    }
}

}  // namespace
