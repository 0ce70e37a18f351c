// What a refused read leaves behind, whichever reader refused: the C-level
// reads empty the image, the Tcl `load` keeps it as it was, and a picture
// reaches the image only whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "io/codec_support.h"

namespace {

using codectest::Bytes;
using codectest::fixture;
using codectest::PhotoPtr;

// A reader that writes a few rows into its image and then refuses, as any
// reader may when the damage shows only half-way.
Photo *half_writing_reader(AuxIO *stream, Photo *image, const char *) {
    if (AuxIO_Fgetc(stream) != 'H') return nullptr;
    PhotoRecreate(image, 9, 7, TAV_MODE_RGBA);
    const unsigned char red[4] = {255, 0, 0, 255};
    for (int x = 0; x < 9; ++x) PhotoPutRGBA(image, red, x, 0, 1, 1, TAV_COMPOSE_REPLACE);
    return nullptr;
}

Bytes ppm_short_raster() {
    const std::string text = "P6 4 4 255\n" + std::string(20, 'x');
    return Bytes(text.begin(), text.end());
}

Bytes cut(Bytes bytes, size_t keep) {
    bytes.resize(keep);
    return bytes;
}

Bytes png_cut_in_its_data() {
    Bytes png = fixture("rgba.png");
    return cut(png, png.size() - 40);
}

// The frame's first component names a quantisation table that no DQT
// defines: libjpeg notices when decoding starts, after the image is made.
Bytes jpeg_with_a_missing_table() {
    Bytes jpeg = fixture("colour.jpg");
    for (size_t i = 0; i + 12 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 12] = 3;
            break;
        }
    return jpeg;
}

struct Refusal {
    const char *name;
    const char *format;  // what the read asks for; nullptr probes every reader
    Bytes (*bytes)();
};

const Refusal refusals[] = {
    {"ppm short raster", "ppm", ppm_short_raster},
    {"png cut in its data", "png", png_cut_in_its_data},
    {"jpeg with a missing table", "jpeg", jpeg_with_a_missing_table},
    {"half-writing reader", "half", [] { return Bytes{'H', 0, 0}; }},
    {"nothing any reader takes", nullptr, [] { return Bytes{'H', 'x', 'y', 'z'}; }},
};

struct Registry {
    FormatDb **handle;
    Registry() : handle((tavtest::interp(), TavImageInit())) {
        DbRegister(*handle, "half", "half", "half", half_writing_reader, nullptr);
    }
    ~Registry() { TavImageClose(handle); }
};

// A 5 x 4 picture nobody would decode from the inputs above.
void paint(Photo *image) {
    PhotoExpand(image, 5, 4);
    codectest::paint_test_picture(image, true);
}

TEST(ReadPolicy, RefusedCLevelReadsLeaveTheImageEmpty) {
    Registry registry;
    for (const Refusal &r : refusals) {
        for (int renderer : {TAV_RENDER_MEMORY, TAV_RENDER_NULL}) {
            SCOPED_TRACE(std::string(r.name) + (renderer == TAV_RENDER_NULL ? ", null image" : ", memory image"));
            PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_RGBA, renderer));
            paint(image);
            Bytes bytes = r.bytes();
            // The null image takes the size-only paths, which accept what
            // only the full decode would refuse; those cases end there.
            Photo *read = TavReadString(registry.handle, image, bytes.data(), static_cast<int>(bytes.size()),
                                        r.format, nullptr);
            if (renderer == TAV_RENDER_NULL && read) continue;
            EXPECT_EQ(read, nullptr);
            EXPECT_EQ(PhotoWidth(image), 0);
            EXPECT_EQ(PhotoHeight(image), 0);
            EXPECT_EQ(PhotoRenderer(image), renderer);
        }
    }
}

