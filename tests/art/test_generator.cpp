// The generator's own building blocks where a slip would quietly spoil the
// artwork: the pose maths the archer is designed with must be the scene's,
// angles must survive the trip into the model file, text decoding must stay
// inside its input, and pixels must reach the files unbent.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>

#include "assets/FileBytes.h"
#include "tests/art/ArtTestSupport.h"
#include "tools/gen/ArcherRig.h"
#include "tools/gen/PngFile.h"
#include "tools/gen/Raster.h"
#include "tools/gen/TextRaster.h"

namespace {

double MaxDifference(const MATRIX& a, const MATRIX& b) {
    double worst = 0.0;
    for (int i = 0; i < 16; ++i) worst = std::max(worst, std::fabs(a.m[i] - b.m[i]));
    return worst;
}

TEST(Generator, EulerAnglesRebuildTheirRotation) {
    for (float x = -170.0f; x <= 180.0f; x += 35.0f)
        for (float y = -90.0f; y <= 90.0f; y += 22.5f)
            for (float z = -160.0f; z <= 180.0f; z += 40.0f) {
                VECTOR3D angles;
                angles.x = x, angles.y = y, angles.z = z;
                MATRIX m = RotationMatrix(angles);
                EXPECT_LT(MaxDifference(RotationMatrix(EulerOfMatrix(m)), m), 1e-5)
                    << "(" << x << ", " << y << ", " << z << ")";
            }
}

// The archer is designed with the generator's own copy of the pose maths;
// at every key the scene's skeleton must land on the same matrices.
TEST(Generator, ArcherKeyPosesMatchTheScenesSkeleton) {
    MS3D archer;
    ASSERT_TRUE(LoadArcher(&archer));
    ASSERT_EQ(archer.numJoints, kArcherJointCount);
    for (const KeyPose& key : Rig().keys) {
        archer.SetAnimation(key.frame, key.frame + 1.0, 1000.0, false, false);
        archer.Animate(0.0);
        archer.UpdateSkeleton();
        MATRIX designed[kArcherJointCount];
        PoseMatrices(Rig(), key.pose, designed);
        for (int j = 0; j < kArcherJointCount; ++j)
            EXPECT_LT(MaxDifference(designed[j], archer.skeleton[j].absolute), 1e-4)
                << "joint " << archer.joints[j].name << " at frame " << key.frame;
    }
}

TEST(Generator, Utf8DecodingStopsAtTheEndOfDamagedText) {
    EXPECT_EQ(DecodeUtf8("Love"), (std::vector<uint32_t>{'L', 'o', 'v', 'e'}));
    EXPECT_EQ(DecodeUtf8("\xE2\x99\xA5"), (std::vector<uint32_t>{0x2665}));
    // Cut short at the end, a bad continuation, a stray continuation byte.
    EXPECT_EQ(DecodeUtf8("a\xE2\x99"), (std::vector<uint32_t>{'a', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(DecodeUtf8("\xC3("), (std::vector<uint32_t>{0xFFFD, '('}));
    EXPECT_EQ(DecodeUtf8("\x80z"), (std::vector<uint32_t>{0xFFFD, 'z'}));
    EXPECT_EQ(DecodeUtf8(std::string("\xF0", 1)), (std::vector<uint32_t>{0xFFFD}));
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
    image.at(0, 0) = {0, 0, 0, 1};
    image.at(7, 7) = {1, 1, 1, 1};
    std::vector<uint8_t> rgb = BottomUpRgb(image);
    ASSERT_EQ(rgb.size(), 8u * 8u * 3u);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        EXPECT_EQ(rgb[i], rgb[i + 1]);
        EXPECT_EQ(rgb[i + 1], rgb[i + 2]);
    }
    EXPECT_EQ(rgb[(7 * 8 + 0) * 3], 0);    // top-left pixel is the last row from the bottom
    EXPECT_EQ(rgb[(0 * 8 + 7) * 3], 255);  // bottom-right pixel is in the first row
}

std::vector<uint8_t> DecodePng(const std::vector<uint8_t>& bytes, int* width, int* height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> pixels;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return pixels;
    image.format = PNG_FORMAT_RGB;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return pixels;
}

TEST(Generator, PngHoldsExactlyThePixelsAndNothingThatVaries) {
    std::vector<uint8_t> rgb(5 * 3 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 17);
    std::vector<uint8_t> first = EncodePNG(rgb.data(), 5, 3, false);
    std::vector<uint8_t> second = EncodePNG(rgb.data(), 5, 3, false);
    EXPECT_EQ(first, second);
    int w = 0, h = 0;
    EXPECT_EQ(DecodePng(first, &w, &h), rgb);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_TRUE(EncodePNG(rgb.data(), 0, 3, false).empty());
}

TEST(Generator, BackgroundPictureIsFullHd) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(DataDir() + "background.png", &bytes, nullptr));
    int w = 0, h = 0;
    std::vector<uint8_t> pixels = DecodePng(bytes, &w, &h);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
}

TEST(Generator, ReviewSheetRendersHeadless) {
    TempDir out;
    ASSERT_FALSE(out.path.empty());
    std::string sheet = out.path + "sheet.png";
    ASSERT_EQ(
        RunCommand(Quote(ProgramDir() + "dovel-review") + " --data " + Quote(DataDir()) + " " + Quote(sheet)),
        0);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(sheet, &bytes, nullptr));
    int w = 0, h = 0;
    std::vector<uint8_t> pixels = DecodePng(bytes, &w, &h);
    ASSERT_FALSE(pixels.empty());
    EXPECT_GT(w, 1000);
    EXPECT_GT(h, 1000);
    // Something was drawn: the sheet is not one flat colour.
    bool varied = false;
    for (size_t i = 3; i < pixels.size() && !varied; i += 3)
        varied = std::memcmp(&pixels[i], &pixels[0], 3) != 0;
    EXPECT_TRUE(varied);
}

}  // namespace
