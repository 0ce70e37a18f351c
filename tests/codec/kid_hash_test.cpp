// The kid hash: answers computed by an independent implementation of the
// generator, the key pick, MD5 and the alphabet, and the limits of kid,
// text and output size.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tavrel.h"

namespace {

std::string kid_hash(int kid, const std::string &text, int size = 30, int *result = nullptr) {
    char out[64];
    std::memset(out, '#', sizeof out);
    int r = MakeKidHash(out, &size, kid, text.c_str());
    if (result) *result = r;
    return r ? std::string(out) : std::string(out, out + 8);
}

TEST(KidHash, KnownAnswers) {
    struct Case {
        int kid;
        std::string text, hash;
    };
    const Case cases[] = {
        {5, "sid=x", "Pyqx8aa.q8PGXVsmgjL3dg"},
        {0, "sid=x", "iXILFGusQKTXH7P5p/32oA"},
        {1, "sid=x", "hGLptW98v6rHl4J7bJneiw"},
        {100, "sid=abc", "EY2NFYxin8Erdy1NSoPWxw"},
        {0, "", "qRbTl6C.0ryP/cXhTiS9.A"},
        {42, "sid=" + std::string(80, 'a'), "nvPR6gMuoSK5AkPQDXcFfQ"},
    };
    for (const Case &c : cases) {
        int ok = 0;
        EXPECT_EQ(kid_hash(c.kid, c.text, 30, &ok), c.hash) << c.kid << " " << c.text;
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(kid_hash(c.kid, c.text), c.hash) << "the same answer again";
    }
}

TEST(KidHash, Limits) {
    struct Case {
        int kid, text_length, size, ok;
    };
    const Case cases[] = {
        {0, 0, 30, 1},   {100, 0, 30, 1}, {101, 0, 30, 0}, {-1, 0, 30, 0}, {-2147483647 - 1, 0, 30, 0},
        {7, 84, 30, 1},  {7, 85, 30, 0},  {7, 500, 30, 0}, {7, 4, 25, 1},  {7, 4, 24, 0},
        {7, 4, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "kid " << c.kid << ", text " << c.text_length << ", size " << c.size);
        char out[40];
        std::memset(out, '#', sizeof out);
        int size = c.size;
        std::string text(static_cast<size_t>(c.text_length), 'q');
        EXPECT_EQ(MakeKidHash(out, &size, c.kid, text.c_str()), c.ok);
        EXPECT_EQ(size, c.size) << "the size is read, not changed";
        if (c.ok) {
            EXPECT_EQ(std::strlen(out), 22u);
            EXPECT_EQ(out[23], '#') << "nothing past the terminator";
        } else {
            EXPECT_EQ(out[0], '#') << "a refusal writes nothing";
        }
    }
    EXPECT_EQ(MakeKidHash(nullptr, nullptr, 0, "x"), 0);
}

TEST(KidHash, AlphabetAndSpread) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789./";
    std::set<std::string> seen;
    for (int kid = 0; kid <= 100; ++kid) {
        std::string h = kid_hash(kid, "sid=same");
        ASSERT_EQ(h.size(), 22u);
        EXPECT_EQ(h.find_first_not_of(alphabet), std::string::npos) << h;
        seen.insert(h);
    }
    EXPECT_GT(seen.size(), 90u) << "kids pick different keys";
}

}  // namespace