TEST(ReadPolicy, RefusedLoadsKeepTheImage) {
    Tcl_Interp *interp = tavtest::interp();
    for (const char *mode : {"no", "yes"}) {
        ASSERT_EQ(Tcl_Eval(interp, (std::string("tavrel create kept -palette ") + mode).c_str()), TCL_OK);
        ASSERT_EQ(Tcl_Eval(interp, "tavrel resize kept 5 4; tavrel put kept [string repeat \\x40\\x80\\xc0 20];"
                                   "set before [tavrel get kept]"),
                  TCL_OK);
        for (const Refusal &r : refusals) {
            SCOPED_TRACE(r.name);
            Bytes bytes = r.bytes();
            Tcl_SetVar2Ex(interp, "bytes", nullptr, Tcl_NewByteArrayObj(bytes.data(), static_cast<int>(bytes.size())),
                          0);
            Tcl_SetVar(interp, "format", r.format ? r.format : "", 0);
            const std::string load = r.format ? "tavrel load kept -data $bytes -format $format"
                                              : "tavrel load kept -data $bytes";
            EXPECT_EQ(Tcl_Eval(interp, load.c_str()), TCL_ERROR);
            EXPECT_STREQ(Tcl_GetStringResult(interp), "data does not contain a valid image");
            ASSERT_EQ(Tcl_Eval(interp, "list [tavrel width kept] [tavrel height kept] "
                                       "[expr {[tavrel get kept] eq $before}]"),
                      TCL_OK);
            EXPECT_STREQ(Tcl_GetStringResult(interp), "5 4 1");
        }
        ASSERT_EQ(Tcl_Eval(interp, "tavrel delete kept"), TCL_OK);
    }
}

Bytes ppm_of(int width, int height, unsigned char seed) {
    std::string text = "P6 " + std::to_string(width) + " " + std::to_string(height) + " 255\n";
    for (int i = 0; i < width * height * 3; ++i) text += static_cast<char>(seed + i * 37);
    return Bytes(text.begin(), text.end());
}

// A picture read into an image bound to storage of its own arrives through
// the renderer table: the binding stays, the rows are the picture's.
TEST(ReadPolicy, BoundImagesTakeThePictureThroughTheirRenderer) {
    Registry registry;
    unsigned char storage[3 * 2 * 4] = {};
    TavPlaneSet planes{};
    for (int c = 0; c < 4; ++c) {
        planes.plane[c] = storage + c;
        planes.pixel_stride[c] = 4;
        planes.row_stride[c] = 3 * 4;
    }
    PhotoPtr bound(PhotoCreateExt(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY, &planes));
    Bytes ppm = ppm_of(3, 2, 11);
    ASSERT_EQ(TavReadString(registry.handle, bound, ppm.data(), static_cast<int>(ppm.size()), nullptr, nullptr),
              bound.p);
    EXPECT_EQ(bound.p->render_arg, &planes);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(storage[4 * i], ppm[ppm.size() - 18 + 3 * i]);
        EXPECT_EQ(storage[4 * i + 3], 255);
    }
}

// Unbound images trade records with the scratch the picture was read into:
// the same record, with the picture's mode and size.
TEST(ReadPolicy, UnboundImagesKeepTheirRecord) {
    Registry registry;
    PhotoPtr image(PhotoCreate(0, 0, TAV_MODE_INDEXED, TAV_RENDER_MEMORY));
    Bytes ppm = ppm_of(6, 1, 3);
    ASSERT_EQ(TavReadString(registry.handle, image, ppm.data(), static_cast<int>(ppm.size()), nullptr, nullptr),
              image.p);
    EXPECT_TRUE(PhotoIsTruecolor(image));
    EXPECT_EQ(PhotoColormap(image), nullptr);
    EXPECT_EQ(PhotoWidth(image), 6);
    EXPECT_EQ(tavtest::pixel(image, 1, 0)[1], static_cast<unsigned char>(3 + 4 * 37));
}

}  // namespace

