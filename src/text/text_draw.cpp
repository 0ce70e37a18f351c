// Drawing text into a Photo: the laid-out glyphs are transformed by a
// horizontal stretch and a rotation, culled against the image, rasterised
// and blended row by row (or set in palette index 0 on indexed images).
#include "text/text_layout_p.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

namespace tav {
namespace {

// Glyphs wider or taller than this are rasterised only where they meet the
// image, so a huge size or stretch costs image-sized work, not glyph-sized.
constexpr int64_t kWholeGlyphSide = 2048;

// 16.16 value of a double, saturated to the 32-bit range (NaN gives 0).
FT_Fixed fixed_of(double v) {
    const double f = std::trunc(v * 65536.0);
    if (!(f == f)) return 0;
    return static_cast<FT_Fixed>(std::clamp(f, -2147483647.0, 2147483647.0));
}

// The glyph transform: stretch first, then rotation (16.16).
FT_Matrix text_matrix(double angle, double stretch) {
    FT_Matrix s{65536, 0, 0, 65536};
    if (stretch > 0 && stretch != 1) s.xx = fixed_of(stretch);
    if (angle != 0) {
        FT_Matrix r;
        r.xx = r.yy = fixed_of(FCos(angle));
        r.yx = fixed_of(-FSin(angle));
        r.xy = -r.yx;
        FT_Matrix_Multiply(&r, &s);
    }
    return s;
}

__extension__ typedef __int128 wide;

// a × b / 65536 rounded as FreeType's FT_MulFix rounds, without overflow.
wide mul_fix(FT_Pos a, FT_Fixed b) {
    const wide ab = static_cast<wide>(a) * b;
    return (ab + 0x8000 - (ab < 0 ? 1 : 0)) >> 16;
}

// v × m in 16.16 over the full 64 bits of FT_Pos: FreeType's own
// FT_Vector_Transform works on 32 bits on some hosts, which wraps the pen
// positions of long lines and the alignment offsets of wide stretches.
// Results are held within +-2^60, far off any image.
FT_Vector transform(FT_Vector v, const FT_Matrix &m) {
    const wide far = wide{1} << 60;
    const auto held = [far](wide r) { return static_cast<FT_Pos>(std::clamp(r, -far, far)); };
    return FT_Vector{held(mul_fix(v.x, m.xx) + mul_fix(v.y, m.xy)), held(mul_fix(v.x, m.yx) + mul_fix(v.y, m.yy))};
}

// A point of the image in pixels, 64-bit so that the offsets of huge texts
// cannot overflow.
struct Point {
    int64_t x, y;
};

// Where the glyphs go: the image, its size and the colour.
struct Target {
    Photo *photo;
    int width, height;
    unsigned char rgba[4];
    int table_levels = -1;        // gray levels alpha_of was made for
    unsigned char alpha_of[256];  // coverage -> alpha
};

// Address of the top row of a bitmap, whatever its row order.
const unsigned char *top_row(const FT_Bitmap &bm) {
    if (bm.pitch >= 0) return bm.buffer;
    return bm.buffer - static_cast<ptrdiff_t>(bm.pitch) * (static_cast<ptrdiff_t>(bm.rows) - 1);
}

// Coverage v of `levels` gray levels becomes alpha: full coverage the
// colour's alpha, partial coverage a share of it.
void fill_alpha_table(Target &t, int levels) {
    const int alpha = t.rgba[3];
    t.table_levels = levels;
    for (int v = 0; v < 256; ++v) {
        int a;
        if (v == 0)
            a = 0;
        else if (v >= levels - 1)
            a = alpha;
        else if (alpha == levels)
            a = v;
        else
            a = std::max(0, alpha * v / levels);
        t.alpha_of[v] = static_cast<unsigned char>(a);
    }
}

// Blends an 8-bit coverage bitmap whose top-left pixel lies at `at`, one
// RGBA row per bitmap row.
void blend_gray(Target &t, const FT_Bitmap &bm, Point at, Bytes &row, size_t &row_size) {
    const int levels = bm.num_grays == 256 ? 255 : bm.num_grays;
    if (levels < 1 || bm.width == 0) return;
    const int w = static_cast<int>(bm.width);
    const size_t need = static_cast<size_t>(w) * 4;
    if (need > row_size) {
        row = attempt_bytes(need);
        row_size = row ? need : 0;
        if (!row) return;
    }
    if (levels != t.table_levels) fill_alpha_table(t, levels);
    unsigned char *out = row.get();
    for (int i = 0; i < w; ++i) std::memcpy(out + 4 * i, t.rgba, 3);
    const unsigned char *src = top_row(bm);
    for (unsigned int r = 0; r < bm.rows; ++r, src += bm.pitch) {
        const int64_t y = at.y + r;
        if (y < 0) continue;
        if (y >= t.height) break;
        for (int i = 0; i < w; ++i) out[4 * i + 3] = t.alpha_of[src[i]];
        PhotoPutRGBA(t.photo, out, static_cast<int>(at.x), static_cast<int>(y), w, 1, TAV_COMPOSE_DEFAULT);
    }
}

// Sets palette index 0 under every set bit of a 1-bit bitmap, a run of set
// bits at a time; clear bits leave the image alone.
void set_mono(Target &t, const FT_Bitmap &bm, Point at, Bytes &zeros, size_t &zeros_size) {
    const int w = static_cast<int>(bm.width);
    if (w == 0) return;
    if (static_cast<size_t>(w) > zeros_size) {
        zeros = attempt_bytes(static_cast<size_t>(w));
        zeros_size = zeros ? static_cast<size_t>(w) : 0;
        if (!zeros) return;
        std::memset(zeros.get(), 0, static_cast<size_t>(w));
    }
    const unsigned char *src = top_row(bm);
    for (unsigned int r = 0; r < bm.rows; ++r, src += bm.pitch) {
        const int64_t y = at.y + r;
        if (y < 0) continue;
        if (y >= t.height) break;
        auto bit = [src](int c) { return (src[c >> 3] >> (7 - (c & 7))) & 1; };
        for (int c = 0; c < w;) {
            if (!bit(c)) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < w && bit(c)) ++c;
            PhotoPutIndex(t.photo, zeros.get(), static_cast<int>(at.x + start), static_cast<int>(y), c - start, 1);
        }
    }
}

struct Scratch {
    Bytes row;
    size_t row_size = 0;
    Bytes zeros;
    size_t zeros_size = 0;
};

// Puts a bitmap whose top-left pixel lies `left` pixels right of and `top`
// pixels above the origin (FreeType's y grows upwards, image rows downwards).
void put_bitmap(Target &t, const FT_Bitmap &bm, Point origin, int64_t left, int64_t top, Scratch &s) {
    const Point at{origin.x + left, origin.y - top};
    if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
        set_mono(t, bm, at, s.zeros, s.zeros_size);
    else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
        blend_gray(t, bm, at, s.row, s.row_size);
}

// Rasterises only the part of a (huge) outline glyph that meets the image.
void put_clipped_outline(Target &t, Point origin, FT_OutlineGlyph glyph, const FT_BBox &box, FT_Render_Mode mode,
                         FT_Library library, Scratch &s) {
    const int64_t gx0 = std::max<int64_t>(box.xMin, -origin.x);
    const int64_t gx1 = std::min<int64_t>(box.xMax, t.width - origin.x);
    const int64_t gy0 = std::max<int64_t>(box.yMin, origin.y - t.height);
    const int64_t gy1 = std::min<int64_t>(box.yMax, origin.y);
    if (gx1 <= gx0 || gy1 <= gy0) return;
    FT_Bitmap bm{};
    bm.width = static_cast<unsigned int>(gx1 - gx0);
    bm.rows = static_cast<unsigned int>(gy1 - gy0);
    const bool mono = mode == FT_RENDER_MODE_MONO;
    bm.pitch = mono ? static_cast<int>((bm.width + 7) / 8) : static_cast<int>(bm.width);
    bm.pixel_mode = mono ? FT_PIXEL_MODE_MONO : FT_PIXEL_MODE_GRAY;
    bm.num_grays = 256;
    size_t bytes = 0;
    if (!checked_mul(static_cast<size_t>(bm.pitch), bm.rows, &bytes)) return;
    Bytes buffer = attempt_bytes(bytes);
    if (!buffer) return;
    std::memset(buffer.get(), 0, bytes);
    bm.buffer = buffer.get();
    FT_Outline_Translate(&glyph->outline, -gx0 * 64, -gy0 * 64);
    if (FT_Outline_Get_Bitmap(library, &glyph->outline, &bm) == 0) put_bitmap(t, bm, origin, gx0, gy1, s);
}

// Draws one laid-out glyph; any step FreeType refuses skips the glyph.
void draw_glyph(Target &t, Point anchor, const TextGlyph &entry, const FT_Matrix &m, FT_Render_Mode mode,
                FT_Library library, Scratch &s) {
    FT_Glyph raw = nullptr;
    if (FT_Glyph_Copy(entry.glyph, &raw) != 0) return;
    GlyphPtr copy(raw);
    const FT_Vector pen = transform(FT_Vector{entry.pen_x, entry.pen_y}, m);
    // The glyph is moved by the fraction of a pixel only and its whole
    // pixels are added where the bitmap is placed: FreeType refuses bitmaps
    // lying more than 32768 pixels from the origin, which a long line
    // reaches, while coverage is the same under whole-pixel moves.
    const FT_Vector whole{pen.x & ~FT_Pos{63}, pen.y & ~FT_Pos{63}};
    FT_Vector fraction{pen.x - whole.x, pen.y - whole.y};
    if (FT_Glyph_Transform(copy.get(), const_cast<FT_Matrix *>(&m), &fraction) != 0) return;
    const Point origin{anchor.x + whole.x / 64, anchor.y - whole.y / 64};
    FT_BBox box;
    FT_Glyph_Get_CBox(copy.get(), FT_GLYPH_BBOX_PIXELS, &box);
    if (origin.x + box.xMin >= t.width || origin.x + box.xMax < 0 || origin.y - box.yMax >= t.height ||
        origin.y - box.yMin < 0)
        return;
    const bool huge = box.xMax - box.xMin > kWholeGlyphSide || box.yMax - box.yMin > kWholeGlyphSide;
    if (huge && copy->format == FT_GLYPH_FORMAT_OUTLINE) {
        put_clipped_outline(t, origin, reinterpret_cast<FT_OutlineGlyph>(copy.get()), box, mode, library, s);
        return;
    }
    raw = copy.release();
    const FT_Error error = FT_Glyph_To_Bitmap(&raw, mode, nullptr, 1);
    copy.reset(raw);  // the bitmap glyph on success, the untouched copy otherwise
    if (error != 0) return;
    auto *bitmap = reinterpret_cast<FT_BitmapGlyph>(copy.get());
    put_bitmap(t, bitmap->bitmap, origin, bitmap->left, bitmap->top, s);
}

void draw_text(Photo *photo, const unsigned char *color, int x, int y, int halign, int valign, double angle,
               double stretch, TavFont *font, int size, const char *text, int encoding, int max_chars) {
    const int n_chars = PhotoTextLength(text, encoding, max_chars);
    size_t bytes = 0;
    if (!checked_mul(static_cast<size_t>(n_chars), sizeof(TextGlyph), &bytes)) return;
    Bytes entries_block = attempt_bytes(bytes);
    if (!entries_block) return;
    auto *entries = reinterpret_cast<TextGlyph *>(entries_block.get());
    TextLayout layout;
    const int n = layout.run(font, size, text, encoding, n_chars, entries);
    if (n <= 0 || !photo || !std::isfinite(angle)) return;

    const FT_Render_Mode mode = photo->mode == TAV_MODE_INDEXED ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
    const TextExtent &e = layout.extent();
    const int64_t width = pixels_of(e.width), ascent = pixels_of(e.ascent), descent = pixels_of(e.descent);
    int64_t dx = 0, dy = 0;
    if (halign == TAV_ALIGN_RIGHT) dx = -width;
    else if (halign == TAV_ALIGN_CENTER) dx = -width / 2;
    if (valign == TAV_VALIGN_TOP) dy = -ascent;
    else if (valign == TAV_VALIGN_MIDDLE) dy = (descent - ascent) / 2;
    else if (valign == TAV_VALIGN_BOTTOM) dy = descent;

    const FT_Matrix m = text_matrix(angle, stretch);
    Point anchor{x, y};
    if (dx != 0 || dy != 0) {
        const FT_Vector offset = transform(FT_Vector{dx, dy}, m);
        anchor.x += offset.x;
        anchor.y -= offset.y;  // image rows grow downwards, FreeType's y upwards
    }
    Target t{};
    t.photo = photo;
    t.width = PhotoWidth(photo);
    t.height = PhotoHeight(photo);
    if (color)
        std::memcpy(t.rgba, color, 4);
    else
        PhotoGetForeground(photo, t.rgba);

    Scratch scratch;
    FT_Library library = font->face->glyph->library;
    for (int i = 0; i < n; ++i)
        if (entries[i].glyph) draw_glyph(t, anchor, entries[i], m, mode, library, scratch);
}

}  // namespace
}  // namespace tav

extern "C" int PhotoDrawText(Photo *photo, const unsigned char *color, int x, int y, int halign, int valign,
                             double angle, double stretch, TavFont *font, int size, const char *text, int encoding,
                             int max_chars) {
    if (!text) return 0;
    try {
        tav::draw_text(photo, color, x, y, halign, valign, angle, stretch, font, size, text, encoding, max_chars);
    } catch (const std::bad_alloc &) {
        // Out of memory for the glyph cache: nothing more is drawn.
    }
    return 0;
}
