// Bitmap text: line layout, glyph cells, bytes without a glyph, and the
// fading of caption letters, read back as pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "assets/Text.h"
#include "tests/support/GLHarness.h"

namespace {

class TextTest : public GLTest {
protected:
    GLuint sheet = 0;

    void SetUp() override {
        GLTest::SetUp();
        SetupText();
        MakeSheet([](int, int, int) { return true; });
    }
    // A 256 x 256 font sheet (cells 16 x 32 texels), white; alpha 255 where
    // opaque(column, row, texel y within the cell from its top) says so.
    void MakeSheet(const std::function<bool(int, int, int)>& opaque) {
        std::vector<uint8_t> texels(256 * 256 * 4, 255);
        for (int y = 0; y < 256; ++y)  // texture rows from the bottom
            for (int x = 0; x < 256; ++x)
                texels[(y * 256 + x) * 4 + 3] = opaque(x / 16, (255 - y) / 32, (255 - y) % 32) ? 255 : 0;
        glDeleteTextures(1, &sheet);
        glGenTextures(1, &sheet);
        glBindTexture(GL_TEXTURE_2D, sheet);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    // Clears to black, puts the origin at the middle of the drawable and
    // draws there.
    void Draw(const std::function<void()>& draw) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SetPixelSpace(width, height);
        glEnable(GL_TEXTURE_2D);
        glTranslatef(128.0f, 128.0f, 0.0f);
        draw();
    }
    void DrawText(const char* text, float size = 16.0f, float opacity = 1.0f) {
        Draw([&] { DrawString(text, size, opacity, sheet); });
    }
    // The pixels from (x0, y0) to (x1, y1), a line across or up, as '#' where
    // red is above 64 and '.' elsewhere.
    std::string RedLine(int x0, int y0, int x1, int y1) {
        std::string line;
        for (int x = x0, y = y0; x <= x1 && y <= y1; x += x1 > x0, y += y1 > y0)
            line += ReadPixel(x, y).r > 64 ? '#' : '.';
        return line;
    }
};

}  // namespace

TEST_F(TextTest, LinesAreCentredAndBytesWithoutGlyphsAdvanceOnly) {
    // One letter spans -6 to 10 across and -8 to 8 up around the origin.
    DrawText("A");
    const std::string span = ".." + std::string(16, '#') + "..";
    EXPECT_EQ(RedLine(120, 128, 139, 128), span);
    EXPECT_EQ(RedLine(125, 118, 125, 137), span);
    Rgba p = ReadPixel(128, 128);
    EXPECT_EQ((std::vector<int>{p.r, p.g, p.b}), (std::vector<int>{255, 0, 0}));
    // Colour and blending are left as the overlay expects.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    DrawText("A", 16.0f, 0.5f);
    EXPECT_NEAR(ReadPixel(128, 128).r, 128, 2) << "opacity blends over the background";

    // "A B": start -30, letters at [-18, -2) and [6, 22); spaces and bytes
    // outside 33..127 draw nothing; 127 has a cell of its own.
    const std::string gap = std::string(16, '#') + std::string(8, '.') + std::string(16, '#');
    const struct {
        const char* text;
        float size;
        int x0, x1;
        std::string row;
    } lines[] = {
        {"A B", 16, 110, 149, gap},
        {"A\001B", 16, 110, 149, gap},
        {"A\303B", 16, 110, 149, gap},
        {"A\177B", 16, 110, 149, std::string(40, '#')},
        {"", 16, 100, 160, std::string(61, '.')},
        // 8 letters of 32: start -120, first quad from -96, last to 104.
        {"ABCDEFGH", 32, 30, 233, ".." + std::string(200, '#') + ".."},
    };
    for (const auto& l : lines) {
        DrawText(l.text, l.size);
        EXPECT_EQ(RedLine(l.x0, 128, l.x1, 128), l.row)
            << static_cast<int>(static_cast<unsigned char>(l.text[1]));
    }
}

