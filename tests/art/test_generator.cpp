// The generator's own building blocks where a slip would quietly spoil the
// artwork: angles must survive the trip into the model file, text decoding
// must stay inside its input, and pixels must reach the files unbent; and
// the pictures it makes.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>

#include "base/FileIO.h"
#include "tests/art/ArtTestSupport.h"
#include "tools/gen/ArcherRig.h"
#include "tools/gen/PngFile.h"
#include "tools/gen/Raster.h"
#include "tools/gen/TextRaster.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Codes = std::vector<uint32_t>;

TEST(Generator, EulerAnglesRebuildTheirRotation) {
    for (float x = -170.0f; x <= 180.0f; x += 35.0f)
        for (float y = -90.0f; y <= 90.0f; y += 22.5f)
            for (float z = -160.0f; z <= 180.0f; z += 40.0f) {
                MATRIX m = RotationMatrix({x, y, z}), back = RotationMatrix(EulerOfMatrix(m));
                double worst = 0.0;
                for (int i = 0; i < 16; ++i) worst = std::max(worst, std::fabs(back.m[i] - m.m[i]));
                EXPECT_LT(worst, 1e-5) << "(" << x << ", " << y << ", " << z << ")";
            }
}

TEST(Generator, Utf8DecodingStopsAtTheEndOfDamagedText) {
    EXPECT_EQ(DecodeUtf8("Love"), (Codes{'L', 'o', 'v', 'e'}));
    EXPECT_EQ(DecodeUtf8("\xE2\x99\xA5"), Codes{0x2665});
    // Cut short at the end, a bad continuation, a stray continuation byte.
    EXPECT_EQ(DecodeUtf8("a\xE2\x99"), (Codes{'a', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(DecodeUtf8("\xC3("), (Codes{0xFFFD, '('}));
    EXPECT_EQ(DecodeUtf8("\x80z"), (Codes{0xFFFD, 'z'}));
    EXPECT_EQ(DecodeUtf8(std::string("\xF0", 1)), Codes{0xFFFD});
}

// The brightness alpha mode turns black into transparent and the font
// sheet's greys into glyph shapes: dithering must keep black at 0, white at
// 255 and greys grey.
TEST(Generator, DitheringKeepsBlackWhiteAndGreys) {
    Image image(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            float g = (x + 8 * y) / 63.0f;
            image.at(x, y) = {g, g, g, 1.0f};
        }
    Bytes rgb = BottomUpRgb(image);
    ASSERT_EQ(rgb.size(), 8u * 8u * 3u);
    for (size_t i = 0; i < rgb.size(); i += 3)
        EXPECT_TRUE(rgb[i] == rgb[i + 1] && rgb[i + 1] == rgb[i + 2]) << i;
    EXPECT_EQ(rgb[(7 * 8 + 0) * 3], 0);    // top-left pixel is the last row from the bottom
    EXPECT_EQ(rgb[(0 * 8 + 7) * 3], 255);  // bottom-right pixel is in the first row
}

// Decodes PNG bytes as RGB rows from the top; empty if they are not a PNG.
Bytes DecodePng(const Bytes& bytes, int* width, int* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Bytes pixels;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return pixels;
    image.format = PNG_FORMAT_RGB;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return pixels;
}

Bytes ReadPng(const std::string& path, int* width, int* height) {
    Bytes bytes;
    EXPECT_TRUE(ReadFileBytes(path, &bytes, nullptr)) << path;
    return DecodePng(bytes, width, height);
}

TEST(Generator, PngHoldsExactlyThePixelsAndNothingThatVaries) {
    Bytes rgb(5 * 3 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 17);
    Bytes first = EncodePNG(rgb.data(), 5, 3, false);
    EXPECT_EQ(first, EncodePNG(rgb.data(), 5, 3, false));
    int w = 0, h = 0;
    EXPECT_EQ(DecodePng(first, &w, &h), rgb);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_TRUE(EncodePNG(rgb.data(), 0, 3, false).empty());
}

TEST(Generator, BackgroundIsFullHdAndTheReviewSheetRendersHeadless) {
    int w = 0, h = 0;
    EXPECT_FALSE(ReadPng(DataDir() + "background.png", &w, &h).empty());
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    TempDir out;
    ASSERT_FALSE(out.path.empty());
    ASSERT_EQ(RunProgram("dovel-review", {"--data", DataDir(), out.path + "sheet.png"}), 0);
    Bytes sheet = ReadPng(out.path + "sheet.png", &w, &h);
    ASSERT_FALSE(sheet.empty());
    EXPECT_GT(w, 1000);
    EXPECT_GT(h, 1000);
    // Something was drawn: the sheet is not one flat colour.
    bool varied = false;
    for (size_t i = 3; i < sheet.size(); ++i) varied |= sheet[i] != sheet[i % 3];
    EXPECT_TRUE(varied);
}

}  // namespace
