// Building GL textures: the three alpha modes read back from GL, the texture
// state, drawing the right way up, and the record's lifetime.
#include <GL/gl.h>

#include <sstream>
#include <string>
#include <vector>

#include "assets/TGALoader.h"
#include "assets/TGAWriter.h"
#include "tests/assets/AssetTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

using Bytes = std::vector<uint8_t>;
using TextureBuildTest = GLTest;

// A decoded record holding a copy of the given R,G,B(,A) pixels.
void Fill(Texture* texture, int width, int height, int bpp, const Bytes& pixels) {
    texture->Cleanup();
    texture->width = width;
    texture->height = height;
    texture->bpp = bpp;
    texture->type = bpp == 32 ? GL_RGBA : GL_RGB;
    texture->imageData = static_cast<uint8_t*>(malloc(pixels.size()));
    std::copy(pixels.begin(), pixels.end(), texture->imageData);
}

// The texels of a texture, RGBA, read back from GL.
Bytes TexelsOf(const Texture& texture) {
    Bytes texels(static_cast<size_t>(texture.width) * texture.height * 4);
    glBindTexture(GL_TEXTURE_2D, texture.texID);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

Bytes AlphasOf(const Texture& texture) {
    Bytes texels = TexelsOf(texture);
    Bytes alphas;
    for (size_t i = 3; i < texels.size(); i += 4) alphas.push_back(texels[i]);
    return alphas;
}

TEST_F(TextureBuildTest, ColourKeyMakesTexelsOfTheFirstPixelsColourTransparent) {
    // Magenta first; one more magenta, one nearly magenta.
    Bytes pixels = {255, 0, 255, 10, 20, 30, 255, 0, 255, 255, 0, 254, 0, 0, 0, 255, 255, 255};
    Texture texture;
    Fill(&texture, 3, 2, 24, pixels);
    ASSERT_TRUE(BuildTexture(&texture, kAlphaColourKey));
    EXPECT_NE(texture.texID, 0u);
    EXPECT_EQ(texture.imageData, nullptr);
    EXPECT_EQ(AlphasOf(texture), (Bytes{0, 255, 0, 255, 255, 255}));
    Bytes texels = TexelsOf(texture);
    EXPECT_EQ(Bytes(texels.begin() + 4, texels.begin() + 7), (Bytes{10, 20, 30}));
}

TEST_F(TextureBuildTest, BrightnessModeTakesTheLargestChannel) {
    Texture texture;
    Fill(&texture, 4, 1, 24, {200, 10, 30, 0, 0, 0, 5, 90, 7, 1, 2, 255});
    ASSERT_TRUE(BuildTexture(&texture, kAlphaBrightness));
    EXPECT_EQ(AlphasOf(texture), (Bytes{200, 0, 90, 255}));
}

TEST_F(TextureBuildTest, OpaqueModeIgnoresTheImagesOwnAlpha) {
    for (int mode : {kAlphaOpaque, 7, -1}) {
        Texture texture;
        Fill(&texture, 2, 1, 32, {1, 2, 3, 0, 4, 5, 6, 17});
        ASSERT_TRUE(BuildTexture(&texture, mode));
        EXPECT_EQ(TexelsOf(texture), (Bytes{1, 2, 3, 255, 4, 5, 6, 255})) << "mode " << mode;
    }
    // Keyed and bright modes on a 32-bit image read R, G, B and skip A.
    Texture keyed;
    Fill(&keyed, 2, 1, 32, {9, 9, 9, 200, 9, 9, 9, 0});
    ASSERT_TRUE(BuildTexture(&keyed, kAlphaColourKey));
    EXPECT_EQ(AlphasOf(keyed), (Bytes{0, 0}));
}

TEST_F(TextureBuildTest, KeepsTheImageSizeClampsAndFiltersLinearly) {
    Texture texture;
    Fill(&texture, 3, 5, 24, PatternPixels(3, 5, 24));
    ASSERT_TRUE(BuildTexture(&texture, kAlphaOpaque));
    glBindTexture(GL_TEXTURE_2D, texture.texID);
    GLint w = 0, h = 0, wrapS = 0, wrapT = 0, minF = 0, magF = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minF);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magF);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(wrapS, GL_CLAMP);
    EXPECT_EQ(wrapT, GL_CLAMP);
    EXPECT_EQ(minF, GL_LINEAR);
    EXPECT_EQ(magF, GL_LINEAR);
    Bytes texels = TexelsOf(texture);
    Bytes pattern = PatternPixels(3, 5, 24);
    EXPECT_EQ(texels[4 * 14 + 1], pattern[3 * 14 + 1]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Draws the texture over the whole drawable in pixel space.
void DrawFullScreen(const Texture& texture, int w, int h) {
    SetPixelSpace(w, h);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.texID);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(w, 0);
    glTexCoord2f(1, 1);
    glVertex2f(w, h);
    glTexCoord2f(0, 1);
    glVertex2f(0, h);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

TEST_F(TextureBuildTest, PicturesStoredEitherWayUpAreDrawnUpright) {
    // Top half red, bottom half blue, as a picture.
    const int side = 4;
    Bytes pixels;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pixels.insert(pixels.end(), {uint8_t(y >= 2 ? 255 : 0), 0, uint8_t(y >= 2 ? 0 : 255)});
    for (bool topOrigin : {false, true}) {
        Bytes file = EncodeTGA(pixels.data(), side, side, 24, topOrigin, topOrigin);
        std::istringstream in(std::string(file.begin(), file.end()));
        Texture texture;
        ASSERT_TRUE(DecodeTGA(&texture, in));
        ASSERT_TRUE(BuildTexture(&texture, kAlphaOpaque));
        glClear(GL_COLOR_BUFFER_BIT);
        DrawFullScreen(texture, width, height);
        // Sampled at texel centres (linear filtering, clamped to the border).
        Rgba top = ReadPixel(width / 2, height * 7 / 8);
        Rgba bottom = ReadPixel(width / 2, height / 8);
        EXPECT_GT(top.r, 240) << "top origin " << topOrigin;
        EXPECT_LT(top.b, 15);
        EXPECT_GT(bottom.b, 240);
        EXPECT_LT(bottom.r, 15);
    }
}

TEST_F(TextureBuildTest, ColourKeyedTexelsBlendAway) {
    Texture texture;
    Fill(&texture, 2, 1, 24, {255, 0, 255, 0, 255, 0});
    ASSERT_TRUE(BuildTexture(&texture, kAlphaColourKey));
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawFullScreen(texture, width, height);
    glDisable(GL_BLEND);
    // Sampled at texel centres (linear filtering, clamped to the border).
    Rgba left = ReadPixel(width / 4, height / 2);
    Rgba right = ReadPixel(width * 3 / 4, height / 2);
    EXPECT_GT(left.b, 250);  // the key colour shows the background
    EXPECT_LT(left.r, 5);
    EXPECT_GT(right.g, 250);
    EXPECT_LT(right.b, 5);
}

TEST_F(TextureBuildTest, SeparateAlphaImageGivesTheAlpha) {
    Texture colour, alpha;
    Fill(&colour, 2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    Fill(&alpha, 2, 2, 24, {0, 99, 99, 80, 0, 0, 160, 0, 0, 255, 0, 0});
    ASSERT_TRUE(BuildTGATextureWithAlpha(&colour, &alpha));
    EXPECT_EQ(colour.imageData, nullptr);
    EXPECT_NE(alpha.imageData, nullptr);  // the alpha image stays with its owner
    EXPECT_EQ(TexelsOf(colour), (Bytes{1, 2, 3, 0, 4, 5, 6, 80, 7, 8, 9, 160, 10, 11, 12, 255}));

    // Images that do not match in size or kind are refused, nothing is made.
    Texture small, rgba;
    Fill(&colour, 2, 2, 24, Bytes(12, 1));
    Fill(&small, 1, 2, 24, Bytes(6, 1));
    Fill(&rgba, 2, 2, 32, Bytes(16, 1));
    colour.texID = 0;
    EXPECT_FALSE(BuildTGATextureWithAlpha(&colour, &small));
    EXPECT_FALSE(BuildTGATextureWithAlpha(&colour, &rgba));
    EXPECT_FALSE(BuildTGATextureWithAlpha(&rgba, &colour));
    EXPECT_EQ(colour.texID, 0u);
    EXPECT_NE(colour.imageData, nullptr);
}

TEST_F(TextureBuildTest, EmptyRecordBuildsNothing) {
    Texture empty;
    EXPECT_FALSE(BuildTexture(&empty, kAlphaOpaque));
    EXPECT_FALSE(BuildTexture(nullptr, kAlphaOpaque));
    EXPECT_EQ(empty.texID, 0u);
}

TEST_F(TextureBuildTest, ReleasingDeletesTheNameOnceAndTablesReleaseEverySlot) {
    Texture texture;
    Fill(&texture, 2, 2, 24, Bytes(12, 50));
    ASSERT_TRUE(BuildTexture(&texture, kAlphaOpaque));
    const GLuint name = texture.texID;
    EXPECT_TRUE(glIsTexture(name));
    texture.Cleanup();
    EXPECT_EQ(texture.texID, 0u);
    EXPECT_FALSE(glIsTexture(name));
    texture.Cleanup();  // again: nothing left to release

    Texture* table = new Texture[3];
    Fill(&table[0], 1, 1, 24, {1, 2, 3});
    Fill(&table[2], 1, 1, 24, {1, 2, 3});
    ASSERT_TRUE(BuildTexture(&table[0], kAlphaOpaque));
    Fill(&table[1], 1, 1, 24, {4, 5, 6});  // decoded, never built
    const GLuint first = table[0].texID;
    delete[] table;
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureBuildTest, MovingHandsTheTextureOver) {
    Texture source;
    Fill(&source, 1, 1, 24, {1, 2, 3});
    ASSERT_TRUE(BuildTexture(&source, kAlphaOpaque));
    const GLuint name = source.texID;
    Texture target(std::move(source));
    EXPECT_EQ(source.texID, 0u);
    EXPECT_EQ(target.texID, name);
    source.Cleanup();
    EXPECT_TRUE(glIsTexture(name));
    Texture other;
    other = std::move(target);
    EXPECT_EQ(other.texID, name);
    EXPECT_EQ(other.width, 1u);
    EXPECT_EQ(target.width, 0u);
}

}  // namespace
