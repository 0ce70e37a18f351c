// The stream layer and its "string" kind: byte and bulk reads, push-back,
// seeking by the layer's own rule, growth of written buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/tcl_env.h"

namespace {

// A "string" stream over a copy of some bytes; closed with the fixture.
struct ReadStream {
    std::string bytes;
    unsigned char *data;
    int length;
    AuxIO *s;
    explicit ReadStream(std::string text)
        : bytes(std::move(text)),
          data(reinterpret_cast<unsigned char *>(bytes.data())),
          length(static_cast<int>(bytes.size())),
          s(AuxIO_Init("string", &data, &length, 0, 0, 0)) {
        tavtest::interp();
    }
    ~ReadStream() { AuxIO_Close(s); }
};

struct WriteStream {
    unsigned char *buffer = reinterpret_cast<unsigned char *>(1);  // must be reset by open
    AuxIO *s;
    WriteStream() : s((tavtest::interp(), AuxIO_Init("string", &buffer, nullptr, 0, 0, 0))) {}
    ~WriteStream() {
        AuxIO_Close(s);
        TavFree(buffer);
    }
};

TEST(AuxIO, UnknownKindGivesNoStream) {
    tavtest::interp();
    EXPECT_EQ(AuxIO_Init("no-such-kind", nullptr, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(AuxIO_Init(nullptr, nullptr, nullptr, 0, 0, 0), nullptr);
}

TEST(AuxIO, FreshStreamState) {
    ReadStream in("abc");
    ASSERT_NE(in.s, nullptr);
    EXPECT_EQ(in.s->pos, 0);
    EXPECT_EQ(in.s->length, 3);
    EXPECT_EQ(in.s->unget, -1);
    EXPECT_EQ(in.s->eof, 0);
    EXPECT_EQ(in.s->read_only, 0);
}

TEST(AuxIO, FgetcDeliversBytesThenSetsEof) {
    ReadStream in(std::string("\xff\x00", 2));
    EXPECT_EQ(AuxIO_Fgetc(in.s), 255);
    EXPECT_EQ(AuxIO_Fgetc(in.s), 0);
    EXPECT_EQ(AuxIO_Eof(in.s), 0);
    EXPECT_EQ(AuxIO_Fgetc(in.s), -1);
    EXPECT_EQ(AuxIO_Eof(in.s), 1);
    EXPECT_EQ(in.s->pos, 2);
}

TEST(AuxIO, UngetAtStartPushesNothing) {
    ReadStream in("xy");
    EXPECT_EQ(AuxIO_Ungetc('q', in.s), -1);
    EXPECT_EQ(in.s->unget, -1);
    EXPECT_EQ(AuxIO_Fgetc(in.s), 'x');
}

TEST(AuxIO, UngetReplacesAndMovesBack) {
    ReadStream in("xyz");
    AuxIO_Fgetc(in.s);
    AuxIO_Fgetc(in.s);
    EXPECT_EQ(AuxIO_Ungetc('A', in.s), 'A');
    EXPECT_EQ(AuxIO_Ungetc('B', in.s), 'B');  // one byte of push-back: replaces A
    EXPECT_EQ(in.s->pos, 0);
    EXPECT_EQ(AuxIO_Fgetc(in.s), 'B');
    EXPECT_EQ(in.s->pos, 1);
}

TEST(AuxIO, ReadDeliversPushedBackByteFirst) {
    ReadStream in("abcdef");
    AuxIO_Fgetc(in.s);
    AuxIO_Ungetc('Z', in.s);
    unsigned char buf[8] = {};
    EXPECT_EQ(AuxIO_Read(in.s, buf, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 4), "Zbcd");
    EXPECT_EQ(in.s->pos, 4);
}

TEST(AuxIO, FreadCountsBytesNotItems) {
    ReadStream in("0123456789");
    unsigned char buf[12];
    EXPECT_EQ(AuxIO_Fread(buf, 4, 3, in.s), 10);
    EXPECT_EQ(AuxIO_Read(in.s, buf, 0), 0);
    EXPECT_EQ(AuxIO_Read(nullptr, buf, 3), -1);
    EXPECT_EQ(AuxIO_Fread(buf, 1 << 20, 1 << 20, in.s), -1);  // product beyond int
}

TEST(AuxIO, Fgets) {
    ReadStream in("ab\ncd");
    char buf[16];
    ASSERT_NE(AuxIO_Fgets(buf, 16, in.s), nullptr);
    EXPECT_STREQ(buf, "ab\n");
    ASSERT_NE(AuxIO_Fgets(buf, 16, in.s), nullptr);
    EXPECT_STREQ(buf, "cd");
    EXPECT_EQ(AuxIO_Fgets(buf, 16, in.s), nullptr);
    EXPECT_STREQ(buf, "");

    ReadStream one("xyz");
    buf[0] = 'q';
    EXPECT_EQ(AuxIO_Fgets(buf, 1, one.s), nullptr);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(one.s->pos, 0);
    ASSERT_NE(AuxIO_Fgets(buf, 3, one.s), nullptr);
    EXPECT_STREQ(buf, "xy");
}

TEST(AuxIO, SeekByTheLayersOwnRule) {
    ReadStream in(std::string(100, 'x'));
    EXPECT_EQ(AuxIO_Seek(in.s, 500, 0), 100);
    EXPECT_EQ(in.s->pos, 100);
    EXPECT_EQ(AuxIO_Seek(in.s, -5, 0), 0);
    EXPECT_EQ(AuxIO_Seek(in.s, -769, 2), 0);
    EXPECT_EQ(AuxIO_Seek(in.s, -10, 2), 90);
    EXPECT_EQ(AuxIO_Seek(in.s, 3, 1), 93);
    EXPECT_EQ(AuxIO_Seek(in.s, 0, 7), -1);
    EXPECT_EQ(in.s->pos, 93);
    EXPECT_EQ(AuxIO_Tell(in.s), 93);
    AuxIO_Fgetc(in.s);
    AuxIO_Ungetc('y', in.s);
    EXPECT_EQ(AuxIO_Rewind(in.s), 0);
    EXPECT_EQ(AuxIO_Fgetc(in.s), 'x');  // the push-back went with the seek
}

TEST(AuxIO, SeekFromEndNeedsALength) {
    WriteStream out;
    out.s->length = -1;
    EXPECT_EQ(AuxIO_Seek(out.s, 0, 2), -1);
}

TEST(AuxIO, RewindClearsEof) {
    ReadStream in("a");
    AuxIO_Fgetc(in.s);
    AuxIO_Fgetc(in.s);
    ASSERT_EQ(AuxIO_Eof(in.s), 1);
    AuxIO_Rewind(in.s);
    EXPECT_EQ(AuxIO_Eof(in.s), 0);
    EXPECT_EQ(AuxIO_Fgetc(in.s), 'a');
}

TEST(AuxIO, SkipToRestartsAfterTheMismatch) {
    ReadStream aab("aab");
    EXPECT_EQ(AuxIO_SkipTo(aab.s, "ab"), 0);
    ReadStream xab("xabQ");
    EXPECT_EQ(AuxIO_SkipTo(xab.s, "ab"), 1);
    EXPECT_EQ(AuxIO_Fgetc(xab.s), 'Q');
    ReadStream lines("one\ntwo");
    EXPECT_EQ(AuxIO_SkipLine(lines.s), 1);
    EXPECT_EQ(AuxIO_Fgetc(lines.s), 't');
}

TEST(AuxIO, SkipSpace) {
    ReadStream in(" \t\r\n\v\fX");
    EXPECT_EQ(AuxIO_SkipSpace(in.s), 1);
    EXPECT_EQ(AuxIO_Fgetc(in.s), 'X');
    EXPECT_EQ(AuxIO_SkipSpace(in.s), 1);  // the end simply stops
    EXPECT_EQ(AuxIO_Fgetc(in.s), -1);
}

TEST(AuxIO, WritingGrowsGeometricallyAndKeepsHandleCurrent) {
    WriteStream out;
    EXPECT_EQ(out.buffer, nullptr);
    EXPECT_EQ(out.s->length, 0);
    std::string bytes(1025, 'q');
    bytes[1024] = 'z';
    EXPECT_EQ(AuxIO_Fwrite(reinterpret_cast<const unsigned char *>(bytes.data()), 1, 1025, out.s), 1025);
    EXPECT_EQ(out.s->length, 1025);
    EXPECT_EQ(out.s->pos, 1025);
    ASSERT_NE(out.buffer, nullptr);
    EXPECT_EQ(out.buffer[1024], 'z');
    // The kind's private state: {buffer, capacity}.
    struct MemoryState {
        unsigned char *buffer;
        int capacity;
    };
    const auto *memory = static_cast<const MemoryState *>(out.s->priv);
    EXPECT_EQ(memory->buffer, out.buffer);
    EXPECT_EQ(memory->capacity, 2048);
}

TEST(AuxIO, ByteWritesMatchBulkWrites) {
    WriteStream out;
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(AuxIO_Fputc(i, out.s), i & 0xFF);
    EXPECT_EQ(out.s->length, 3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(out.buffer[i], i & 0xFF);
    EXPECT_EQ(AuxIO_Fputs("end", out.s), 3);
    EXPECT_EQ(AuxIO_Seek(out.s, 0, 2), 3003);
    // Overwriting in the middle keeps the length.
    AuxIO_Seek(out.s, 10, 0);
    EXPECT_EQ(AuxIO_Write(out.s, reinterpret_cast<const unsigned char *>("AB"), 2), 2);
    EXPECT_EQ(out.s->length, 3003);
    EXPECT_EQ(out.buffer[11], 'B');
}

// A stream over an empty caller's buffer owns nothing of it: the first
// write takes a fresh buffer and leaves the caller's one alone.
TEST(AuxIO, WritingOverAnEmptyCallersBufferLeavesItAlone) {
    tavtest::interp();
    unsigned char outside[4] = {'k', 'e', 'e', 'p'};
    unsigned char *data = outside;
    int length = 0;
    AuxIO *s = AuxIO_Init("string", &data, &length, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(AuxIO_Fputc('a', s), 'a');
    EXPECT_EQ(AuxIO_Fputs("bc", s), 2);
    ASSERT_NE(data, outside);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), 3), "abc");
    EXPECT_EQ(std::string(reinterpret_cast<char *>(outside), 4), "keep");
    AuxIO_Close(s);
    TavFree(data);
}

TEST(AuxIO, ReadOnlyRefusesWrites) {
    WriteStream out;
    out.s->read_only = 1;
    EXPECT_EQ(AuxIO_Fputc('a', out.s), -1);
    EXPECT_EQ(AuxIO_Fwrite(reinterpret_cast<const unsigned char *>("abc"), 1, 3, out.s), -1);
    EXPECT_EQ(AuxIO_Fputs("abc", out.s), -1);
    EXPECT_EQ(out.s->pos, 0);
}

TEST(AuxIO, FwriteItemCounts) {
    WriteStream out;
    const unsigned char bytes[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(AuxIO_Fwrite(bytes, 2, 3, out.s), 3);
    EXPECT_EQ(AuxIO_Fwrite(bytes, 2, 0, out.s), 0);
    EXPECT_EQ(AuxIO_Fwrite(bytes, 0, 5, out.s), 5);
    EXPECT_EQ(out.s->pos, 6);
}

// A kind with only byte operations exercises the layer's fallbacks.
int counting_putc(AuxIO *s, int byte) { return ++s->extra1 > s->extra2 ? -1 : byte & 0xFF; }
int letters_getc(AuxIO *s) { return s->pos < 5 ? 'a' + s->pos : -1; }

TEST(AuxIO, CustomKindWithByteOperationsOnly) {
    tavtest::interp();
    AuxIOOps ops;
    AuxIO_Reset(&ops);
    ops.putc = counting_putc;
    ops.getc = letters_getc;
    ASSERT_EQ(AuxIO_Register("test-bytes", &ops), 0);
    EXPECT_EQ(AuxIO_Register(nullptr, &ops), 1);

    AuxIO *s = AuxIO_Init("test-bytes", nullptr, nullptr, 0, 4, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->extra2, 4);
    unsigned char buf[8];
    EXPECT_EQ(AuxIO_Read(s, buf, 8), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 5), "abcde");
    EXPECT_EQ(AuxIO_Eof(s), 1);
    AuxIO_ClearErr(s);
    EXPECT_EQ(AuxIO_Eof(s), 0);
    // Four bytes fit, the fifth fails: byte-wise Fwrite reports -1.
    EXPECT_EQ(AuxIO_Fwrite(reinterpret_cast<const unsigned char *>("12345"), 1, 5, s), -1);
    EXPECT_EQ(s->error, 1);
    EXPECT_EQ(AuxIO_Tell(s), 9);
    EXPECT_EQ(AuxIO_Flush(s), 0);
    AuxIO_Close(s);
}

TEST(AuxIO, KindWithoutPutcStillMovesThePosition) {
    tavtest::interp();
    AuxIOOps ops;
    AuxIO_Reset(&ops);
    AuxIO_Register("test-sink", &ops);
    AuxIO *s = AuxIO_Init("test-sink", nullptr, nullptr, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(AuxIO_Fputc(0x1FF, s), 0xFF);
    EXPECT_EQ(s->pos, 1);
    EXPECT_EQ(s->length, 1);
    EXPECT_EQ(AuxIO_Fgetc(s), -1);
    EXPECT_EQ(AuxIO_Eof(s), 1);
    AuxIO_Close(s);
}

}  // namespace
