// The generated artwork as file contents: the three resource packs and the
// background picture. The same inputs (the font files) always give the same
// bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/gen/Raster.h"
#include "tools/gen/TextRaster.h"

struct GeneratedFile {
    std::string name;  // file name inside the resource folder
    std::vector<uint8_t> bytes;
};

// Lump type of the model lumps (the texture loader reads only type 1).
constexpr uint32_t kModelLumpType = 2;

// Picture sizes of the texture pack.
constexpr int kBannerWidth = 256, kBannerHeight = 32;
constexpr int kStripWidth = 1024, kStripHeight = 64;
constexpr int kSphereMapSize = 256;
constexpr int kPartnerSize = 512;
constexpr int kSpriteSize = 64;
constexpr int kWallpaperWidth = 1920, kWallpaperHeight = 1080;

// The pictures of the texture pack, slot by slot, with their alpha modes.
struct TexturePackImages {
    std::vector<Image> images;
    std::vector<uint32_t> alphaModes;
};

// Fonts used at build time, from the DejaVu family in fontDir.
struct ArtFonts {
    FontFace mono;       // DejaVu Sans Mono Bold: the font sheet
    FontFace condensed;  // DejaVu Sans Condensed Bold: the corner banner
    FontFace sans;       // DejaVu Sans Bold: the message strips
    FontFace script;     // DejaVu Serif Bold Italic: the partner picture's greeting

    bool Load(const std::string& dir, std::string* error);
};

TexturePackImages MakeTexturePackImages(ArtFonts* fonts);

// Every picture of the packs as named PNG files (for looking at them).
bool PicturesAsPng(const std::string& fontDir, std::vector<GeneratedFile>* files, std::string* error);

// Everything, in a fixed order: "tarnwick.works", "dovel.ple", "obj.ple",
// "background.png". False (with a reason) when a font cannot be loaded or
// a model does not pass its own checks.
bool GenerateArt(const std::string& fontDir, std::vector<GeneratedFile>* files, std::string* error);
