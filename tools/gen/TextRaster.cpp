#include "tools/gen/TextRaster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace {

FT_Face Face(FontFace* font) {
    return static_cast<FT_Face>(font->face);
}

FT_F26Dot6 To26Dot6(float v) {
    return static_cast<FT_F26Dot6>(std::lround(v * 64.0f));
}

bool SetSize(FontFace* font, float pixelSize) {
    return FT_Set_Char_Size(Face(font), 0, To26Dot6(pixelSize), 72, 72) == 0;
}

}  // namespace

bool FontFace::Open(const std::string& path, std::string* error) {
    Close();
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) {
        if (error) *error = "cannot start FreeType";
        return false;
    }
    FT_Face f = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &f) != 0) {
        FT_Done_FreeType(lib);
        if (error) *error = "cannot open font " + path;
        return false;
    }
    library = lib;
    face = f;
    return true;
}

void FontFace::Close() {
    if (face) FT_Done_Face(static_cast<FT_Face>(face));
    if (library) FT_Done_FreeType(static_cast<FT_Library>(library));
    face = nullptr;
    library = nullptr;
}

bool RenderGlyph(FontFace* font, uint32_t code, float pixelSize, float scaleX, float penX, GlyphBitmap* out) {
    if (!font->face || !SetSize(font, pixelSize)) return false;
    FT_Matrix matrix = {static_cast<FT_Fixed>(std::lround(scaleX * 65536.0f)), 0, 0, 0x10000};
    FT_Vector delta = {To26Dot6(penX), 0};
    FT_Set_Transform(Face(font), &matrix, &delta);
    FT_Error err = FT_Load_Char(Face(font), code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
    FT_Set_Transform(Face(font), nullptr, nullptr);
    if (err != 0) return false;
    FT_GlyphSlot slot = Face(font)->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    out->width = static_cast<int>(bm.width);
    out->height = static_cast<int>(bm.rows);
    out->left = slot->bitmap_left;
    out->top = slot->bitmap_top;
    out->advance = slot->advance.x / 64.0f;
    out->coverage.assign(static_cast<size_t>(out->width) * out->height, 0);
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x)
            out->coverage[static_cast<size_t>(y) * out->width + x] = bm.buffer[y * bm.pitch + x];
    return true;
}

float FontAscent(FontFace* font, float pixelSize) {
    FT_Face f = Face(font);
    return f->ascender * pixelSize / f->units_per_EM;
}

float FontDescent(FontFace* font, float pixelSize) {
    FT_Face f = Face(font);
    return -f->descender * pixelSize / f->units_per_EM;
}

float CapHeight(FontFace* font, float pixelSize) {
    GlyphBitmap g;
    if (!RenderGlyph(font, 'H', pixelSize, 1.0f, 0.0f, &g)) return pixelSize * 0.7f;
    return static_cast<float>(g.top);
}

std::vector<uint32_t> DecodeUtf8(const std::string& text) {
    std::vector<uint32_t> codes;
    size_t i = 0;
    while (i < text.size()) {
        uint8_t c = static_cast<uint8_t>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) {
            codes.push_back(0xFFFD);
            ++i;
            continue;
        }
        uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            uint8_t cc = static_cast<uint8_t>(text[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            code = (code << 6) | (cc & 0x3F);
        }
        codes.push_back(ok ? code : 0xFFFD);
        i += ok ? extra + 1 : 1;
    }
    return codes;
}

namespace {

float Kerning(FontFace* font, uint32_t left, uint32_t right) {
    FT_Face f = Face(font);
    if (!FT_HAS_KERNING(f) || left == 0) return 0.0f;
    FT_Vector k;
    if (FT_Get_Kerning(f, FT_Get_Char_Index(f, left), FT_Get_Char_Index(f, right), FT_KERNING_UNFITTED, &k) !=
        0)
        return 0.0f;
    return k.x / 64.0f;
}

void AddGlyph(Mask* mask, const GlyphBitmap& g, int originX, int baseline) {
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            int tx = originX + g.left + x;
            int ty = baseline - g.top + y;
            if (tx < 0 || ty < 0 || tx >= mask->width || ty >= mask->height) continue;
            float c = g.coverage[static_cast<size_t>(y) * g.width + x] / 255.0f;
            float& dst = mask->at(tx, ty);
            dst = std::min(1.0f, dst + c);
        }
    }
}

}  // namespace

float TextWidth(FontFace* font, const std::string& text, float pixelSize) {
    float pen = 0.0f;
    uint32_t previous = 0;
    GlyphBitmap g;
    for (uint32_t code : DecodeUtf8(text)) {
        if (!SetSize(font, pixelSize)) return 0.0f;
        pen += Kerning(font, previous, code);
        if (RenderGlyph(font, code, pixelSize, 1.0f, 0.0f, &g)) pen += g.advance;
        previous = code;
    }
    return pen;
}

void DrawText(FontFace* font, Mask* mask, const std::string& text, float x, float baseline, float pixelSize) {
    float pen = x;
    uint32_t previous = 0;
    GlyphBitmap g;
    int base = static_cast<int>(std::lround(baseline));
    for (uint32_t code : DecodeUtf8(text)) {
        if (!SetSize(font, pixelSize)) return;
        pen += Kerning(font, previous, code);
        float whole = std::floor(pen);
        if (RenderGlyph(font, code, pixelSize, 1.0f, pen - whole, &g)) {
            AddGlyph(mask, g, static_cast<int>(whole), base);
            pen += g.advance;
        }
        previous = code;
    }
}

void DrawTextCentred(FontFace* font, Mask* mask, const std::string& text, float cx, float baseline,
                     float pixelSize) {
    DrawText(font, mask, text, cx - TextWidth(font, text, pixelSize) * 0.5f, baseline, pixelSize);
}
