// Text for the artwork, drawn with FreeType into coverage masks. Used at
// build time only: the program itself draws text from the font sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/gen/Raster.h"

// One open font file.
struct FontFace {
    void* library = nullptr;  // FT_Library
    void* face = nullptr;     // FT_Face

    FontFace() = default;
    ~FontFace() { Close(); }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    bool Open(const std::string& path, std::string* error);
    void Close();
};

// A rendered glyph: 8-bit coverage rows, top first; (left, top) place the
// bitmap's top-left corner relative to the pen on the baseline (top grows
// upwards, as FreeType counts it).
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    float advance = 0.0f;  // pixels
    std::vector<uint8_t> coverage;
};

// Renders one character at the given pixel size (em height), squeezed
// horizontally by scaleX, with the pen at a sub-pixel offset penX (0..1).
// False when the font cannot render it.
bool RenderGlyph(FontFace* font, uint32_t code, float pixelSize, float scaleX, float penX, GlyphBitmap* out);

// Size of the font's ascender and descender (positive down) at pixelSize.
float FontAscent(FontFace* font, float pixelSize);
float FontDescent(FontFace* font, float pixelSize);
// Height of capital letters (from the "H" glyph) at pixelSize.
float CapHeight(FontFace* font, float pixelSize);

// Width of a line of text (UTF-8) with kerning, in pixels.
float TextWidth(FontFace* font, const std::string& text, float pixelSize);
// Adds the coverage of a line of text to the mask: pen starting at x on the
// baseline y (pixels, y down).
void DrawText(FontFace* font, Mask* mask, const std::string& text, float x, float baseline, float pixelSize);
// Draws the line centred on cx.
void DrawTextCentred(FontFace* font, Mask* mask, const std::string& text, float cx, float baseline,
                     float pixelSize);

// Decodes UTF-8 into code points (invalid bytes become U+FFFD).
std::vector<uint32_t> DecodeUtf8(const std::string& text);
