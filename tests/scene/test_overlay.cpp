// The overlay over minutes of simulated time: banners in and out, the
// countdown title sliding, hint captions, the full-screen message, overlay
// space, and the preview that shows none of it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene/SSMain.h"
#include "tests/scene/PictureFiles.h"
#include "tests/scene/SceneFixture.h"

namespace {

struct OverlaySample {
    double t;
    bool bannerShown;
    bool bannerFromTop;
    float bannerY;
    float titleY;
    float messageAlpha;
    float hintTimer;
    bool hintActive;
    float hintCaptionTimer;
};

class OverlayTest : public SceneTest {
protected:
    // Runs the overlay in steps of 0.5 s up to `until` seconds, recording
    // the state after each frame; check(t) runs after each frame's drawing.
    std::vector<OverlaySample> Run(SSMAIN* scene, double until,
                                   const std::function<void(double)>& check = nullptr) {
        std::vector<OverlaySample> samples;
        for (int k = 1; k * 0.5 <= until; ++k) {
            double t = k * 0.5;
            OverlayFrame(scene, 0.5);
            if (check) check(t);
            samples.push_back({t, scene->bannerShown, scene->bannerFromTop, scene->bannerPos.y, scene->titleY,
                               scene->messageAlpha, scene->hintTimer, scene->hintCaption1.ACTIVE,
                               scene->hintCaption1.timer});
        }
        return samples;
    }
    const OverlaySample& At(const std::vector<OverlaySample>& samples, double t) {
        return samples[static_cast<size_t>(std::lround(t / 0.5)) - 1];
    }
};

}  // namespace

TEST_F(OverlayTest, BannersComeAndGoAlternatingEdges) {
    settings.SHOWCOUNTDOWN = false;
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    int bannerRowsHidden = -1, topRowsShown = -1, bottomRowsShown = -1;
    std::vector<OverlaySample> samples = Run(&scene, 200.0, [&](double t) {
        if (t == 60.0) bannerRowsHidden = MarkedPixelsInRows(300, height - 1) + MarkedPixelsInRows(0, 30);
        if (t == 135.0) topRowsShown = MarkedPixelsInRows(height - 40, height - 9);
        if (t == 185.0) bottomRowsShown = MarkedPixelsInRows(5, 36);
    });
    std::vector<double> changes;
    std::vector<bool> edges;
    bool shown = false;
    for (const OverlaySample& s : samples) {
        if (s.bannerShown != shown) {
            changes.push_back(s.t);
            if (s.bannerShown) edges.push_back(s.bannerFromTop);
        }
        shown = s.bannerShown;
    }
    // In at 120 s (the first frame past it), on show 20 s, away 30 s; each
    // timer runs out at the first frame on which it drops below zero.
    EXPECT_EQ(changes, (std::vector<double>{120.5, 141.0, 171.5, 192.0}));
    EXPECT_EQ(edges, (std::vector<bool>{true, false}));
    // Sliding: halfway to the target per 0.5 s step.
    EXPECT_FLOAT_EQ(At(samples, 120.5).bannerY, height + 40 + (height - 40 - (height + 40)) * 0.5f);
    EXPECT_NEAR(At(samples, 135.0).bannerY, height - 40, 0.01);
    EXPECT_NEAR(At(samples, 165.0).bannerY, height + 40, 0.01);
    EXPECT_NEAR(At(samples, 185.0).bannerY, 5.0, 0.01);
    EXPECT_NEAR(At(samples, 200.0).bannerY, -40.0, 0.1);
    EXPECT_TRUE(scene.bannerTex == 4 || scene.bannerTex == 5);
    // The strips are drawn where the banner is, and nowhere while it is away.
    EXPECT_EQ(bannerRowsHidden, 0);
    EXPECT_GT(topRowsShown, 256 * 32 / 4);
    EXPECT_GT(bottomRowsShown, 256 * 32 / 4);
    // The countdown title slides out of sight while a banner is on show, even
    // with the countdown off.
    EXPECT_NEAR(At(samples, 60.0).titleY, 748.0, 0.01);
    EXPECT_NEAR(At(samples, 135.0).titleY, 818.0, 0.01);
    EXPECT_NEAR(At(samples, 165.0).titleY, 748.0, 0.01);
}

