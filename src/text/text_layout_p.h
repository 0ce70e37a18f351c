// Text layout: characters decoded, mapped to glyphs and placed along the
// baseline with FreeType's advances and kerning.  Shared by measuring and
// drawing.
#pragma once

#include "core/memory_p.h"
#include "text/font_p.h"

#include <unordered_map>

namespace tav {

// One laid-out character.  Pen positions are 26.6 and kept in FreeType's
// 64-bit FT_Pos so that a long text at a large size cannot overflow.
struct TextGlyph {
    FT_UInt glyph_index;
    FT_Pos pen_x;
    FT_Pos pen_y;
    FT_Glyph glyph;  // borrowed from the layout's glyph cache; null when loading failed
};

// Result of a layout, in 26.6.
struct TextExtent {
    FT_Pos width = 0;
    FT_Pos ascent = 0;
    FT_Pos descent = 0;
};

class TextLayout {
public:
    // Lays out at most max_chars characters (all when negative).  With
    // `out` (room for max_chars entries) the glyphs are recorded there.
    // Returns the number of characters, or -1 when the font has no usable
    // size, in which case nothing is written.  May throw std::bad_alloc.
    int run(TavFont *font, int size, const char *text, int encoding, int max_chars, TextGlyph *out);

    const TextExtent &extent() const { return extent_; }

private:
    // What one glyph contributes, loaded once per layout however often the
    // glyph occurs in the text.
    struct LoadedGlyph {
        bool ok = false;
        FT_Pos advance_x = 0;
        FT_Pos ascent = 0;
        FT_Pos descent = 0;
        GlyphPtr image;
    };
    const LoadedGlyph &load(FT_Face face, FT_UInt index);

    std::unordered_map<FT_UInt, LoadedGlyph> cache_;
    TextExtent extent_;
};

// Whole pixels of a 26.6 length (arithmetic shift, towards minus
// infinity), held within the range of int.
int pixels_of(FT_Pos value);

}  // namespace tav
