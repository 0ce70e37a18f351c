// The format registry: order of entries, name matching, probing with
// rewinds between readers, writer choice and the string wrappers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tcl_env.h"

namespace {

struct Registry {
    FormatDb **handle;
    Registry() : handle((tavtest::interp(), TavImageInit())) {}
    ~Registry() { TavImageClose(handle); }
    FormatDb *db() const { return *handle; }
};

// Which entries a format request selects, seen through the writer choice.
int named_writer(AuxIO *s, Photo *, const char *) { return AuxIO_Fputc('w', s) < 0 ? 1 : 0; }

std::string writer_for(const char *formats, const char *request) {
    FormatDb **handle = TavImageInit();
    DbClean(*handle);
    DbRegister(*handle, formats, nullptr, nullptr, nullptr, named_writer);
    Photo *image = PhotoCreate(1, 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    int length = 0;
    unsigned char *data = TavWriteString(handle, image, &length, request, nullptr);
    PhotoDelete(image);
    TavImageClose(handle);
    TavFree(data);
    return data ? "match" : "none";
}

TEST(FormatRegistry, NamesMatchCaseInsensitivePrefixes) {
    tavtest::interp();
    EXPECT_EQ(writer_for("jpg,jpeg", "j"), "match");
    EXPECT_EQ(writer_for("jpg,jpeg", "JP"), "match");
    EXPECT_EQ(writer_for("jpg,jpeg", "jpeg"), "match");
    EXPECT_EQ(writer_for("jpg,jpeg", "JPEG"), "match");
    EXPECT_EQ(writer_for("jpg,jpeg", "jpegx"), "none");
    EXPECT_EQ(writer_for("jpg,jpeg", "png"), "none");
    EXPECT_EQ(writer_for("ppm", nullptr), "match");
    EXPECT_EQ(writer_for("ppm", ""), "match");
    EXPECT_EQ(writer_for("-rfb", nullptr), "none");
    EXPECT_EQ(writer_for("-rfb", ""), "none");
    EXPECT_EQ(writer_for("-rfb", "rfb"), "match");
    EXPECT_EQ(writer_for("-rfb", "R"), "match");
    EXPECT_EQ(writer_for("ppm", "-"), "none");
    EXPECT_EQ(writer_for("a@", "A`"), "none");  // only letters fold
    EXPECT_EQ(writer_for("x,,y", "y"), "match");
}

TEST(FormatRegistry, BuiltinEntriesNewestFirst) {
    Registry r;
    EXPECT_EQ(TavNbFormats(r.db()), 10);
    std::vector<std::string> names;
    for (FormatLink *l = r.db()->first; l; l = l->next) names.push_back(l->entry->formats);
    const std::vector<std::string> expected = {"-rfb", "ppm", "gif", "png", "jpg,jpeg", "bmp", "pcx", "wbmp", "sgi", "webp"};
    EXPECT_EQ(names, expected);
    const FormatEntry *jpeg = r.db()->first->next->next->next->next->entry;
    EXPECT_STREQ(jpeg->label, "jpg");
    EXPECT_STREQ(jpeg->extra_label, "jpg");
    EXPECT_EQ(r.db()->first->entry->reader, ReadRFB);
}

TEST(FormatRegistry, RegisterAndClean) {
    Registry r;
    DbRegister(r.db(), nullptr, "x", "x", nullptr, nullptr);
    DbRegister(r.db(), "", "x", "x", nullptr, nullptr);
    EXPECT_EQ(TavNbFormats(r.db()), 10);
    DbRegister(r.db(), "abc", nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(TavNbFormats(r.db()), 11);
    EXPECT_EQ(r.db()->first->entry->label, nullptr);
    DbClean(r.db());
    EXPECT_EQ(TavNbFormats(r.db()), 0);
    EXPECT_EQ(r.db()->first, nullptr);
    DbClean(nullptr);
    EXPECT_EQ(TavNbFormats(nullptr), 0);
}

// Test formats: each records that it was tried and where the stream stood.
std::vector<std::string> tried;

Photo *refusing_reader(AuxIO *s, Photo *, const char *) {
    tried.push_back("refuse@" + std::to_string(s->pos));
    AuxIO_Fgetc(s);
    AuxIO_Fgetc(s);
    return nullptr;
}

Photo *accepting_reader(AuxIO *s, Photo *image, const char *options) {
    tried.push_back("accept@" + std::to_string(s->pos) + (options ? "+opts" : ""));
    return PhotoRecreate(image, 2, 1, TAV_MODE_RGBA);
}

int tagging_writer(AuxIO *s, Photo *, const char *options) {
    tried.push_back(std::string("write:") + (options ? options : "null"));
    AuxIO_Fputs("TAG", s);
    return 0;
}

TEST(FormatRegistry, ProbingRewindsAndEmptiesBeforeEachReader) {
    Registry r;
    DbClean(r.db());
    DbRegister(r.db(), "good", "g", "g", accepting_reader, tagging_writer);
    DbRegister(r.db(), "bad2", "b", "b", refusing_reader, nullptr);
    DbRegister(r.db(), "hidden,-x", "h", "h", nullptr, nullptr);  // no reader: skipped
    DbRegister(r.db(), "bad1", "b", "b", refusing_reader, nullptr);
    tried.clear();
    Photo *image = PhotoCreate(5, 5, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    unsigned char bytes[] = "0123456789";
    Photo *result = TavReadString(r.handle, image, bytes, 10, nullptr, nullptr);
    EXPECT_EQ(result, image);
    EXPECT_EQ(tried, (std::vector<std::string>{"refuse@0", "refuse@0", "accept@0"}));
    EXPECT_EQ(PhotoWidth(image), 2);

    tried.clear();
    EXPECT_EQ(TavReadString(r.handle, image, bytes, 10, "BAD2", nullptr), nullptr);
    EXPECT_EQ(tried, (std::vector<std::string>{"refuse@0"}));
    EXPECT_EQ(PhotoWidth(image), 0);  // emptied before the attempt
    tried.clear();
    EXPECT_EQ(TavReadString(r.handle, image, bytes, 10, "b", nullptr), nullptr);
    EXPECT_EQ(tried.size(), 2u);
    PhotoDelete(image);
}

TEST(FormatRegistry, WriterChoice) {
    Registry r;
    DbRegister(r.db(), "tag", "t", "t", nullptr, tagging_writer);
    Photo *image = PhotoCreate(3, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    tried.clear();
    int length = -5;
    unsigned char *data = TavWriteString(r.handle, image, &length, "t", nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), 3), "TAG");
    EXPECT_EQ(tried, (std::vector<std::string>{"write:"}));
    TavFree(data);

    length = -5;
    EXPECT_EQ(TavWriteString(r.handle, image, &length, "nothing-matches", nullptr), nullptr);
    EXPECT_EQ(length, -5);

    // Nothing writes rfb: refused like a name nothing matches.
    length = -5;
    EXPECT_EQ(TavWriteString(r.handle, image, &length, "rfb", nullptr), nullptr);
    EXPECT_EQ(length, -5);
    EXPECT_EQ(TavReadString(r.handle, image, data, 0, "rfb", nullptr), nullptr);

    PhotoExpand(image, 0, 3);
    length = -5;
    EXPECT_EQ(TavWriteString(r.handle, image, &length, nullptr, nullptr), nullptr);
    EXPECT_EQ(length, 0);
    PhotoDelete(image);
}

TEST(FormatRegistry, WriteGenericWithNoMatchWritesNothing) {
    Registry r;
    Photo *image = PhotoCreate(1, 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    unsigned char *buffer = nullptr;
    AuxIO *s = AuxIO_Init("string", &buffer, nullptr, 0, 0, 0);
    EXPECT_EQ(TavWriteGeneric(r.handle, image, s, "zzz"), 1);
    EXPECT_EQ(s->length, 0);
    EXPECT_EQ(TavWriteGeneric(nullptr, image, s, nullptr), 1);
    EXPECT_EQ(TavReadGeneric(nullptr, image, s, nullptr), nullptr);
    AuxIO_Close(s);
    EXPECT_EQ(buffer, nullptr);
    PhotoDelete(image);
}

}  // namespace

namespace {

// The built-in table: "p" names PPM, PNG and PCX; the first of them that
// accepts the bytes wins, and the writer is PPM's.
TEST(FormatRegistry, BuiltinPrefixProbesInRegistryOrder) {
    Registry r;
    Photo *image = PhotoCreate(3, 2, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    int length = 0;
    unsigned char *ppm = TavWriteString(r.handle, image, &length, "p", nullptr);
    ASSERT_NE(ppm, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(ppm), 3), "P6\n");
    int png_length = 0;
    unsigned char *png = TavWriteString(r.handle, image, &png_length, "png", nullptr);
    ASSERT_NE(png, nullptr);

    Photo *back = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    EXPECT_EQ(TavReadString(r.handle, back, png, png_length, "p", nullptr), back);  // PPM refused, rewound
    EXPECT_EQ(PhotoWidth(back), 3);
    EXPECT_EQ(TavReadString(r.handle, back, ppm, length, "P", nullptr), back);
    EXPECT_EQ(PhotoHeight(back), 2);
    EXPECT_EQ(TavReadString(r.handle, back, png, png_length, nullptr, nullptr), back);
    EXPECT_EQ(TavReadString(r.handle, back, png, png_length, "JPEG", nullptr), nullptr);  // only JPEG is tried
    EXPECT_EQ(TavReadString(r.handle, back, ppm, length, "rfb", nullptr), nullptr);
    EXPECT_EQ(PhotoWidth(back), 0);
    TavFree(ppm);
    TavFree(png);
    PhotoDelete(back);
    PhotoDelete(image);
}

}  // namespace
