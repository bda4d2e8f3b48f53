// The desktop background is filtered once and then copied: every frame must
// show exactly the pixels that filtering the desktop texture gives, also
// after the drawable changes size or the desktop texture is replaced.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "scene/SSMain.h"
#include "tests/scene/SceneFixture.h"

namespace {

class BackdropTest : public SceneTest {
protected:
    SSMAIN scene;

    void SetUp() override {
        SceneTest::SetUp();
        settings.BGTYPE = BG_DESKTOP;
        scene.settings = &settings;
        scene.SetSize(width, height);
    }
    void TearDown() override {
        scene.Cleanup();
        SceneTest::TearDown();
    }
    // A small texture with a different colour in every texel, filtered
    // linearly, as the desktop texture is.
    uint32_t MakeDesktopTexture(uint8_t seed) {
        std::vector<uint8_t> texels(37 * 23 * 4);
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 7 + seed);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 37, 23, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        return name;
    }
    std::vector<uint8_t> UnderlayFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
        scene.DoUnderlay();
        return ReadFramebuffer(width, height);
    }
    // The desktop texture stretched over the drawable, filtered, drawn here.
    std::vector<uint8_t> FilteredFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SetPixelSpace(width, height);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        glBindTexture(GL_TEXTURE_2D, scene.deskTexID);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(0, 0);
        glVertex3f(0, 0, 0);
        glTexCoord2f(1, 0);
        glVertex3f(static_cast<float>(width), 0, 0);
        glTexCoord2f(0, 1);
        glVertex3f(0, static_cast<float>(height), 0);
        glTexCoord2f(1, 1);
        glVertex3f(static_cast<float>(width), static_cast<float>(height), 0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        return ReadFramebuffer(width, height);
    }
};

TEST_F(BackdropTest, EveryFrameShowsTheFilteredDesktopTexture) {
    scene.deskTexID = MakeDesktopTexture(0);
    std::vector<uint8_t> filtered = FilteredFrame();
    for (int frame = 0; frame < 3; ++frame) EXPECT_TRUE(UnderlayFrame() == filtered) << "frame " << frame;
    EXPECT_NE(scene.backdropTex, 0u) << "later frames copy the first";

    // A new desktop texture (the old name released) and a new size are
    // drawn from the texture, not from the copy of the old background.
    GLuint old = scene.deskTexID;
    scene.deskTexID = MakeDesktopTexture(100);
    glDeleteTextures(1, &old);
    filtered = FilteredFrame();
    for (int frame = 0; frame < 3; ++frame) EXPECT_TRUE(UnderlayFrame() == filtered) << "frame " << frame;
    ResizeDrawable(300, 200);
    scene.SetSize(300, 200);
    filtered = FilteredFrame();
    for (int frame = 0; frame < 3; ++frame) EXPECT_TRUE(UnderlayFrame() == filtered) << "frame " << frame;

    scene.Cleanup();
    EXPECT_EQ(scene.backdropTex, 0u);
}

}  // namespace
