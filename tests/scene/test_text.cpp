// Bitmap text: line layout, glyph cells, bytes without a glyph, and the
// fading of caption letters, read back as pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Text.h"
#include "tests/support/GLHarness.h"

namespace {

// A 256 x 256 font sheet (cells 16 x 32 texels), white; alpha 255 where
// opaque(column, row, texel y within the cell from its top) says so.
template <typename Opaque>
GLuint MakeSheet(Opaque opaque) {
    std::vector<uint8_t> texels(256 * 256 * 4);
    for (int y = 0; y < 256; ++y) {  // texture rows from the bottom
        for (int x = 0; x < 256; ++x) {
            int fromTop = 255 - y;
            uint8_t* t = &texels[(y * 256 + x) * 4];
            t[0] = t[1] = t[2] = 255;
            t[3] = opaque(x / 16, fromTop / 32, fromTop % 32) ? 255 : 0;
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

class TextTest : public GLTest {
protected:
    GLuint sheet = 0;

    void SetUp() override {
        GLTest::SetUp();
        SetupText();
        sheet = MakeSheet([](int, int, int) { return true; });
        Begin();
    }
    void TearDown() override {
        glDeleteTextures(1, &sheet);
        GLTest::TearDown();
    }
    // Clears to black and puts the origin at the middle of the drawable.
    void Begin() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SetPixelSpace(width, height);
        glEnable(GL_TEXTURE_2D);
        glTranslatef(128.0f, 128.0f, 0.0f);
    }
    // The columns of row y whose red is above 64, as a string of '#' and '.'
    // from x0 to x1 inclusive.
    std::string RedRow(int y, int x0, int x1) {
        std::string row;
        for (int x = x0; x <= x1; ++x) row += ReadPixel(x, y).r > 64 ? '#' : '.';
        return row;
    }
    void Draw(const char* text, float size = 16.0f) {
        glPushMatrix();
        DrawString(text, size, 1.0f, sheet);
        glPopMatrix();
    }
};

}  // namespace

TEST_F(TextTest, OneLetterSpansMinusSixToTenAroundTheOrigin) {
    Draw("A");
    // x from 128 - 6 to 128 + 10, y from 128 - 8 to 128 + 8.
    EXPECT_EQ(RedRow(128, 120, 139), "..################..");
    std::string column;
    for (int y = 118; y <= 137; ++y) column += ReadPixel(125, y).r > 64 ? '#' : '.';
    EXPECT_EQ(column, "..################..");
    Rgba p = ReadPixel(128, 128);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.b, 0);
    // Colour and blending are left as the overlay expects.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(TextTest, SpacesAndBytesWithoutGlyphsAdvanceAndDrawNothing) {
    // "A B": start -30, letters at [-18, -2) and [6, 22), nothing between.
    const std::string expected = std::string(16, '#') + std::string(8, '.') + std::string(16, '#');
    for (const char* text : {"A B", "A\001B", "A\303B", "A\037B"}) {
        Begin();
        Draw(text);
        EXPECT_EQ(RedRow(128, 110, 149), expected) << static_cast<int>(static_cast<unsigned char>(text[1]));
    }
    Begin();
    Draw("A\177B");  // 127 has a cell of its own
    EXPECT_EQ(RedRow(128, 110, 149), std::string(40, '#'));
    Begin();
    Draw("");
    EXPECT_EQ(RedRow(128, 100, 160), std::string(61, '.'));
}

TEST_F(TextTest, LongerLinesStayCentred) {
    Draw("ABCDEFGH", 32.0f);
    // n = 8, size 32: start -120, first quad from -96, last from 72 to 104.
    EXPECT_EQ(RedRow(128, 30, 34), "..###");
    EXPECT_EQ(RedRow(128, 229, 233), "###..");
}

TEST_F(TextTest, GlyphComesFromItsOwnCellUpright) {
    glDeleteTextures(1, &sheet);
    // Only the upper half of the cell of 'A' (column 1, row 2) is opaque.
    sheet = MakeSheet([](int column, int row, int y) { return column == 1 && row == 2 && y < 16; });
    Begin();
    Draw("A");
    EXPECT_GT(ReadPixel(130, 132).r, 200) << "upper half of the letter";
    EXPECT_LT(ReadPixel(130, 124).r, 30) << "lower half of the letter";
    Begin();
    Draw("B");
    EXPECT_LT(ReadPixel(130, 132).r, 30);
    Begin();
    Draw("!");
    EXPECT_LT(ReadPixel(130, 132).r, 30);
}

TEST_F(TextTest, OpacityBlendsOverTheBackground) {
    glPushMatrix();
    DrawString("A", 16.0f, 0.5f, sheet);
    glPopMatrix();
    EXPECT_NEAR(ReadPixel(128, 128).r, 128, 2);
}

namespace {

// Centre of letter i of a caption of n letters of size 16, around x 128.
int LetterCentre(int i, int n) {
    return 128 + static_cast<int>(-0.375f * 16 * (n + 2) + 12 * (i + 1) + 8);
}

}  // namespace

TEST_F(TextTest, CaptionKeepsEightyLettersWithRandomDelays) {
    Caption c;
    EXPECT_FALSE(c.ACTIVE);
    EXPECT_EQ(c.col.x + c.col.y + c.col.z, 0.0f);
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
    Caption empty;
    empty.Set("", VECTOR3D{1, 1, 1}, 20.0f, 16.0f);
    empty.Draw(sheet, 0.02);
    EXPECT_FALSE(empty.ACTIVE);
}

TEST_F(TextTest, CaptionLettersFadeInStayAndFadeOut) {
    const char* text = "ABCD";
    const int n = 4;
    srand(11);
    Caption c;
    c.Set(text, VECTOR3D{1, 0, 0}, 15.0f, 16.0f);
    float start[n];
    for (int i = 0; i < n; ++i) start[i] = c.alpha[i];
    const double step = 0.25;
    double t = 0.0;
    auto frame = [&] {
        Begin();
        glPushMatrix();
        c.Draw(sheet, step);
        glPopMatrix();
        t += step;
    };
    auto red = [&](int i) { return static_cast<int>(ReadPixel(LetterCentre(i, n), 128).r); };
    // Hidden until each letter's delay has passed: -start / 0.5 seconds.
    while (t < 4.75) {
        frame();
        for (int i = 0; i < n; ++i) ASSERT_EQ(red(i), 0) << "letter " << i << " at " << t;
    }
    // Rising at 0.5 per second from its start value.
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
    // Showing time over: every letter falls from 1 at 0.5 per second.
    frame();  // t = 15.25, timer below 0
    for (int k = 0; k < 3; ++k) frame();
    for (int i = 0; i < n; ++i) EXPECT_NEAR(red(i), (1.0 - 0.5 * 1.0) * 255, 3);
    while (c.ACTIVE && t < 30.0) frame();
    EXPECT_NEAR(t, 17.0, 0.01) << "off at the first frame with no letter above 0";
    for (int i = 0; i < n; ++i) EXPECT_EQ(red(i), 0);
    // An inactive caption draws nothing and stays as it is.
    Begin();
    c.Draw(sheet, 1.0);
    EXPECT_FALSE(c.ACTIVE);
    EXPECT_EQ(red(0), 0);
}

TEST_F(TextTest, ShowingTimeShorterThanTheDelayShowsNothing) {
    srand(5);
    Caption c;
    c.Set("HEART", VECTOR3D{0, 1, 0}, 1.0f, 16.0f);
    int frames = 0;
    int lit = 0;
    while (c.ACTIVE && frames < 100) {
        Begin();
        glPushMatrix();
        c.Draw(sheet, 0.125);
        glPopMatrix();
        ++frames;
        for (int i = 0; i < 5; ++i) lit += ReadPixel(LetterCentre(i, 5), 128).g > 0;
    }
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(frames, 9) << "switched off at the first frame after the showing time";
}
