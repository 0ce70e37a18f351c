// Private side of the font layer: the engine record and owners of FreeType
// handles, so that every path out of a function releases what it took.
#pragma once

#include "tavrel.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <memory>

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

}  // namespace tav
