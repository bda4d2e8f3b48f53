#include "tools/gen/FontSheet.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/Shapes.h"

namespace {

constexpr int kFirstCode = 32;
constexpr int kGlyphCount = 96;
constexpr float kEmPixels = 26.0f;
// Wider than the font's own letters: the cells are drawn 0.75 of a letter
// height apart, and on wide screens further stretched, so narrow letters
// would read as spaced out.
constexpr float kWiden = 1.55f;

struct CellGlyph {
    GlyphBitmap bitmap;
    float scale = 1.0f;  // horizontal squeeze applied to fit the ink width
    bool present = false;
};

CellGlyph RenderCellGlyph(FontFace* font, uint32_t code) {
    CellGlyph cell;
    float scale = kWiden;
    for (int attempt = 0; attempt < 6; ++attempt) {
        if (!RenderGlyph(font, code, kEmPixels, scale, 0.0f, &cell.bitmap)) return cell;
        if (cell.bitmap.width <= kFontInkWidth) break;
        scale *= kFontInkWidth / (cell.bitmap.width + 1.0f);
    }
    cell.scale = scale;
    cell.present = true;
    return cell;
}

// Places a glyph bitmap in cell (col, row): ink centred across the cell,
// the baseline at `baseline` pixels below the cell's top.
void PlaceGlyph(Mask* sheet, const GlyphBitmap& g, int col, int row, int baseline) {
    int x0 = col * kFontCell + (kFontCell - g.width) / 2;
    int y0 = row * kFontCell + baseline - g.top;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            int tx = x0 + x;
            int ty = y0 + y;
            // Never let a glyph reach into the margin that keeps linear
            // filtering from picking up a neighbour.
            if (tx < col * kFontCell + kFontCellMargin || tx >= (col + 1) * kFontCell - kFontCellMargin)
                continue;
            if (ty < row * kFontCell + kFontCellMargin || ty >= (row + 1) * kFontCell - kFontCellMargin)
                continue;
            sheet->at(tx, ty) = g.coverage[static_cast<size_t>(y) * g.width + x] / 255.0f;
        }
    }
}

void PlaceHeart(Mask* sheet, int col, int row) {
    float cx = col * kFontCell + kFontCell * 0.5f;
    float cy = row * kFontCell + kFontCell * 0.5f;
    for (int y = row * kFontCell; y < (row + 1) * kFontCell; ++y)
        for (int x = col * kFontCell; x < (col + 1) * kFontCell; ++x)
            sheet->at(x, y) = Coverage(HeartDistance(x + 0.5f, y + 0.5f, cx, cy, kFontCell * 0.62f), 1.0f);
}

}  // namespace

Image MakeFontSheet(FontFace* font) {
    Mask sheet(kFontColumns * kFontCell, kFontRows * kFontCell);
    CellGlyph glyphs[kGlyphCount];
    int maxTop = 0;
    int maxBelow = 0;
    for (int c = 0; c < kGlyphCount - 1; ++c) {
        glyphs[c] = RenderCellGlyph(font, kFirstCode + c);
        if (!glyphs[c].present || glyphs[c].bitmap.height == 0) continue;
        maxTop = std::max(maxTop, glyphs[c].bitmap.top);
        maxBelow = std::max(maxBelow, glyphs[c].bitmap.height - glyphs[c].bitmap.top);
    }
    // One baseline for every cell, centring the tallest extents vertically.
    int room = kFontCell - 2 * kFontCellMargin;
    int baseline = kFontCellMargin + maxTop + std::max(0, (room - maxTop - maxBelow) / 2);
    for (int c = 0; c < kGlyphCount - 1; ++c)
        if (glyphs[c].present)
            PlaceGlyph(&sheet, glyphs[c].bitmap, c % kFontColumns, c / kFontColumns, baseline);
    PlaceHeart(&sheet, (kGlyphCount - 1) % kFontColumns, (kGlyphCount - 1) / kFontColumns);

    Image image(sheet.width, sheet.height, {0, 0, 0, 1});
    for (int y = 0; y < sheet.height; ++y) {
        for (int x = 0; x < sheet.width; ++x) {
            float m = sheet.at(x, y);
            image.at(x, y) = {m, m, m, 1.0f};
        }
    }
    return image;
}
