// Helpers shared by the asset tests: alert capture, a scratch folder, small
// images and reading textures back from GL.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assets/PackWriter.h"
#include "assets/Texture.h"

using Bytes = std::vector<uint8_t>;

// Records every alert shown while it lives (MessageBox through the alert
// sink, as "TITLE|text") and every message passed to the error hooks;
// restores the default sinks when destroyed.
struct AlertCapture {
    static std::vector<std::string> alerts;
    static std::vector<std::string> hooks;
    AlertCapture();
    ~AlertCapture();
};

// A fresh folder under the temporary folder, removed with its files at the end.
struct ScratchDir {
    std::string path;  // ends in "/"
    ScratchDir();
    ~ScratchDir();
    // Writes bytes to path + name and returns the full path.
    std::string Write(const std::string& name, const Bytes& bytes) const;
    // Writes a pack of these lumps under a fresh name and returns its path.
    std::string Pack(const std::vector<PackLump>& lumps) const;
};

// A width x height RGB (bpp 24) or RGBA (bpp 32) image, rows bottom-up,
// whose pixel (x, y) is (x * 40 + 1, y * 50 + 2, x + y * 7 + 3[, 255 - x - y]).
Bytes PatternPixels(int width, int height, int bpp);
// Pattern image encoded as TGA.
Bytes PatternTGA(int width, int height, int bpp, bool rle = false, bool topOrigin = false);
// Two pixels that tell the alpha modes apart: mode 0 gives alphas 255, 255;
// mode 1 (keyed on the first pixel) 0, 255; mode 2 (brightest channel) 200, 70.
Bytes ModeProbeTGA();

// The texels of a built texture, RGBA, read back from GL.
Bytes TexelsOf(const Texture& texture);
// Every fourth texel byte: the alphas.
Bytes AlphasOf(const Texture& texture);
