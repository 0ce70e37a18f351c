// Text layout over FreeType: a glyph is placed at the pen position reached
// before the kerning between it and its predecessor; that kerning and the
// glyph's advance move the pen after it, so a pair's kerning moves the glyph
// that follows the pair.
#include "text/text_layout_p.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tav {

int pixels_of(FT_Pos value) {
    return static_cast<int>(std::clamp<FT_Pos>(value >> 6, INT_MIN, INT_MAX));
}

const TextLayout::LoadedGlyph &TextLayout::load(FT_Face face, FT_UInt index) {
    auto [it, is_new] = cache_.try_emplace(index);
    LoadedGlyph &g = it->second;
    if (!is_new) return g;
    FT_Glyph image = nullptr;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0 || FT_Get_Glyph(face->glyph, &image) != 0) return g;
    g.image.reset(image);
    g.ok = true;
    const FT_GlyphSlot slot = face->glyph;
    g.advance_x = slot->advance.x;
    g.ascent = std::labs(slot->metrics.horiBearingY);
    const FT_Pos height = FT_HAS_VERTICAL(face) ? slot->advance.y : slot->metrics.height;
    g.descent = std::labs(height - g.ascent);
    return g;
}

int TextLayout::run(TavFont *font, int size, const char *text, int encoding, int max_chars, TextGlyph *out) {
    extent_ = TextExtent{};
    if (PhotoPrepareFont(font, size) != 0 || !font_has_size(font) || !text) return -1;
    FT_Face face = font->face;
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    int count = 0;
    while (max_chars < 0 || count < max_chars) {
        int length = 0;
        const FT_ULong code = PhotoGetNextChar(text, encoding, &length);
        if (length == 0 || code == 0) break;
        const FT_UInt index = FT_Get_Char_Index(face, code);
        FT_Pos step = 0;
        if (previous != 0) {
            FT_Vector kerning{0, 0};
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning) == 0) step = kerning.x;
        }
        const LoadedGlyph &g = load(face, index);
        if (out) out[count] = TextGlyph{index, pen, 0, g.ok ? g.image.get() : nullptr};
        if (g.ok) {
            step += g.advance_x;
            extent_.ascent = std::max(extent_.ascent, g.ascent);
            extent_.descent = std::max(extent_.descent, g.descent);
        }
        pen += step;
        previous = index;
        text += length;
        ++count;
    }
    extent_.width = pen;
    return count;
}

}  // namespace tav
