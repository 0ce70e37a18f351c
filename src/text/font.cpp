// The font engine (one FreeType library per interpreter) and font objects:
// a FreeType face opened from a file or from bytes, with the size last set.
#include "core/memory_p.h"
#include "text/font_p.h"

#include <cstdint>
#include <cstring>

namespace {

// Wraps an opened face in a new font object; the face is closed when the
// object cannot be made.
TavFont *make_font(tav::FacePtr face, const unsigned char *data, int length, int flags) {
    auto *font = static_cast<TavFont *>(tav::attempt_alloc(sizeof(TavFont)));
    if (!font) return nullptr;
    font->face = face.release();
    font->char_width = 0;
    font->char_height = 0;
    font->data = data;
    font->data_length = length;
    font->flags = flags;
    return font;
}

}  // namespace

extern "C" {

TavFontEngine *TavFontInit(void) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return nullptr;
    auto *engine = static_cast<TavFontEngine *>(tav::attempt_alloc(sizeof(TavFontEngine)));
    if (!engine) {
        FT_Done_FreeType(library);
        return nullptr;
    }
    engine->library = library;
    return engine;
}

void TavFontClose(TavFontEngine *engine) {
    if (!engine) return;
    FT_Done_FreeType(engine->library);
    TavFree(engine);
}

TavFont *PhotoGetFontData(TavFontEngine *engine, const unsigned char *bytes, int length, int flags,
                          int face_index) {
    if (!engine || !bytes || length <= 0) return nullptr;
    if (face_index < 0) face_index = 0;
    tav::Bytes copy;
    if (flags & TAV_FONT_OWN_DATA) {
        copy = tav::attempt_bytes(static_cast<size_t>(length));
        if (!copy) return nullptr;
        std::memcpy(copy.get(), bytes, static_cast<size_t>(length));
        bytes = copy.get();
    }
    FT_Face raw = nullptr;
    if (FT_New_Memory_Face(engine->library, bytes, length, face_index, &raw) != 0) return nullptr;
    TavFont *font = make_font(tav::FacePtr(raw), bytes, length, flags);
    if (font) copy.release();  // the font owns the copy from now on
    return font;
}

TavFont *PhotoGetFontFile(TavFontEngine *engine, const char *path, int face_index) {
    if (!engine || !path) return nullptr;
    if (face_index < 0) face_index = 0;
    FT_Face raw = nullptr;
    if (FT_New_Face(engine->library, path, face_index, &raw) != 0) return nullptr;
    return make_font(tav::FacePtr(raw), nullptr, 0, 0);
}

int PhotoDeleteFont(TavFont *font) {
    if (!font) return 0;
    if (font->face) {
        FT_Done_Face(font->face);
        if (font->data && (font->flags & TAV_FONT_OWN_DATA)) TavFree(const_cast<unsigned char *>(font->data));
    }
    TavFree(font);
    return 0;
}

int PhotoPrepareFont(TavFont *font, int size) {
    if (!font || !font->face) return 1;
    // 26.6 sizes beyond 32 bits cannot be set; FreeType refuses far smaller ones.
    const int64_t s = static_cast<int64_t>(size) * 64;
    if (size <= 0 || s > INT32_MAX) {
        font->char_width = font->char_height = 0;
        return 0;
    }
    if (s == font->char_width && s == font->char_height) return 0;
    const bool ok = FT_Set_Char_Size(font->face, s, s, 72, 72) == 0;
    font->char_width = font->char_height = ok ? static_cast<int>(s) : 0;
    return 0;
}

}  // extern "C"

bool tav::font_refuses_size(TavFont *font, int size) {
    if (size <= 0) return false;
    if (PhotoPrepareFont(font, size) != 0 || !font_has_size(font)) return true;
    // The size is set; a glyph that loads and copies out as the layout
    // takes it shows that the face scales to it.
    const FT_UInt probe = FT_Get_Char_Index(font->face, 'W');
    FT_Glyph glyph = nullptr;
    if (FT_Load_Glyph(font->face, probe, FT_LOAD_DEFAULT) != 0) return true;
    const FT_Error error = FT_Get_Glyph(font->face->glyph, &glyph);
    if (glyph) FT_Done_Glyph(glyph);
    return error != 0;
}
