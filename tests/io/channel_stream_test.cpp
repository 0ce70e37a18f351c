// The "channel" stream kind over real Tcl channels.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "support/tcl_env.h"

namespace {

std::string temp_path(const char *name) {
    const char *dir = std::getenv("TAVREL_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/" + name;
}

Tcl_Channel open_binary(const std::string &path, const char *mode) {
    Tcl_Channel channel = Tcl_OpenFileChannel(nullptr, path.c_str(), mode, 0644);
    if (channel) {
        Tcl_SetChannelOption(nullptr, channel, "-translation", "binary");
        Tcl_RegisterChannel(nullptr, channel);
    }
    return channel;
}

void close_channel(Tcl_Channel channel) { Tcl_UnregisterChannel(nullptr, channel); }

std::string contents(const std::string &path) {
    std::string out;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

TEST(ChannelStream, WritesBytesAndLeavesTheChannelOpen) {
    tavtest::interp();
    const std::string path = temp_path("channel_bytes.bin");
    Tcl_Channel channel = open_binary(path, "w");
    ASSERT_NE(channel, nullptr);
    AuxIO *s = AuxIO_Init("channel", channel, nullptr, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(AuxIO_Fputc(0xFF, s), 0xFF);
    EXPECT_EQ(s->pos, 1);
    EXPECT_EQ(AuxIO_Fputs("abc", s), 3);
    AuxIO_Close(s);
    // Still open and usable after the stream is gone.
    EXPECT_EQ(Tcl_Write(channel, "Z", 1), 1);
    close_channel(channel);
    EXPECT_EQ(contents(path), "\xff" "abcZ");
}

TEST(ChannelStream, ReadsSeeksAndTellsTheChannelsPositions) {
    tavtest::interp();
    const std::string path = temp_path("channel_read.bin");
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fputs("0123456789", f);
        std::fclose(f);
    }
    Tcl_Channel channel = open_binary(path, "r");
    ASSERT_NE(channel, nullptr);
    char skip[3];
    Tcl_Read(channel, skip, 3);  // the stream starts where the channel stands
    AuxIO *s = AuxIO_Init("channel", channel, nullptr, 0, 0, 0);
    EXPECT_EQ(AuxIO_Fgetc(s), '3');
    EXPECT_EQ(s->pos, 1);
    EXPECT_EQ(AuxIO_Tell(s), 4);
    unsigned char buf[16];
    EXPECT_EQ(AuxIO_Read(s, buf, 16), 6);
    EXPECT_EQ(AuxIO_Eof(s), 1);
    EXPECT_EQ(AuxIO_Rewind(s), 0);  // offset 0 of the channel, not where the stream began
    EXPECT_EQ(AuxIO_Eof(s), 0);
    EXPECT_EQ(s->pos, 0);
    EXPECT_EQ(AuxIO_Fgetc(s), '0');
    AuxIO_Ungetc('0', s);
    EXPECT_EQ(AuxIO_Tell(s), 0);
    EXPECT_EQ(AuxIO_Seek(s, INT_MIN, 1), -1);  // no position lies that far back
    EXPECT_EQ(AuxIO_Seek(s, 2, 1), 0);
    EXPECT_EQ(AuxIO_Fgetc(s), '2');
    AuxIO_Close(s);
    close_channel(channel);
}

TEST(ChannelStream, ReadAndWriteImages) {
    tavtest::interp();
    FormatDb **formats = TavImageInit();
    Photo *image = PhotoCreate(3, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    const unsigned char rgb[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    PhotoPutRGB(image, rgb, 0, 0, 3, 2);
    const std::string path = temp_path("channel_image.ppm");
    Tcl_Channel out = open_binary(path, "w");
    EXPECT_EQ(TavWriteChannel(formats, image, out, nullptr, nullptr), 0);
    EXPECT_EQ(TavWriteChannel(formats, image, out, "nothing", nullptr), 1);
    close_channel(out);

    Photo *back = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    Tcl_Channel in = open_binary(path, "r");
    EXPECT_EQ(TavReadChannel(formats, back, in, nullptr, nullptr), back);
    close_channel(in);
    unsigned char got[18];
    PhotoGetRGB(back, got, 0, 0, 3, 2);
    EXPECT_EQ(std::string(got, got + 18), std::string(rgb, rgb + 18));

    PhotoExpand(back, 0, 0);
    EXPECT_EQ(TavWriteChannel(formats, back, out, nullptr, nullptr), -1);  // nothing to write; channel not touched
    EXPECT_EQ(TavReadChannel(formats, back, nullptr, nullptr, nullptr), nullptr);
    PhotoDelete(back);
    PhotoDelete(image);
    TavImageClose(formats);
}

TEST(ChannelStream, FullDeviceIsAFailedWrite) {
    tavtest::interp();
    Tcl_Channel full = open_binary("/dev/full", "w");
    if (!full) GTEST_SKIP() << "no /dev/full";
    FormatDb **formats = TavImageInit();
    Photo *image = PhotoCreate(64, 64, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    EXPECT_EQ(TavWriteChannel(formats, image, full, "ppm", nullptr), 1);
    close_channel(full);
    PhotoDelete(image);
    TavImageClose(formats);
}

}  // namespace

// A pipe cannot rewind, so it is buffered whole before probing; what it may
// buffer is bounded by the pixel ceiling (eight bytes a pixel and 1 MiB of
// headers), so a stream longer than any picture allowed is refused.
TEST(ChannelStream, PipesBufferOnlyWhatAPictureAtTheCeilingCanTake) {
    Tcl_Interp *interp = tavtest::interp();
    FormatDb **formats = TavImageInit();
    const long long ceiling = TavGetPixelCeiling();
    ASSERT_EQ(TavSetPixelCeiling(1000), 0);
    const std::string header = "P6\n40 25\n255\n";
    struct Case {
        size_t trailing;  // bytes after the 3000 of the raster
        bool read;
    } cases[] = {{0, true}, {(1u << 20) + 4000, true}, {(1u << 20) + 6000, false}};
    const std::string path = temp_path("channel_pipe.ppm");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.trailing);
        if (FILE *f = std::fopen(path.c_str(), "wb")) {
            const std::string bytes = header + std::string(3000 + c.trailing, '\x55');
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        const char *argv[] = {"cat", path.c_str()};
        Tcl_Channel pipe = Tcl_OpenCommandChannel(interp, 2, argv, TCL_STDOUT);
        ASSERT_NE(pipe, nullptr);
        Tcl_SetChannelOption(nullptr, pipe, "-translation", "binary");
        Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
        EXPECT_EQ(TavReadChannel(formats, image, pipe, nullptr, nullptr) == image, c.read);
        EXPECT_EQ(PhotoWidth(image), c.read ? 40 : 0);
        Tcl_Close(interp, pipe);
        PhotoDelete(image);
    }
    std::remove(path.c_str());
    TavSetPixelCeiling(ceiling);
    TavImageClose(formats);
}
