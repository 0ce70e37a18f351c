// The ten built-in Bitstream Vera faces and their selection by a loose
// family-and-style name such as "sans bold italic" or "Courier New".
#include "tavrel.h"

#include <cstddef>

// Byte arrays generated at build time from third_party/vera.
#define TAV_DECLARE_FACE(name) \
    extern "C" const unsigned char tav_font_##name[]; \
    extern "C" const int tav_font_##name##_size;
TAV_DECLARE_FACE(VeraSe)
TAV_DECLARE_FACE(VeraSeBd)
TAV_DECLARE_FACE(Vera)
TAV_DECLARE_FACE(VeraBd)
TAV_DECLARE_FACE(VeraIt)
TAV_DECLARE_FACE(VeraBI)
TAV_DECLARE_FACE(VeraMono)
TAV_DECLARE_FACE(VeraMoBd)
TAV_DECLARE_FACE(VeraMoIt)
TAV_DECLARE_FACE(VeraMoBI)
#undef TAV_DECLARE_FACE

namespace {

enum Family { kSerif, kSans, kMono };

struct Keyword {
    const char *word;
    Family family;
};

// Longer keywords come before their prefixes ("courier new" before
// "courier"); the first match decides.
constexpr Keyword kKeywords[] = {
    {"default", kSerif},         {"serif", kSerif},     {"sans-serif", kSans}, {"sansserif", kSans},
    {"monotype", kMono},         {"mono", kMono},       {"courier new", kMono}, {"courier", kMono},
    {"fixed", kMono},            {"arial", kSans},      {"helvetica", kSans},  {"verdana", kSans},
    {"times new roman", kSerif}, {"times", kSerif},
};

struct Face {
    const unsigned char *bytes;
    const int *size;
};

// Indexed by family, then by bold (1) + italic (2).
const Face kFaces[3][4] = {
    {{tav_font_VeraSe, &tav_font_VeraSe_size},
     {tav_font_VeraSeBd, &tav_font_VeraSeBd_size},
     {tav_font_VeraSe, &tav_font_VeraSe_size},  // the serif family has no slanted face
     {tav_font_VeraSeBd, &tav_font_VeraSeBd_size}},
    {{tav_font_Vera, &tav_font_Vera_size},
     {tav_font_VeraBd, &tav_font_VeraBd_size},
     {tav_font_VeraIt, &tav_font_VeraIt_size},
     {tav_font_VeraBI, &tav_font_VeraBI_size}},
    {{tav_font_VeraMono, &tav_font_VeraMono_size},
     {tav_font_VeraMoBd, &tav_font_VeraMoBd_size},
     {tav_font_VeraMoIt, &tav_font_VeraMoIt_size},
     {tav_font_VeraMoBI, &tav_font_VeraMoBI_size}},
};

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// When `text` starts with `word` (ASCII case ignored) followed by the end
// or by spaces, moves `text` past the word and the spaces.
bool take_word(const char *&text, const char *word) {
    const char *p = text;
    for (; *word; ++word, ++p)
        if (ascii_lower(*p) != ascii_lower(*word)) return false;
    if (*p != '\0' && *p != ' ') return false;
    while (*p == ' ') ++p;
    text = p;
    return true;
}

const unsigned char *refuse(int *length) {
    if (length) *length = 0;
    return nullptr;
}

}  // namespace

extern "C" const unsigned char *TavFontBuiltin(const char *name, int *length) {
    Family family = kSerif;
    int style = 0;
    if (name && *name) {
        bool found = false;
        for (const Keyword &k : kKeywords) {
            if (take_word(name, k.word)) {
                family = k.family;
                found = true;
                break;
            }
        }
        if (!found) return refuse(length);
        while (*name) {
            if (!(style & 1) && take_word(name, "bold"))
                style |= 1;
            else if (!(style & 2) && take_word(name, "italic"))
                style |= 2;
            else
                return refuse(length);
        }
    }
    const Face &face = kFaces[family][style];
    if (length) *length = *face.size;
    return face.bytes;
}
