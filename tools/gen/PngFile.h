// PNG encoding for the generator's pictures (libpng, in memory). The output
// holds no time stamp or other varying chunk, so the same pixels always give
// the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/gen/Raster.h"

// Encodes rows from the top down, RGB or RGBA. Empty on failure.
std::vector<uint8_t> EncodePNG(const uint8_t* pixels, int width, int height, bool alpha);
// Encodes an opaque picture as RGB.
std::vector<uint8_t> EncodePNG(const Image& image);
