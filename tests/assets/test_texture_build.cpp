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

using TextureBuildTest = GLTest;

// Makes texture a decoded record holding a copy of the R,G,B(,A) pixels.
void Fill(Texture* texture, int width, int height, int bpp, const Bytes& pixels) {
    texture->Cleanup();
    texture->width = width;
    texture->height = height;
    texture->bpp = bpp;
    texture->type = bpp == 32 ? GL_RGBA : GL_RGB;
    texture->imageData = static_cast<uint8_t*>(malloc(pixels.size()));
    std::copy(pixels.begin(), pixels.end(), texture->imageData);
}

TEST_F(TextureBuildTest, AlphaModesMakeTheAlphaAndKeepTheColour) {
    const Bytes ownAlpha = {1, 2, 3, 0, 4, 5, 6, 17}, opaque = {1, 2, 3, 255, 4, 5, 6, 255};
    const struct {
        const char* what;
        int width, bpp, mode;
        Bytes pixels, texels;
    } cases[] = {
        // Magenta first; one more magenta, one nearly magenta.
        {"colour key",
         3,
         24,
         kAlphaColourKey,
         {255, 0, 255, 10, 20, 30, 255, 0, 255, 255, 0, 254, 0, 0, 0, 255, 255, 255},
         {255, 0, 255, 0,   10, 20, 30, 255, 255, 0,   255, 0,
          255, 0, 254, 255, 0,  0,  0,  255, 255, 255, 255, 255}},
        {"brightness",
         4,
         24,
         kAlphaBrightness,
         {200, 10, 30, 0, 0, 0, 5, 90, 7, 1, 2, 255},
         {200, 10, 30, 200, 0, 0, 0, 0, 5, 90, 7, 90, 1, 2, 255, 255}},
        // The image's own alpha is never used; unknown modes are opaque.
        {"opaque", 2, 32, kAlphaOpaque, ownAlpha, opaque},
        {"mode 7", 2, 32, 7, ownAlpha, opaque},
        {"mode -1", 2, 32, -1, ownAlpha, opaque},
        {"colour key, 32-bit", 2, 32, kAlphaColourKey, {9, 9, 9, 200, 9, 9, 9, 0}, {9, 9, 9, 0, 9, 9, 9, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Texture texture;
        const int height = static_cast<int>(c.pixels.size() * 8 / c.bpp / c.width);
        Fill(&texture, c.width, height, c.bpp, c.pixels);
        ASSERT_TRUE(BuildTexture(&texture, c.mode));
        EXPECT_NE(texture.texID, 0u);
        EXPECT_EQ(texture.imageData, nullptr);
        EXPECT_EQ(TexelsOf(texture), c.texels);
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, height);
        for (auto [name, value] : {std::pair{GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
                                   {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE},
                                   {GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                                   {GL_TEXTURE_MAG_FILTER, GL_LINEAR}}) {
            GLint got = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, name, &got);
            EXPECT_EQ(got, value) << name;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    Texture empty;
    EXPECT_FALSE(BuildTexture(&empty, kAlphaOpaque));
    EXPECT_FALSE(BuildTexture(nullptr, kAlphaOpaque));
    EXPECT_EQ(empty.texID, 0u);
}

// Draws the texture over the whole w x h drawable in pixel space.
void DrawFullScreen(const Texture& texture, int w, int h) {
    SetPixelSpace(w, h);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.texID);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (auto [s, t] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        glTexCoord2f(s, t);
        glVertex2f(s * w, t * h);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

// Top half red, bottom half blue, colour keyed on its first pixel (the
// bottom left, blue) and drawn blended over green: a picture stored either
// way up shows red above green. The reads sample at texel centres (linear
// filtering, clamped to the border).
TEST_F(TextureBuildTest, PicturesAreDrawnUprightAndKeyedTexelsBlendAway) {
    Bytes pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            pixels.insert(pixels.end(), {uint8_t(y >= 2 ? 255 : 0), 0, uint8_t(y >= 2 ? 0 : 255)});
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0, 1, 0, 1);
    for (bool topOrigin : {false, true}) {
        SCOPED_TRACE(topOrigin ? "top origin" : "bottom origin");
        Bytes file = EncodeTGA(pixels.data(), 4, 4, 24, topOrigin, topOrigin);
        std::istringstream in(std::string(file.begin(), file.end()));
        Texture texture;
        ASSERT_TRUE(DecodeTGA(&texture, in));
        ASSERT_TRUE(BuildTexture(&texture, kAlphaColourKey));
        glClear(GL_COLOR_BUFFER_BIT);
        DrawFullScreen(texture, width, height);
        Rgba top = ReadPixel(width / 2, height * 7 / 8), bottom = ReadPixel(width / 2, height / 8);
        EXPECT_GT(top.r, 240);
        EXPECT_LT(top.g + top.b, 15);
        EXPECT_GT(bottom.g, 240);
        EXPECT_LT(bottom.r + bottom.b, 15);
    }
    glDisable(GL_BLEND);
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
    EXPECT_FALSE(BuildTGATextureWithAlpha(&colour, &small));
    EXPECT_FALSE(BuildTGATextureWithAlpha(&colour, &rgba));
    EXPECT_FALSE(BuildTGATextureWithAlpha(&rgba, &colour));
    EXPECT_EQ(colour.texID, 0u);
    EXPECT_NE(colour.imageData, nullptr);
}

TEST_F(TextureBuildTest, ReleasingDeletesTheNameOnceAndMovingHandsItOver) {
    Texture texture;
    Fill(&texture, 2, 2, 24, Bytes(12, 50));
    ASSERT_TRUE(BuildTexture(&texture, kAlphaOpaque));
    const GLuint name = texture.texID;
    Texture moved(std::move(texture));
    EXPECT_EQ(texture.texID, 0u);
    texture.Cleanup();  // the emptied source releases nothing
    EXPECT_TRUE(glIsTexture(name));
    Texture target;
    target = std::move(moved);
    EXPECT_EQ(target.texID, name);
    EXPECT_EQ(target.width, 2u);
    EXPECT_EQ(moved.width, 0u);
    target.Cleanup();
    EXPECT_EQ(target.texID, 0u);
    EXPECT_FALSE(glIsTexture(name));
    target.Cleanup();  // again: nothing left to release

    // A table releases every slot, built or only decoded.
    Texture* table = new Texture[3];
    Fill(&table[0], 1, 1, 24, {1, 2, 3});
    ASSERT_TRUE(BuildTexture(&table[0], kAlphaOpaque));
    Fill(&table[1], 1, 1, 24, {4, 5, 6});
    const GLuint first = table[0].texID;
    delete[] table;
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
