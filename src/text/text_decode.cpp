// Character codes of a text in one of the byte encodings.  UTF-16 units are
// not paired and UTF-8 stops at three bytes: each unit or sequence the
// decoder does not take is a character of its own.
#include "tavrel.h"

namespace {

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void set_length(int *length, int n) {
    if (length) *length = n;
}

}  // namespace

extern "C" {

unsigned int PhotoGetNextUtf(const char *text, int *length) {
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    const unsigned int c0 = s[0];
    if (c0 >= 0xC0 && c0 < 0xE0 && is_continuation(s[1])) {
        set_length(length, 2);
        return ((c0 & 0x1F) << 6) | (s[1] & 0x3Fu);
    }
    // s[2] is read only when s[1] is a continuation byte, so not past the end.
    if (c0 >= 0xE0 && c0 < 0xF0 && is_continuation(s[1]) && is_continuation(s[2])) {
        set_length(length, 3);
        return ((c0 & 0x0F) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
    }
    set_length(length, 1);
    return c0;
}

unsigned int PhotoGetNextChar(const char *text, int encoding, int *length) {
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    switch (encoding) {
    case TAV_TEXT_BYTE:
        set_length(length, 1);
        return s[0];
    case TAV_TEXT_UTF8:
        return PhotoGetNextUtf(text, length);
    case TAV_TEXT_UTF16BE:
    case TAV_TEXT_UTF16BE + 1:
        set_length(length, 2);
        return (s[0] << 8) | s[1];
    case TAV_TEXT_UTF16LE:
        set_length(length, 2);
        return s[0] | (s[1] << 8);
    case TAV_TEXT_UTF32BE:
    case TAV_TEXT_UTF32BE + 1:
        set_length(length, 4);
        return (static_cast<unsigned int>(s[0]) << 24) | (s[1] << 16) | (s[2] << 8) | s[3];
    case TAV_TEXT_UTF32LE:
        set_length(length, 4);
        return s[0] | (s[1] << 8) | (s[2] << 16) | (static_cast<unsigned int>(s[3]) << 24);
    default:
        set_length(length, 0);
        return 0;
    }
}

int PhotoTextLength(const char *text, int encoding, int max_chars) {
    if (!text) return 0;
    int count = 0;
    while (max_chars < 0 || count < max_chars) {
        int length = 0;
        if (PhotoGetNextChar(text, encoding, &length) == 0 || length == 0) break;
        text += length;
        ++count;
    }
    return count;
}

}  // extern "C"