namespace {

Bytes text_bytes(const std::string &text) { return Bytes(text.begin(), text.end()); }

const unsigned char kSos[2] = {0xFF, 0xDA};

// A 3x2 24-bit BMP, rows padded to four bytes.
Bytes small_bmp() {
    Bytes bmp = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    bmp.resize(54, 0);
    bmp.resize(54 + 24, 0x33);
    return bmp;
}

}  // namespace

// The admission steps every declared reader shares: the size alone for a
// null image, the pixel ceiling, the bytes the header says must follow,
// and the picture made in the header's mode.
TEST(ReadPolicy, EveryDeclaredReaderIsAdmittedTheSameWay) {
    tavtest::interp();
    struct Case {
        const char *name;
        FormatReader reader;
        Bytes bytes;
        int width, height, mode;
        Bytes short_of_bound;  // fewer bytes than the header says must follow (else: bytes less one)
    };
    Bytes jpeg_scanless = fixture("colour.jpg");
    const auto sos = std::search(jpeg_scanless.begin(), jpeg_scanless.end(), kSos, kSos + 2) - jpeg_scanless.begin();
    jpeg_scanless.resize(static_cast<size_t>(sos) + 2 + (jpeg_scanless[sos + 2] << 8 | jpeg_scanless[sos + 3]));
    // A screen just past the blank allowance wants 6144 bytes of codes.
    Bytes gif_screen = {'G', 'I', 'F', '8', '9', 'a', 0x01, 0x10, 0x01, 0x10, 0, 0, 0};
    gif_screen.resize(13 + 6143);
    const Case cases[] = {
        {"ppm", ReadPPM, text_bytes("P6 3 2 255\n" + std::string(18, 'x')), 3, 2, TAV_MODE_RGBA, {}},
        {"pgm", ReadPPM, text_bytes("P5 3 2 255\n" + std::string(6, 'x')), 3, 2, TAV_MODE_GRAY, {}},
        {"bmp", ReadBMP, small_bmp(), 3, 2, TAV_MODE_RGBA, {}},
        {"wbmp", ReadWBMP, {0, 0, 3, 2, 0xA0, 0x40}, 3, 2, TAV_MODE_INDEXED, {}},
        {"jpeg", ReadJPG, fixture("colour.jpg"), 23, 17, TAV_MODE_RGBA, jpeg_scanless},
        {"gif", ReadGIF, fixture("gif_netpbm.gif"), 21, 13, TAV_MODE_RGBA, gif_screen},
    };
    const long long ceiling = TavGetPixelCeiling();
    FormatDb **formats = TavImageInit();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PhotoPtr size_only(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
        ASSERT_TRUE(codectest::read_into(c.reader, c.bytes, size_only));
        EXPECT_EQ(PhotoWidth(size_only), c.width);
        EXPECT_EQ(PhotoMode(size_only), c.mode);
        PhotoPtr whole(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        ASSERT_TRUE(codectest::read_into(c.reader, c.bytes, whole));
        EXPECT_EQ(PhotoHeight(whole), c.height);
        EXPECT_EQ(PhotoMode(whole), c.mode);
        // One byte short of what the header says must follow.
        const Bytes cut = c.short_of_bound.empty() ? Bytes(c.bytes.begin(), c.bytes.end() - 1) : c.short_of_bound;
        PhotoPtr short_read(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_FALSE(codectest::read_into(c.reader, cut, short_read));
        EXPECT_EQ(PhotoWidth(short_read), 0);  // refused before the picture was made
        TavSetPixelCeiling(c.width * c.height - 1);
        PhotoPtr over(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
        EXPECT_FALSE(codectest::read_into(c.reader, c.bytes, over));
        // Through the registry not even the size is told: a Tk photo
        // would be sized from it before any pixel is read.
        Bytes bytes = c.bytes;
        PhotoPtr probe(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
        EXPECT_EQ(TavReadString(formats, probe, bytes.data(), static_cast<int>(bytes.size()), c.name, nullptr), nullptr);
        TavSetPixelCeiling(ceiling);
    }
    TavImageClose(formats);
}
