// The generated packs as files: they pass dovel-pack's checks, the texture
// pack holds its slots with the right sizes and alpha modes, the font sheet
// follows the cell layout, and the generator writes the same bytes on every
// run.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/FileIO.h"
#include "assets/ResFile.h"
#include "tests/art/ArtTestSupport.h"

namespace {

using Args = std::vector<std::string>;

TEST(Packs, PassDovelPackVerifyAndComeOutTheSameEveryRun) {
    for (const Args& args :
         {Args{"verify", DataDir() + "tarnwick.works"}, Args{"verify", DataDir() + "obj.ple"},
          Args{"verify", "--model", DataDir() + "dovel.ple"}})
        EXPECT_EQ(RunProgram("dovel-pack", args), 0) << args.back();
    TempDir out;
    ASSERT_FALSE(out.path.empty());
    ASSERT_EQ(RunProgram("dovel-gen", {out.path}), 0);
    for (const char* name : {"tarnwick.works", "dovel.ple", "obj.ple", "background.png"}) {
        std::vector<uint8_t> fresh, built;
        ASSERT_TRUE(ReadFileBytes(out.path + name, &fresh, nullptr)) << name;
        ASSERT_TRUE(ReadFileBytes(DataDir() + name, &built, nullptr)) << name;
        EXPECT_FALSE(fresh.empty()) << name;
        EXPECT_TRUE(fresh == built) << name << " differs between two runs";
    }
}

// Slot sizes and alpha modes: the font sheet, the banner and message
// strips and the heart's sphere map take their alpha from brightness, the
// partner picture is opaque.
TEST(TexturePack, HoldsEightImageSlotsOfTheirSizes) {
    const struct {
        int width, height;
        uint32_t alphaMode;
    } slots[] = {{512, 256, 2}, {256, 32, 2},  {64, 64, 2},   {64, 64, 2},
                 {1024, 64, 2}, {1024, 64, 2}, {256, 256, 2}, {512, 512, 0}};
    RESFILE pack;
    ASSERT_TRUE(pack.Open((DataDir() + "tarnwick.works").c_str()));
    ASSERT_EQ(pack.header.lumpCount, 8u);
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(pack.directory[k].type, 1u);
        EXPECT_EQ(pack.directory[k].alphaMode, slots[k].alphaMode);
        Texture image;
        ASSERT_TRUE(LoadImageLump("tarnwick.works", k, &image));
        EXPECT_EQ(static_cast<int>(image.width), slots[k].width);
        EXPECT_EQ(static_cast<int>(image.height), slots[k].height);
    }
}

// The pixel (x, y) counted from the top-left corner.
const uint8_t* PixelAt(const Texture& image, int x, int y) {
    return image.imageData + (static_cast<size_t>(image.height - 1 - y) * image.width + x) * (image.bpp / 8);
}

// Its brightness, as the brightness alpha mode makes the alpha.
int AlphaAt(const Texture& image, int x, int y) {
    const uint8_t* p = PixelAt(image, x, y);
    return std::max({p[0], p[1], p[2]});
}

// Every cell of the 16 x 8 sheet (character code + 32) holds white on black
// inside a 2-pixel margin: a glyph for '!' .. '~' and the heart at 127,
// nothing in the others. Letters and digits sit on one baseline, centred in
// their cells and no wider than the advance of 0.75 of a cell (wider ink
// would touch the next letter).
TEST(TexturePack, FontSheetHasOneWhiteGlyphPerCellOnOneBaseline) {
    Texture sheet;
    ASSERT_TRUE(LoadImageLump("tarnwick.works", 0, &sheet));
    ASSERT_EQ(sheet.width, 2 * sheet.height);  // square cells
    const int cell = sheet.width / 16;
    int left[128], right[128], bottom[128];
    for (int code = 0; code < 128; ++code) {
        int ink = 0, margin = 0, grey = 0;
        left[code] = cell, right[code] = bottom[code] = -1;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x) {
                const uint8_t* p = PixelAt(sheet, code % 16 * cell + x, code / 16 * cell + y);
                const int a = std::max({p[0], p[1], p[2]});
                grey += p[0] != p[1] || p[1] != p[2];
                if (a > 0) (x < 2 || x >= cell - 2 || y < 2 || y >= cell - 2 ? margin : ink) += 1;
                if (a > 64)
                    left[code] = std::min(left[code], x), right[code] = std::max(right[code], x),
                    bottom[code] = std::max(bottom[code], y);
            }
        EXPECT_EQ(grey, 0) << "cell " << code << " is not white on black";
        EXPECT_EQ(margin, 0) << "cell " << code << " reaches into its margin";
        if (code >= 1 && code <= 95)
            EXPECT_GT(ink, 8) << "character " << code + 32 << " has no glyph";
        else
            EXPECT_EQ(ink, 0) << "cell " << code << " should be empty";
    }
    for (char c : std::string("ABEHMWXZ0123456789acemnorsuvwxz")) {
        const int k = c - 32;
        EXPECT_NEAR(bottom[k], bottom['H' - 32], 1) << c << " is off the baseline";
        EXPECT_LE(right[k] - left[k] + 1, cell * 3 / 4) << c << " is wider than the advance";
        EXPECT_NEAR((left[k] + right[k]) * 0.5, cell * 0.5, 2.0) << c << " is not centred in its cell";
    }
}

TEST(TexturePack, StripsAreRibbonsOnTransparentBlackAndTheSphereMapIsGlassy) {
    for (int slot : {1, 4, 5}) {
        SCOPED_TRACE(slot);
        Texture strip;
        ASSERT_TRUE(LoadImageLump("tarnwick.works", slot, &strip));
        int w = strip.width, h = strip.height;
        // The corners around the rounded ribbon are black: transparent.
        EXPECT_EQ(AlphaAt(strip, 0, 0), 0);
        EXPECT_EQ(AlphaAt(strip, w - 1, h - 1), 0);
        // Across the middle the ribbon is bright and so nearly opaque.
        int dim = 0;
        for (int x = w / 8; x < w - w / 8; ++x) dim += AlphaAt(strip, x, h / 2) < 190;
        EXPECT_LT(dim, w / 20);
    }
    Texture map;
    ASSERT_TRUE(LoadImageLump("tarnwick.works", 6, &map));
    int s = map.width, centre = AlphaAt(map, s / 2, s / 2), brightest = 0;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) brightest = std::max(brightest, AlphaAt(map, x, y));
    EXPECT_GT(centre, 150);                          // the hearts keep their colour
    EXPECT_LT(centre, 235);                          // and show what lies behind them when blended
    EXPECT_GE(brightest, 250);                       // highlights
    EXPECT_GT(AlphaAt(map, s / 2, s / 40), centre);  // a brighter rim
}

}  // namespace