TEST_F(TextTest, GlyphComesFromItsOwnCellUpright) {
    // Only the upper half of the cell of 'A' (column 1, row 2) is opaque.
    MakeSheet([](int column, int row, int y) { return column == 1 && row == 2 && y < 16; });
    DrawText("A");
    EXPECT_GT(ReadPixel(130, 132).r, 200) << "upper half of the letter";
    EXPECT_LT(ReadPixel(130, 124).r, 30) << "lower half of the letter";
    for (const char* other : {"B", "!"}) {
        DrawText(other);
        EXPECT_LT(ReadPixel(130, 132).r, 30) << other;
    }
}

TEST_F(TextTest, CaptionKeepsEightyLettersWithRandomDelaysAndEnds) {
    Caption c;
    std::string text(100, 'x');
    srand(3);
    c.Set(text.c_str(), VECTOR3D{0, 1, 0}, 20.0f, 16.0f);
    EXPECT_TRUE(c.ACTIVE);
    EXPECT_EQ(c.length, 80);
    for (int i = 0; i < c.length; ++i) {
        EXPECT_GE(c.alpha[i], -4.4901f);
        EXPECT_LE(c.alpha[i], -2.4999f);
        float hundredths = (-c.alpha[i] - 2.5f) * 100.0f;
        EXPECT_NEAR(hundredths, std::round(hundredths), 1e-3);
    }
    c.Set("", VECTOR3D{1, 1, 1}, 20.0f, 16.0f);
    c.Draw(sheet, 0.02);
    EXPECT_FALSE(c.ACTIVE) << "an empty caption goes off at once";
    // A showing time shorter than the delays shows nothing and ends at the
    // first frame after it.
    c.Set("HEART", VECTOR3D{0, 1, 0}, 1.0f, 16.0f);
    int frames = 0;
    float highest = -10.0f;
    for (; c.ACTIVE && frames < 100; ++frames) {
        c.Draw(sheet, 0.125);
        highest = std::max({highest, c.alpha[0], c.alpha[1], c.alpha[2], c.alpha[3], c.alpha[4]});
    }
    EXPECT_LE(highest, 0.0f);
    EXPECT_EQ(frames, 9);
}

TEST_F(TextTest, CaptionLettersFadeInStayAndFadeOut) {
    const int n = 4;
    srand(11);
    Caption c;
    c.Set("ABCD", VECTOR3D{1, 0, 0}, 15.0f, 16.0f);
    const std::vector<float> start(c.alpha, c.alpha + n);
    const double step = 0.25;
    double t = 0.0;
    auto frame = [&] {
        Draw([&] { c.Draw(sheet, step); });
        t += step;
    };
    // Letter i is centred at 128 - 0.375 * 16 * (n + 2) + 12 * (i + 1) + 8.
    auto red = [&](int i) { return static_cast<int>(ReadPixel(92 + 12 * (i + 1) + 8, 128).r); };
    // Hidden until each letter's delay has passed (-start / 0.5 seconds),
    // then rising at 0.5 per second from its start value.
    while (t < 9.5) {
        frame();
        for (int i = 0; i < n; ++i) {
            double expected = std::min(1.0, std::max(0.0, start[i] + 0.5 * t));
            ASSERT_NEAR(red(i), expected * 255, 3) << "letter " << i << " at " << t;
        }
    }
    while (t < 15.0) frame();
    for (int i = 0; i < n; ++i) EXPECT_EQ(red(i), 255);
    EXPECT_TRUE(c.ACTIVE);
    // Showing time over (from t = 15.25): every letter falls from 1 at 0.5
    // per second; the caption goes off at the first frame with no letter
    // above 0.
    for (int k = 0; k < 4; ++k) frame();
    for (int i = 0; i < n; ++i) EXPECT_NEAR(red(i), 0.5 * 255, 3);
    while (c.ACTIVE && t < 30.0) frame();
    EXPECT_NEAR(t, 17.0, 0.01);
    for (int i = 0; i < n; ++i) EXPECT_EQ(red(i), 0);
}
