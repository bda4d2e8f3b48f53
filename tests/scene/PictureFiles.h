// Test pictures made at run time in a temporary folder: JPEG files through
// gdk-pixbuf and PNG files of every colour type through libpng.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/FileIO.h"

// A fresh folder under the temporary folder, removed with its contents.
struct TempFolder {
    std::string path;  // ends in "/"
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string File(const std::string& name) const { return path + name; }
};

// Colour of pixel (x, y), y counted from the top: writes R, G, B, A.
using PixelFunction = std::function<void(int x, int y, uint8_t* rgba)>;

PixelFunction SolidColour(uint8_t r, uint8_t g, uint8_t b);

// PNG colour types (grey takes R; palette pictures use entry R % 4 of {red,
// green, blue, white}; 16-bit samples are the 8-bit ones times 257), JPEG
// and WebP.
enum class PicKind { Rgb, Rgba, Grey, GreyAlpha, Palette, Rgb16, Jpeg, Webp };

// Saves a w x h picture; interlacing applies to PNG only.
bool SavePicture(const std::string& path, int w, int h, const PixelFunction& pixel,
                 PicKind kind = PicKind::Rgb, bool interlaced = false);

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteFileBytes(path, bytes, nullptr);
}
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    ReadFileBytes(path, &bytes, nullptr);
    return bytes;
}
