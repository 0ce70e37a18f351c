// The size-only answer of every reader, over the real files of the fuzz
// corpus: a null image learns the size a full read decodes, and learns it
// from a prefix too short for the full read, so no pixel was needed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/codec_support.h"

namespace {

using codectest::Bytes;
using codectest::PhotoPtr;
using codectest::read_into;

TEST(SizeOnly, EveryReaderAnswersFromTheHeader) {
    tavtest::interp();
    const std::pair<const char *, FormatReader> formats[] = {
        {"bmp", ReadBMP}, {"gif", ReadGIF}, {"jpeg", ReadJPG}, {"pcx", ReadPCX},   {"png", ReadPNG},
        {"ppm", ReadPPM}, {"sgi", ReadSGI}, {"wbmp", ReadWBMP}, {"webp", ReadWEBP},
    };
    const std::string here = __FILE__;
    const std::string corpus = here.substr(0, here.find_last_of('/')) + "/../fuzz/corpus/";
    int files = 0;
    for (const auto &[format, reader] : formats) {
        for (const auto &entry : std::filesystem::directory_iterator(corpus + format)) {
            SCOPED_TRACE(entry.path().string());
            const Bytes file = codectest::slurp(entry.path());
            PhotoPtr whole(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
            if (!read_into(reader, file, whole)) continue;  // the bombs and lies of the corpus
            ++files;
            PhotoPtr size_only(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
            ASSERT_TRUE(read_into(reader, file, size_only));
            EXPECT_TRUE(PhotoIsNull(size_only));
            EXPECT_EQ(PhotoWidth(size_only), PhotoWidth(whole));
            EXPECT_EQ(PhotoHeight(size_only), PhotoHeight(whole));
            // The shortest prefix that gives the size cannot give the picture.
            size_t n = 0;
            for (PhotoPtr probe(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL));
                 n < file.size() && !read_into(reader, Bytes(file.begin(), file.begin() + n), probe);)
                ++n;
            const Bytes head(file.begin(), file.begin() + n);
            PhotoPtr cut(PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY));
            EXPECT_FALSE(read_into(reader, head, cut)) << "size from " << n << " of " << file.size() << " bytes";
        }
    }
    EXPECT_GE(files, 30);
}

}  // namespace
