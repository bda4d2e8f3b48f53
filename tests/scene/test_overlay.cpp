// The overlay over minutes of simulated time: banners in and out, the
// countdown title sliding, hint captions, the full-screen message, overlay
// space, and the preview that shows none of it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "scene/SSMain.h"
#include "tests/scene/PictureFiles.h"
#include "tests/scene/SceneFixture.h"

namespace {

bool Red(const uint8_t* p) {
    return p[0] > 100 && p[2] < 200;
}

class OverlayTest : public SceneTest {
protected:
    // Runs the overlay in steps of 0.5 s up to `until` seconds; check(t)
    // runs after each frame's drawing.
    void Run(SSMAIN* scene, double until, const std::function<void(double)>& check = nullptr) {
        for (int k = 1; k * 0.5 <= until; ++k) {
            OverlayFrame(scene, 0.5);
            if (check) check(k * 0.5);
        }
    }
};

}  // namespace

TEST_F(OverlayTest, BannersMessageAndHintsOverMinutes) {
    settings.SHOWCOUNTDOWN = false;
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    const int hintRow0 = height * 62 / 768, hintRow1 = height * 98 / 768;
    int hintShown = 0, nothingShown = -1, topBanner = 0, bottomBanner = 0, messageStrip = 0;
    Rgba message{}, afterMessage{};
    std::map<double, float> bannerY, titleY, alpha;
    std::map<double, bool> hintActive;
    std::vector<double> bannerChanges, hintStarts;
    std::vector<bool> edges;
    bool shown = false;
    float hintCaptionTimer = 0.0f;
    Run(&scene, 200.0, [&](double t) {
        bannerY[t] = scene.bannerPos.y, titleY[t] = scene.titleY, alpha[t] = scene.messageAlpha;
        hintActive[t] = scene.hintCaption1.ACTIVE;
        if (scene.bannerShown != shown) bannerChanges.push_back(t);
        if (scene.bannerShown && !shown) edges.push_back(scene.bannerFromTop);
        if (scene.hintCaption1.timer > hintCaptionTimer) hintStarts.push_back(t);
        shown = scene.bannerShown, hintCaptionTimer = scene.hintCaption1.timer;
        if (t == 33.0) hintShown = FindPixels(NotBlue, hintRow0, hintRow1).count;
        if (t == 60.0) nothingShown = FindPixels(NotBlue).count;
        if (t == 100.0) message = ReadPixel(10, 10);
        if (t == 100.0)
            messageStrip = FindPixels([](const uint8_t* p) { return p[0] + p[1] + p[2] > 0; },
                                      height * 352 / 768 + 1, height * 416 / 768 - 1)
                               .count;
        if (t == 125.0) afterMessage = ReadPixel(10, 10);
        if (t == 135.0) topBanner = FindPixels(NotBlue, height - 40, height - 9).count;
        if (t == 185.0) bottomBanner = FindPixels(NotBlue, 5, 36).count;
        // The message: from 90 s, 2 s to fade in, held to 110.5 s, 2 s to
        // fade out, then every 60 s.
        EXPECT_TRUE(t > 90.0 || scene.messageAlpha == 0.0f) << t;
        EXPECT_TRUE(t < 92.0 || t > 110.5 || scene.messageAlpha == 1.0f) << t;
        EXPECT_TRUE(t < 112.5 || t > 150.5 || scene.messageAlpha <= 0.0f) << t;
    });
    EXPECT_EQ(nothingShown, 0) << "no banner, hint or message at 60 s";

    // Banners: in at 120 s (the first frame past it), on show 20 s, away
    // 30 s, first from the top, then from the bottom; each timer runs out at
    // the first frame on which it drops below zero.
    EXPECT_EQ(bannerChanges, (std::vector<double>{120.5, 141.0, 171.5, 192.0}));
    EXPECT_EQ(edges, (std::vector<bool>{true, false}));
    // Sliding: halfway to the target per 0.5 s step.
    EXPECT_FLOAT_EQ(bannerY[120.5], height + 40 + (height - 40 - (height + 40)) * 0.5f);
    EXPECT_NEAR(bannerY[135.0], height - 40, 0.01);
    EXPECT_NEAR(bannerY[165.0], height + 40, 0.01);
    EXPECT_NEAR(bannerY[185.0], 5.0, 0.01);
    EXPECT_NEAR(bannerY[200.0], -40.0, 0.1);
    EXPECT_GT(topBanner, 256 * 32 / 4);
    EXPECT_GT(bottomBanner, 256 * 32 / 4);
    // The countdown title slides out of sight while a banner is on show, even
    // with the countdown off.
    EXPECT_NEAR(titleY[60.0], 748.0, 0.01);
    EXPECT_NEAR(titleY[135.0], 818.0, 0.01);
    EXPECT_NEAR(titleY[165.0], 748.0, 0.01);

    EXPECT_FLOAT_EQ(alpha[90.5], 0.25f);
    EXPECT_FLOAT_EQ(alpha[91.5], 0.75f);
    EXPECT_FLOAT_EQ(alpha[111.5], 0.5f);
    EXPECT_GT(alpha[151.0], 0.0f);
    // At full opacity the scene is black, with the strip across the middle.
    EXPECT_EQ(message.r + message.g + message.b, 0);
    EXPECT_GT(messageStrip, width * 10);
    EXPECT_EQ(afterMessage.b, 255) << "the clear colour shows again";

    // Hints: from 20 s, then every 120 s, each faded out after its 20 s.
    EXPECT_EQ(hintStarts, (std::vector<double>{20.5, 141.0}));
    EXPECT_FALSE(hintActive[20.0]);
    EXPECT_TRUE(hintActive[20.5]);
    EXPECT_FALSE(hintActive[60.0]);
    EXPECT_EQ(std::string(scene.hintCaption2.cap, scene.hintCaption2.length),
              "It's easy! See the readme file or website for instructions.");
    EXPECT_GT(hintShown, 200);
}