TEST_F(OverlayTest, FullScreenMessageFadesInHoldsAndFadesOut) {
    settings.SHOWCOUNTDOWN = false;
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    Rgba during{}, after{};
    int stripPixels = 0;
    std::vector<OverlaySample> samples = Run(&scene, 160.0, [&](double t) {
        if (t == 100.0) {
            during = ReadPixel(10, 10);
            stripPixels = CountPixelsInRows(height * 352 / 768 + 1, height * 416 / 768 - 1,
                                            [](const uint8_t* p) { return p[0] + p[1] + p[2] > 0; });
        }
        if (t == 125.0) after = ReadPixel(10, 10);
    });
    for (const OverlaySample& s : samples) {
        if (s.t <= 90.0) {
            EXPECT_EQ(s.messageAlpha, 0.0f) << s.t;
        } else if (s.t >= 92.0 && s.t <= 110.5) {
            EXPECT_EQ(s.messageAlpha, 1.0f) << s.t;
        } else if (s.t >= 112.5 && s.t <= 150.5) {
            EXPECT_LE(s.messageAlpha, 0.0f) << s.t;
        }
    }
    EXPECT_FLOAT_EQ(At(samples, 90.5).messageAlpha, 0.25f);  // 2 s to fade in
    EXPECT_FLOAT_EQ(At(samples, 91.5).messageAlpha, 0.75f);
    EXPECT_FLOAT_EQ(At(samples, 111.5).messageAlpha, 0.5f);  // and 2 s to fade out
    EXPECT_GT(At(samples, 151.0).messageAlpha, 0.0f);        // every 60 s
    // At full opacity the scene is black, with the strip across the middle.
    EXPECT_EQ(during.r + during.g + during.b, 0);
    EXPECT_GT(stripPixels, width * 10);
    EXPECT_EQ(after.b, 255) << "the clear colour shows again";
}

TEST_F(OverlayTest, HintsEveryTwoMinutesUnlessSlideshow) {
    settings.SHOWCOUNTDOWN = false;
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    int hintRows = 0, hintRowsLater = -1;
    const int row0 = height * 62 / 768, row1 = height * 98 / 768;
    std::vector<OverlaySample> samples = Run(&scene, 150.0, [&](double t) {
        if (t == 33.0) hintRows = MarkedPixelsInRows(row0, row1);
        if (t == 60.0) hintRowsLater = MarkedPixelsInRows(row0, row1);
    });
    std::vector<double> starts;
    float previous = 0.0f;
    for (const OverlaySample& s : samples) {
        if (s.hintCaptionTimer > previous) starts.push_back(s.t);
        previous = s.hintCaptionTimer;
    }
    EXPECT_EQ(starts, (std::vector<double>{20.5, 141.0}));
    EXPECT_FALSE(At(samples, 20.0).hintActive);
    EXPECT_TRUE(At(samples, 20.5).hintActive);
    EXPECT_FALSE(At(samples, 60.0).hintActive) << "faded out after its 20 s";
    EXPECT_EQ(std::string(scene.hintCaption2.cap, scene.hintCaption2.length),
              "It's easy! See the readme file or website for instructions.");
    EXPECT_GT(hintRows, 200);
    EXPECT_EQ(hintRowsLater, 0);

    // With the slideshow, the hints are neither counted down nor drawn.
    SSMAIN slideshow;
    ASSERT_TRUE(SetupScene(&slideshow));
    settings.BGTYPE = BG_SLIDESHOW;
    samples = Run(&slideshow, 150.0);
    for (const OverlaySample& s : samples) {
        ASSERT_FALSE(s.hintActive) << s.t;
        ASSERT_EQ(s.hintTimer, 20.0f) << s.t;
    }
}

TEST_F(OverlayTest, HintsReturnAfterAPictureFailure) {
    TempFolder empty;
    settings.SHOWCOUNTDOWN = false;
    settings.BGTYPE = BG_SLIDESHOW;
    settings.SetBGPath(empty.path.c_str());
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    ASSERT_EQ(settings.BGTYPE, BG_COLOUR);
    std::vector<OverlaySample> samples = Run(&scene, 25.0);
    EXPECT_TRUE(samples.back().hintActive);
    // The error caption sits near the bottom in red.
    PixelBox red = FindPixels([](const uint8_t* p) { return p[0] > 100 && p[1] < 60 && p[2] < 60; });
    EXPECT_GT(red.count, 100);
    EXPECT_LT(red.y1, height * 60 / 768);
}

