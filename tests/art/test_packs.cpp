// The generated packs as files: they pass dovel-pack's checks, the texture
// pack holds its slots with the right sizes and alpha modes, the font sheet
// follows the cell layout, and the generator writes the same bytes on every
// run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "assets/FileBytes.h"
#include "assets/ResFile.h"
#include "tests/art/ArtTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

TEST(Packs, PassDovelPackVerify) {
    std::string tool = Quote(ProgramDir() + "dovel-pack");
    std::string quiet = " >/dev/null";
    EXPECT_EQ(RunCommand(tool + " verify " + Quote(DataDir() + "tarnwick.works") + quiet), 0);
    EXPECT_EQ(RunCommand(tool + " verify --model " + Quote(DataDir() + "dovel.ple") + quiet), 0);
    EXPECT_EQ(RunCommand(tool + " verify " + Quote(DataDir() + "obj.ple") + quiet), 0);
}

TEST(Packs, GeneratorWritesTheSameBytesEveryRun) {
    TempDir out;
    ASSERT_FALSE(out.path.empty());
    ASSERT_EQ(RunCommand(Quote(ProgramDir() + "dovel-gen") + " " + Quote(out.path)), 0);
    for (const char* name : {"tarnwick.works", "dovel.ple", "obj.ple", "background.png"}) {
        std::vector<uint8_t> fresh, built;
        ASSERT_TRUE(ReadFileBytes(out.path + name, &fresh, nullptr)) << name;
        ASSERT_TRUE(ReadFileBytes(DataDir() + name, &built, nullptr)) << name;
        EXPECT_FALSE(fresh.empty()) << name;
        EXPECT_TRUE(fresh == built) << name << " differs between two runs";
    }
}

struct Slot {
    int width, height;
    uint32_t alphaMode;
};

// Slot sizes and alpha modes: the font sheet, the banner and message
// strips and the heart's sphere map take their alpha from brightness, the
// partner picture is opaque.
TEST(TexturePack, HoldsEightImageSlotsOfTheirSizes) {
    const Slot slots[] = {{512, 256, 2}, {256, 32, 2},  {64, 64, 2},   {64, 64, 2},
                          {1024, 64, 2}, {1024, 64, 2}, {256, 256, 2}, {512, 512, 0}};
    std::string path = DataDir() + "tarnwick.works";
    RESFILE pack;
    ASSERT_TRUE(pack.Open(path.c_str()));
    ASSERT_EQ(pack.header.lumpCount, 8u);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(pack.directory[k].type, 1u) << "slot " << k;
        EXPECT_EQ(pack.directory[k].alphaMode, slots[k].alphaMode) << "slot " << k;
        Texture image;
        ASSERT_TRUE(LoadImageLump(path, k, &image)) << "slot " << k;
        EXPECT_EQ(static_cast<int>(image.width), slots[k].width) << "slot " << k;
        EXPECT_EQ(static_cast<int>(image.height), slots[k].height) << "slot " << k;
    }
}

// Brightness of the pixel (x, y) counted from the top-left corner, as the
// brightness alpha mode makes it.
int AlphaAt(const Texture& image, int x, int y) {
    int bytes = image.bpp / 8;
    const uint8_t* p =
        image.imageData + (static_cast<size_t>(image.height - 1 - y) * image.width + x) * bytes;
    return std::max({p[0], p[1], p[2]});
}

TEST(TexturePack, FontSheetHasOneWhiteGlyphPerCellInsideItsMargins) {
    Texture sheet;
    ASSERT_TRUE(LoadImageLump(DataDir() + "tarnwick.works", 0, &sheet));
    ASSERT_EQ(sheet.width, 2 * sheet.height);  // square cells: 16 x 8
    int cell = sheet.width / 16;
    for (int code = 0; code < 128; ++code) {
        int col = code % 16, row = code / 16;
        int ink = 0, margin = 0, grey = 0;
        for (int y = row * cell; y < (row + 1) * cell; ++y) {
            for (int x = col * cell; x < (col + 1) * cell; ++x) {
                int a = AlphaAt(sheet, x, y);
                const uint8_t* p =
                    sheet.imageData + (static_cast<size_t>(sheet.height - 1 - y) * sheet.width + x) * 3;
                if (p[0] != p[1] || p[1] != p[2]) ++grey;
                if (a == 0) continue;
                bool edge = x - col * cell < 2 || (col + 1) * cell - x <= 2 || y - row * cell < 2 ||
                            (row + 1) * cell - y <= 2;
                (edge ? margin : ink) += 1;
            }
        }
        EXPECT_EQ(grey, 0) << "cell " << code << " is not white on black";
        EXPECT_EQ(margin, 0) << "cell " << code << " reaches into its margin";
        bool printable = code >= 1 && code <= 95;  // '!' .. '~' and the heart at 127
        if (printable)
            EXPECT_GT(ink, 8) << "character " << code + 32 << " has no glyph";
        else
            EXPECT_EQ(ink, 0) << "cell " << code << " should be empty";
    }
}