TEST_F(OverlayTest, HintsOnlyWithoutTheSlideshow) {
    settings.SHOWCOUNTDOWN = false;
    SSMAIN slideshow;
    ASSERT_TRUE(SetupScene(&slideshow));
    settings.BGTYPE = BG_SLIDESHOW;  // neither counted down nor drawn
    Run(&slideshow, 25.0, [&](double t) {
        EXPECT_FALSE(slideshow.hintCaption1.ACTIVE) << t;
        EXPECT_EQ(slideshow.hintTimer, 20.0f) << t;
    });
    // A picture failure turns the background into the plain colour: the
    // hints return, and the error caption shows near the bottom in red.
    TempFolder empty;
    settings.SetBGPath(empty.path.c_str());
    SSMAIN failed;
    ASSERT_TRUE(SetupScene(&failed));
    ASSERT_EQ(settings.BGTYPE, BG_COLOUR);
    Run(&failed, 25.0);
    EXPECT_TRUE(failed.hintCaption1.ACTIVE);
    PixelBox red = FindPixels([](const uint8_t* p) { return p[0] > 100 && p[1] < 60 && p[2] < 60; });
    EXPECT_GT(red.count, 100);
    // 27 letters of 32 centred at (512, 34) in overlay space: quads from 188
    // to 844 across, 18 to 50 up.
    EXPECT_GE(red.x0, width * 188 / 1024);
    EXPECT_LE(red.x1, width * 844 / 1024);
    EXPECT_GE(red.y0, height * 18 / 768);
    EXPECT_LE(red.y1, height * 50 / 768);
}

TEST_F(OverlayTest, CountdownBelowTheTopEdgeInOverlaySpace) {
    // Overlay space (1024 x 768) stretched over a drawable of another shape.
    ResizeDrawable(1280, 800);
    HostGLInit();
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    Run(&scene, 10.0);
    // Title at 748 and line at 732, centred at 512, in red at 0.9 over the blue.
    PixelBox red = FindPixels(Red);
    EXPECT_GT(red.count, 200);
    EXPECT_GE(red.y0, height * (732 - 12) / 768);
    EXPECT_LE(red.y1, height * (748 + 10) / 768);
    EXPECT_NEAR((red.x0 + red.x1) / 2.0, width / 2.0, 16.0);
    settings.SHOWCOUNTDOWN = false;
    OverlayFrame(&scene, 0.5);
    EXPECT_EQ(FindPixels(NotBlue).count, 0);
}

TEST_F(OverlayTest, OnlyTheFullViewRunsTheOverlay) {
    SSMAIN preview, full;
    ASSERT_TRUE(SetupScene(&preview, true));
    ASSERT_TRUE(SetupScene(&full));
    for (SSMAIN* scene : {&preview, &full}) {
        scene->errorCaption.Set("caption", VECTOR3D{1, 0, 0}, 30.0f, 32.0f);
        for (int i = 0; i < 5; ++i) HostFrame(scene, 1.0);
        EXPECT_DOUBLE_EQ(scene->clock, 5.0);
    }
    auto timers = [](const SSMAIN& s) {
        return std::vector<float>{s.bannerTimer, s.messageTimer, s.hintTimer, s.titleY, s.errorCaption.timer};
    };
    EXPECT_EQ(timers(preview), (std::vector<float>{120, 90, 20, 1000, 30}));
    EXPECT_EQ(timers(full), (std::vector<float>{115, 85, 15, 748, 25}));
    EXPECT_FALSE(preview.hintCaption1.ACTIVE);
}
