// TGA decoder: true-colour images of type 2 (uncompressed) and type 10
// (run-length encoded), 24 or 32 bits, no image-ID field, no colour map.
// Failures are shown as alerts (see Alerts.h) with fixed texts and make the
// decoder return false with the texture's pixels absent.
#pragma once

#include <fstream>
#include <istream>

#include "assets/Texture.h"

// Widest and tallest image the decoder accepts, in pixels.
constexpr int kMaxTGASide = 16384;

// Decodes one image from file, positioned at the image (for example at a
// pack lump), into texture: imageData gets R,G,B(,A) pixels with row 0 at
// the bottom as OpenGL places it (files stored top-down, descriptor bit 5,
// are turned upright), bpp, width, height and type are set, texID is left
// alone. The stream is left just behind the pixels.
bool LoadTGA2(Texture* texture, std::fstream* file);

// The same decoder over the file at path, opened and closed here.
bool LoadTGA(Texture* texture, const char* path);

// The same decoder over any input stream (used by the two above, by the
// pack tool and by the fuzzer).
bool DecodeTGA(Texture* texture, std::istream& in);
