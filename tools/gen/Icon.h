// Dovel's application icon: a red heart with a gold rim, pierced by a small
// arrow. One list of shapes is drawn twice, as scalable SVG and as a PNG of
// any size, so the two always look the same.
#pragma once

#include <string>
#include <vector>

#include "tools/gen/Raster.h"

// The icon's canvas is kIconUnits units square; the SVG uses it as viewBox.
constexpr int kIconUnits = 256;

// The icon as an SVG document.
std::string IconSvg();

// The icon drawn into a size x size picture with a transparent surround.
Image IconImage(int size);
