// Test support for the text layer: a font engine, the vendored font files
// and an independent measurement with a FreeType library of the test's own.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/tcl_env.h"
#include "tavrel.h"

namespace texttest {

// The vendored font files, found from this header's own place in the tree.
inline std::string vera_path(const std::string &file) {
    std::string here = __FILE__;
    here.erase(here.find_last_of('/') + 1);
    return here + "../../third_party/vera/" + file;
}

inline std::vector<unsigned char> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An engine for the test, closed at its end; fonts made with it must be
// deleted first.
struct Engine {
    TavFontEngine *engine;
    Engine() : engine((tavtest::interp(), TavFontInit())) {}
    ~Engine() { TavFontClose(engine); }
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;
    operator TavFontEngine *() const { return engine; }
};

// A font object that is deleted at the end of the scope.
struct Font {
    TavFont *font;
    explicit Font(TavFont *f) : font(f) {}
    ~Font() { PhotoDeleteFont(font); }
    Font(const Font &) = delete;
    Font &operator=(const Font &) = delete;
    TavFont *operator->() const { return font; }
    operator TavFont *() const { return font; }
};

// Width, ascent and descent (pixels) of an ASCII text as FreeType itself
// gives them: advances plus kerning of each pair, the greatest bearing and
// the greatest depth below the baseline.
struct Reference {
    int width = 0, ascent = 0, descent = 0;
};

inline Reference freetype_measure(const std::string &file, int size, const std::string &text) {
    Reference r;
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0) return r;
    if (FT_New_Face(library, vera_path(file).c_str(), 0, &face) == 0) {
        FT_Set_Char_Size(face, size * 64, size * 64, 72, 72);
        long pen = 0, ascent = 0, descent = 0;
        FT_UInt previous = 0;
        for (unsigned char c : text) {
            const FT_UInt g = FT_Get_Char_Index(face, c);
            if (previous) {
                FT_Vector k;
                FT_Get_Kerning(face, previous, g, FT_KERNING_DEFAULT, &k);
                pen += k.x;
            }
            FT_Load_Glyph(face, g, FT_LOAD_DEFAULT);
            pen += face->glyph->advance.x;
            const long top = std::labs(face->glyph->metrics.horiBearingY);
            ascent = std::max(ascent, top);
            descent = std::max(descent, std::labs(face->glyph->metrics.height - top));
            previous = g;
        }
        r = Reference{static_cast<int>(pen >> 6), static_cast<int>(ascent >> 6), static_cast<int>(descent >> 6)};
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return r;
}

}  // namespace texttest
