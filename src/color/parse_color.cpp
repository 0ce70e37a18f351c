// Colour text: the library's nine names, the names of the X colour
// database (as Tk accepts them: any case, spaces anywhere), and the
// #-hexadecimal forms with one to four digits per component, with or
// without alpha.
#include "color/color_names_p.h"
#include "tavrel.h"

#include <algorithm>
#include <cstring>

namespace {

struct NamedColor {
    const char *name;
    unsigned char rgba[4];
};

const NamedColor kNamedColors[] = {
    {"none", {0, 0, 0, 0}},         {"white", {255, 255, 255, 255}}, {"black", {0, 0, 0, 255}},
    {"red", {255, 0, 0, 255}},      {"green", {0, 255, 0, 255}},     {"blue", {0, 0, 255, 255}},
    {"yellow", {255, 255, 0, 255}}, {"cyan", {0, 255, 255, 255}},    {"magenta", {255, 0, 255, 255}},
    {nullptr, {0, 0, 0, 0}},
};

// Value of exactly `count` hexadecimal digits (no terminator is looked
// for), or -1 for a count outside 1..4 or a character that is not a digit.
int ParseHexDigits(const char *text, int count) {
    if (count < 1 || count > 4) return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return -1;
        value = value * 16 + digit;
    }
    return value;
}

// Scales an n-digit component to 8 bits: one digit is repeated, longer
// ones keep their top eight bits.
unsigned char scale_to_byte(int value, int digits) {
    switch (digits) {
    case 1: return static_cast<unsigned char>(value * 17);
    case 2: return static_cast<unsigned char>(value);
    case 3: return static_cast<unsigned char>(value >> 4);
    default: return static_cast<unsigned char>(value >> 8);
    }
}

int parse_hex_color(const char *digits, unsigned char *out) {
    size_t length = 0;
    while (length <= 16 && digits[length]) ++length;
    int n;
    switch (length) {
    case 3: case 4: n = 1; break;
    case 6: case 8: n = 2; break;
    case 9: n = 3; break;
    case 12: case 16: n = 4; break;
    default: return 0;
    }
    const bool has_alpha = length == static_cast<size_t>(4 * n);
    int value[4] = {0, 0, 0, (1 << (4 * n)) - 1};  // a missing alpha is opaque
    for (int c = 0; c < (has_alpha ? 4 : 3); ++c) {
        value[c] = ParseHexDigits(digits + c * n, n);
        if (value[c] < 0) return 0;
    }
    for (int c = 0; c < 4; ++c) out[c] = scale_to_byte(value[c], n);
    return 1;
}

// The name folded as the table holds it (lower case, spaces dropped) into
// `folded`; false when it is longer than any name in the table.
bool fold_name(const char *text, char folded[tav::kColorNameMaxLength + 1]) {
    int n = 0;
    for (const char *c = text; *c; ++c) {
        if (*c == ' ') continue;
        if (n == tav::kColorNameMaxLength) return false;
        folded[n++] = (*c >= 'A' && *c <= 'Z') ? static_cast<char>(*c - 'A' + 'a') : *c;
    }
    folded[n] = '\0';
    return n > 0;
}

// The library's own names first (their values win where the database has
// another), then the database.
bool lookup_name(const char *text, unsigned char *out) {
    char folded[tav::kColorNameMaxLength + 1];
    if (!fold_name(text, folded)) return false;
    for (const NamedColor *entry = kNamedColors; entry->name; ++entry) {
        if (std::strcmp(folded, entry->name) == 0) {
            std::memcpy(out, entry->rgba, 4);
            return true;
        }
    }
    const tav::ColorName *end = tav::kColorNames + tav::kColorNameCount;
    const tav::ColorName *hit = std::lower_bound(tav::kColorNames, end, folded, [](const tav::ColorName &e, const char *key) {
        return std::strcmp(e.folded, key) < 0;
    });
    if (hit == end || std::strcmp(hit->folded, folded) != 0) return false;
    out[0] = hit->r, out[1] = hit->g, out[2] = hit->b, out[3] = 255;
    return true;
}

}  // namespace

extern "C" {

int TavParseColor(const char *text, unsigned char *out) {
    if (!text) return 0;
    if (text[0] == '#') return parse_hex_color(text + 1, out);
    return lookup_name(text, out) ? 1 : 0;
}

}  // extern "C"
