#include <GL/gl.h>

#include <cstring>

#include "tests/support/GLHarness.h"

using HarnessTest = GLTest;

TEST_F(HarnessTest, ContextIsDesktopCompatibilityGL) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    // Fixed-function entry points must work: this is what the scene draws with.
    EXPECT_NE(std::strstr(version, "Compatibility"), nullptr) << version;
}

TEST_F(HarnessTest, ClearAndReadBack) {
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    Rgba p = ReadPixel(10, 20);
    EXPECT_EQ(p.r, 255);
    EXPECT_NEAR(p.g, 128, 1);
    EXPECT_EQ(p.b, 0);
}

TEST_F(HarnessTest, ImmediateModeQuadInPixelSpace) {
    SetPixelSpace(width, height);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(128, 0);
    glVertex2f(128, 64);
    glVertex2f(0, 64);
    glEnd();
    EXPECT_EQ(ReadPixel(5, 5).g, 255);
    EXPECT_EQ(ReadPixel(5, 100).g, 0);
    EXPECT_EQ(ReadPixel(200, 5).g, 0);
}

TEST_F(HarnessTest, ResizeChangesTheDrawable) {
    ResizeDrawable(320, 200);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<uint8_t> fb = ReadFramebuffer(320, 200);
    EXPECT_EQ(fb[(199 * 320 + 319) * 4 + 2], 255);
}