TEST_F(OverlayTest, CountdownBelowTheTopEdge) {
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    Run(&scene, 10.0);
    // Title at 748 and line at 732 of 768, in red at 0.9 over the blue.
    PixelBox red = FindPixels([](const uint8_t* p) { return p[0] > 100 && p[2] < 200; });
    EXPECT_GT(red.count, 200);
    EXPECT_GE(red.y0, height * (732 - 12) / 768);
    EXPECT_LE(red.y1, height * (748 + 10) / 768);

    settings.SHOWCOUNTDOWN = false;
    OverlayFrame(&scene, 0.5);
    EXPECT_EQ(MarkedPixelsInRows(0, height - 1), 0);
}

TEST_F(OverlayTest, OverlaySpaceStretchesOverTheDrawable) {
    // The error caption centred at (512, 34) in overlay space, measured in a
    // 1024 x 768 drawable (overlay space is pixel space) and in 1280 x 800.
    TempFolder empty;
    PixelBox boxes[2];
    const int sizes[2][2] = {{1024, 768}, {1280, 800}};
    for (int i = 0; i < 2; ++i) {
        ResizeDrawable(sizes[i][0], sizes[i][1]);
        HostGLInit();
        settings.BGTYPE = BG_SLIDESHOW;
        settings.SHOWCOUNTDOWN = false;
        settings.SetBGPath(empty.path.c_str());
        srand(7);
        SSMAIN scene;
        ASSERT_TRUE(SetupScene(&scene));
        scene.hintTimer = 1000.0f;
        scene.errorCaption.Set(kPictureErrorText, VECTOR3D{1, 0, 0}, 30.0f, 32.0f);
        Run(&scene, 12.0);
        boxes[i] = FindPixels([](const uint8_t* p) { return p[0] > 100 && p[2] < 200; });
    }
    ASSERT_GT(boxes[0].count, 500);
    // 27 letters of 32: quads from 188 to 844 across, 18 to 50 up.
    EXPECT_GE(boxes[0].x0, 188);
    EXPECT_LE(boxes[0].x1, 843);
    EXPECT_GE(boxes[0].y0, 18);
    EXPECT_LE(boxes[0].y1, 49);
    EXPECT_NEAR(boxes[1].x0, boxes[0].x0 * 1.25, 2.0);
    EXPECT_NEAR(boxes[1].x1, boxes[0].x1 * 1.25, 2.0);
    EXPECT_NEAR(boxes[1].y0, boxes[0].y0 * 800.0 / 768, 2.0);
    EXPECT_NEAR(boxes[1].y1, boxes[0].y1 * 800.0 / 768, 2.0);
}

TEST_F(OverlayTest, PreviewDrawsNoOverlayAndKeepsItsTimers) {
    SSMAIN preview;
    ASSERT_TRUE(SetupScene(&preview, true));
    preview.errorCaption.Set("caption", VECTOR3D{1, 0, 0}, 30.0f, 32.0f);
    const float captionTimer = preview.errorCaption.timer;
    for (int i = 0; i < 5; ++i) HostFrame(&preview, 1.0);
    EXPECT_DOUBLE_EQ(preview.clock, 5.0);
    EXPECT_EQ(preview.bannerTimer, 120.0f);
    EXPECT_EQ(preview.messageTimer, 90.0f);
    EXPECT_EQ(preview.hintTimer, 20.0f);
    EXPECT_EQ(preview.titleY, 1000.0f);
    EXPECT_EQ(preview.errorCaption.timer, captionTimer);
    EXPECT_FALSE(preview.hintCaption1.ACTIVE);

    // A message at full opacity would blacken every pixel; the preview shows
    // the background.
    auto blackPixels = [&] {
        return FindPixels([](const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }).count;
    };
    preview.messageTimer = -5.0f;
    preview.messageAlpha = 1.0f;
    HostFrame(&preview, 0.5);
    EXPECT_LT(blackPixels(), width * height / 2);
    SSMAIN full;
    ASSERT_TRUE(SetupScene(&full));
    full.messageTimer = -5.0f;
    full.messageAlpha = 1.0f;
    HostFrame(&full, 0.5);
    EXPECT_GT(blackPixels(), width * height * 3 / 4);
}
