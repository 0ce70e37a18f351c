// Measuring text and reading a face's vertical metrics.
#include "text/text_layout_p.h"

#include <new>

extern "C" {

int PhotoGetMeasure(TavFont *font, int size, const char *text, int encoding, int max_chars, int *width,
                    int *ascent, int *descent) {
    try {
        tav::TextLayout layout;
        if (layout.run(font, size, text, encoding, max_chars, nullptr) < 0) return 1;
        const tav::TextExtent &e = layout.extent();
        if (width) *width = tav::pixels_of(e.width);
        if (ascent) *ascent = tav::pixels_of(e.ascent);
        if (descent) *descent = tav::pixels_of(e.descent);
    } catch (const std::bad_alloc &) {
        // Out of memory for the glyph cache: the outputs stay unwritten.
    }
    return 1;
}

int PhotoGetMetrics(TavFont *font, int size, int which, int *value) {
    if (!font || which < 0 || which > 6) return -1;
    FT_Face face = font->face;
    if (!face) return -2;
    if (!FT_IS_SCALABLE(face)) return -3;
    FT_Pos metric = 0;
    if (size > 0) {
        PhotoPrepareFont(font, size);
        // A size FreeType refused leaves the face at its previous size,
        // whose metrics would be wrong for this one.
        if (!tav::font_has_size(font)) return -3;
        const FT_Size_Metrics &m = face->size->metrics;
        switch (which) {
        case 0: metric = m.ascender; break;
        case 1: metric = m.descender; break;
        case 2: metric = m.height; break;
        case 3:
        case 4: metric = m.max_advance; break;
        case 5: metric = face->underline_position; break;
        default: metric = face->underline_thickness; break;
        }
    } else {
        switch (which) {
        case 0: metric = face->ascender; break;
        case 1: metric = face->descender; break;
        case 2: metric = face->height; break;
        case 3: metric = face->max_advance_width; break;
        case 4: metric = face->max_advance_height; break;
        case 5: metric = face->underline_position; break;
        default: metric = face->underline_thickness; break;
        }
    }
    if (value) *value = tav::pixels_of(metric);
    return 0;
}

unsigned int PhotoHasChar(TavFont *font, unsigned int code) {
    if (!font || !font->face) return 0;
    return FT_Get_Char_Index(font->face, code);
}

}  // extern "C"
