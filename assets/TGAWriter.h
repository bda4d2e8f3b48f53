// TGA encoder for the tools and tests: true-colour images of type 2
// (uncompressed) or type 10 (run-length), 24 or 32 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/FileIO.h"

// Encodes a width x height image. pixels holds R, G, B (and A when bpp is
// 32) per pixel, rows from the bottom up as OpenGL stores them. rle picks
// type 10 over type 2. topOrigin writes the rows top-down and sets bit 5 of
// the image descriptor, as many image editors do; otherwise rows are written
// bottom-up with the bit clear. The image-ID field is empty, there is no
// colour map and the origin is (0, 0); 32-bit images declare 8 alpha bits.
// Returns an empty vector when bpp is not 24 or 32 or a size is outside
// 1..65535.
std::vector<uint8_t> EncodeTGA(const uint8_t* pixels, int width, int height, int bpp, bool rle,
                               bool topOrigin);
