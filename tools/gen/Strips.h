// The banner and message strips of the texture pack: a crimson ribbon with
// a gold edge, hearts at its ends and a line of cream text, on black. The
// pack gives them the brightness alpha mode, so the black around the ribbon
// is transparent and the bright ribbon nearly opaque.
#pragma once

#include <string>

#include "tools/gen/Raster.h"
#include "tools/gen/TextRaster.h"

// The texts of the strips, our own words.
extern const char* const kCornerBannerText;   // slot 1
extern const char* const kMessageStripText4;  // slot 4
extern const char* const kMessageStripText5;  // slot 5

// A ribbon of width x height pixels with the text in the given font, sized
// to the ribbon's height (and narrowed to fit its length when needed).
Image MakeStrip(FontFace* font, int width, int height, const std::string& text);
