// The font sheet of the texture pack: 16 columns by 8 rows of square-drawn
// cells holding the characters 32 to 127, white glyphs on black (the pack
// gives it the brightness alpha mode, so the glyph shape is the alpha).
#pragma once

#include "tools/gen/Raster.h"
#include "tools/gen/TextRaster.h"

constexpr int kFontColumns = 16;
constexpr int kFontRows = 8;
constexpr int kFontCell = 32;       // pixels; the sheet is 512 x 256
constexpr int kFontCellMargin = 2;  // empty pixels kept on every side of a glyph

// Left and right edge of the ink a glyph may use inside its cell. Letters
// are drawn as cell-wide squares one 0.75 cell apart, so a glyph kept within
// the middle 0.75 of its cell never touches its neighbours.
constexpr float kFontInkWidth = 0.72f * kFontCell;

// Builds the sheet from a monospaced font (DejaVu Sans Mono Bold). Byte 127,
// which has no printable character, holds a small heart.
Image MakeFontSheet(FontFace* font);
