// Private side of the font layer: the engine record and owners of FreeType
// handles, so that every path out of a function releases what it took.
#pragma once

#include "tavrel.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <memory>
#include <string>

struct TavFontEngine {
    FT_Library library;
};

namespace tav {

struct GlyphDeleter {
    void operator()(FT_GlyphRec_ *glyph) const noexcept { FT_Done_Glyph(glyph); }
};
// Owner of one FT_Glyph.
using GlyphPtr = std::unique_ptr<FT_GlyphRec_, GlyphDeleter>;

struct FaceDeleter {
    void operator()(FT_FaceRec_ *face) const noexcept { FT_Done_Face(face); }
};
// Owner of one FT_Face until it is handed to a font object.
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

// True when the font has a face and a size that can be measured and drawn.
inline bool font_has_size(const TavFont *font) {
    return font && font->face && font->char_width > 0 && font->char_height > 0;
}

// True when a positive size is one the font engine will not set or will
// not load glyphs at (beyond what 26.6 units or the face's scaling can
// hold), so that text at it would silently come out empty.  Sizes of zero
// or less are not refused: they measure and draw nothing.
bool font_refuses_size(TavFont *font, int size);

// The message for a size the engine refuses.
inline std::string font_size_message(const char *font_name, const char *size) {
    return std::string("font \"") + font_name + "\" cannot be set to size " + size;
}

}  // namespace tav
