// Test pictures made at run time in a temporary folder: PNG and JPEG files
// through gdk-pixbuf, PNG variants (grey, palette, 16-bit, interlaced)
// through libpng, and damaged or hostile files byte by byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// Saves a w x h picture with gdk-pixbuf; format "png" or "jpeg"; alpha
// keeps the fourth channel (PNG only).
bool SavePicture(const std::string& path, int w, int h, const PixelFunction& pixel, const char* format,
                 bool alpha = false);

enum class PngKind { Grey, GreyAlpha, Palette, Rgb16, Rgb };
// Writes a PNG of the given kind with libpng: grey takes R; palette
// pictures use the palette entry R % 4 of {red, green, blue, white}; 16-bit
// samples are the 8-bit ones times 257.
bool WritePng(const std::string& path, int w, int h, PngKind kind, bool interlaced,
              const PixelFunction& pixel);

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// A PNG whose header claims w x h pixels, with a valid chunk structure and a
// few bytes of image data.
std::vector<uint8_t> PngClaimingSize(uint32_t w, uint32_t h);
// A GIF whose screen and image claim w x h pixels.
std::vector<uint8_t> GifClaimingSize(uint16_t w, uint16_t h);
// A 2 x 2 GIF: black, white / white, black, from the top-left.
std::vector<uint8_t> SmallGif();