TEST(TexturePack, GlyphsSitOnOneBaselineWithinTheLetterAdvance) {
    Texture sheet;
    ASSERT_TRUE(LoadImageLump(DataDir() + "tarnwick.works", 0, &sheet));
    int cell = sheet.width / 16;
    auto extent = [&](char c, int* left, int* right, int* bottom) {
        int code = c - 32, col = code % 16, row = code / 16;
        *left = cell, *right = -1, *bottom = -1;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                if (AlphaAt(sheet, col * cell + x, row * cell + y) > 64) {
                    *left = std::min(*left, x), *right = std::max(*right, x), *bottom = std::max(*bottom, y);
                }
    };
    int l, r, baseline, b;
    extent('H', &l, &r, &baseline);
    for (char c : std::string("ABEHMWXZ0123456789acemnorsuvwxz")) {
        extent(c, &l, &r, &b);
        EXPECT_NEAR(b, baseline, 1) << c << " is off the baseline";
        // Letters are 0.75 of a cell apart: ink wider than that would touch
        // the next letter.
        EXPECT_LE(r - l + 1, cell * 3 / 4) << c << " is wider than the advance";
        EXPECT_NEAR((l + r) * 0.5, cell * 0.5, 2.0) << c << " is not centred in its cell";
    }
}

TEST(TexturePack, StripsAreRibbonsOnTransparentBlack) {
    for (int slot : {1, 4, 5}) {
        Texture strip;
        ASSERT_TRUE(LoadImageLump(DataDir() + "tarnwick.works", slot, &strip));
        int w = strip.width, h = strip.height;
        // The corners around the rounded ribbon are black: transparent.
        EXPECT_EQ(AlphaAt(strip, 0, 0), 0) << "slot " << slot;
        EXPECT_EQ(AlphaAt(strip, w - 1, h - 1), 0) << "slot " << slot;
        // Across the middle the ribbon is bright and so nearly opaque.
        int dim = 0;
        for (int x = w / 8; x < w - w / 8; ++x)
            if (AlphaAt(strip, x, h / 2) < 190) ++dim;
        EXPECT_LT(dim, w / 20) << "slot " << slot;
    }
}

TEST(TexturePack, HeartSphereMapIsGlassyAndBright) {
    Texture map;
    ASSERT_TRUE(LoadImageLump(DataDir() + "tarnwick.works", 6, &map));
    int s = map.width;
    int centre = AlphaAt(map, s / 2, s / 2);
    int brightest = 0;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) brightest = std::max(brightest, AlphaAt(map, x, y));
    EXPECT_GT(centre, 150);                          // the hearts keep their colour
    EXPECT_LT(centre, 235);                          // and show what lies behind them when blended
    EXPECT_GE(brightest, 250);                       // highlights
    EXPECT_GT(AlphaAt(map, s / 2, s / 40), centre);  // a brighter rim
}

class PacksInGL : public GLTest {};

TEST_F(PacksInGL, LoadIntoTheSceneTextureTables) {
    Texture* textures = nullptr;
    int count = 0;
    ASSERT_TRUE(LoadTexturesFromDataFile((DataDir() + "tarnwick.works").c_str(), &textures, &count));
    EXPECT_EQ(count, 8);
    for (int k = 0; k < count; ++k) EXPECT_NE(textures[k].texID, 0u) << "slot " << k;
    delete[] textures;

    MS3D archer;
    Texture* archerTextures = nullptr;
    ASSERT_TRUE(LoadModel((DataDir() + "dovel.ple").c_str(), &archer, &archerTextures, &count));
    EXPECT_GE(count, 5);
    for (int k = 0; k < count; ++k) EXPECT_NE(archerTextures[k].texID, 0u) << "texture " << k;
    delete[] archerTextures;
}

}  // namespace
