// The view's life cycle on the headless backend: the tick filter, a failed
// set-up, the snapshot and its fall-back, the main-display rule, resizing,
// stopping and the stored picture delay.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "host/view/DesktopTexture.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

struct ViewTest : ::testing::Test {
    ScratchFolder scratch;
    VirtualClock clock;
    HostEnvironment env{&clock, scratch.File("qvDovelSS.toml"), DataFolder(), {}};

    // The preferences file with the given background and lines replaced.
    void Prefs(int bgType, std::vector<std::pair<std::string, std::string>> replace = {}) {
        std::string text = PrefsText(bgType);
        for (const auto& [line, by] : replace) text.replace(text.find(line), line.size(), by);
        WriteFileText(env.prefsPath, text);
    }
    // One tick at time t (seconds); true when it presented a frame.
    bool TickAt(DovelSSView* view, double t) {
        clock.SetSeconds(t);
        int64_t before = view->framesPresented;
        view->animateOneFrame();
        return view->framesPresented != before;
    }
};

TEST_F(ViewTest, TheTickFilterCarriesShortStepsDropsLongOnesAndSurvivesStopsAndResizes) {
    Prefs(BG_COLOUR);
    auto view = MakeView(env, 160, 120);
    ASSERT_TRUE(view);
    view->startAnimation();
    EXPECT_FALSE(TickAt(view.get(), 0.0)) << "the first tick sets the scene up and draws nothing";
    ASSERT_NE(view->ssMain, nullptr) << "scene set-up failed; are the packs in " << env.resourcePath << "?";
    EXPECT_DOUBLE_EQ(view->animtime, 0.0);
    EXPECT_EQ(view->animationTimeInterval(), 1.0 / 60.0);
    EXPECT_FALSE(TickAt(view.get(), 0.005));
    EXPECT_FALSE(TickAt(view.get(), 0.01)) << "exactly 0.01 s is still too short";
    EXPECT_TRUE(TickAt(view.get(), 0.012)) << "the time was carried over";
    EXPECT_NEAR(view->lastStep, 0.012, 1e-12);
    EXPECT_NEAR(view->ssMain->frameTime, 0.012, 1e-12);
    EXPECT_NEAR(view->ssMain->clock, 0.012, 1e-12);
    EXPECT_TRUE(TickAt(view.get(), 0.5));
    EXPECT_TRUE(TickAt(view.get(), 2.5)) << "exactly 2.0 s still draws";
    EXPECT_DOUBLE_EQ(view->lastStep, 2.0);

    // A pause of 3 s only restarts the time; the scene does not jump.
    double sceneClock = view->ssMain->clock;
    EXPECT_FALSE(TickAt(view.get(), 5.5));
    EXPECT_DOUBLE_EQ(view->animtime, 5.5);
    EXPECT_DOUBLE_EQ(view->ssMain->clock, sceneClock);
    EXPECT_TRUE(TickAt(view.get(), 5.5 + 1.0 / 64.0));
    EXPECT_DOUBLE_EQ(view->lastStep, 1.0 / 64.0);
    EXPECT_EQ(view->framesPresented, 4);

    // Stopping keeps the scene; the first tick afterwards drops the pause.
    SSMAIN* scene = view->ssMain;
    view->stopAnimation();
    EXPECT_FALSE(view->isAnimating());
    view->startAnimation();
    EXPECT_FALSE(TickAt(view.get(), 30.0));
    EXPECT_TRUE(TickAt(view.get(), 30.0 + 1.0 / 60.0));
    EXPECT_EQ(view->ssMain, scene);

    // Resizing re-runs the GL set-up with the new size at the next tick.
    EXPECT_EQ(view->ssMain->width, 160);
    view->setFrameSize(200, 100);
    EXPECT_FALSE(view->glReady);
    EXPECT_TRUE(TickAt(view.get(), 30.0 + 2.0 / 60.0));
    EXPECT_TRUE(view->glReady);
    EXPECT_TRUE(view->ssMain->width == 200 && view->ssMain->height == 100 && view->Scrn.width == 200.0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(viewport[2] == 200 && viewport[3] == 100) << viewport[2] << "x" << viewport[3];
}

TEST_F(ViewTest, WithoutAUsableSnapshotTheDesktopPictureIsNextAndAFailedSetUpShowsTheColour) {
    Prefs(BG_SNAPSHOT);
    auto black = std::make_shared<SnapshotImage>();
    black->width = 64;
    black->height = 48;
    for (int i = 0; i < 64 * 48; ++i)
        black->rgba.insert(black->rgba.end(), {0, 0, 0, 255});  // alpha does not count
    auto view = MakeView(env, 64, 48, false, black);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->mySettings.BGTYPE, BG_DESKTOP) << "an all-black snapshot counts as failed";
    EXPECT_EQ(view->DeskTex.texID, 0u);
    EXPECT_EQ(ScreenSaverDefaults(env.prefsPath).IntegerForKey("BGType"), 0) << "the stored kind stays 0";
    // The fall-back view still runs: it loads the fallback picture and draws.
    view->startAnimation();
    for (int t = 0; t < 3; ++t) TickAt(view.get(), t / 60.0);
    EXPECT_EQ(view->framesPresented, 2);

    // No snapshot at all, and no packs: the scene is released at its
    // set-up and never touched again, yet frames of the colour are presented.
    view.reset();
    env.resourcePath = scratch.path + "/no-packs-here/";
    view = MakeView(env, 64, 48);
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->mySettings.BGTYPE == BG_DESKTOP && view->DeskTex.texID == 0u);
    view->startAnimation();
    testing::internal::CaptureStderr();
    for (int t = 0; t < 5; ++t) TickAt(view.get(), t / 60.0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(view->setupError, env.resourcePath + "tarnwick.works: cannot open the file (no such file)");
    EXPECT_EQ(said, "dovel: warning: cannot set the scene up: " + view->setupError +
                        "; showing the background colour only\n")
        << "said once, naming the file and why";
    EXPECT_TRUE(view->initialized && view->ssMain == nullptr);
    EXPECT_EQ(view->framesPresented, 4);
    std::vector<uint8_t> pixels = ReadFramebuffer(64, 48);
    for (size_t i = 0; i < pixels.size(); i += 4)
        ASSERT_TRUE(pixels[i] == 51 && pixels[i + 1] == 102 && pixels[i + 2] == 153) << "pixel " << i / 4;
}

TEST_F(ViewTest, ASnapshotBecomesATextureSizedByTheDetail) {
    struct Case {
        int w, h, bgRes;
        bool preview;
        GLint tw, th;
    } cases[] = {
        {1440, 900, 1, false, 1024, 1024},
        {1920, 1200, 2, false, 2048, 1024},
        {1920, 1200, 0, false, 512, 512},
        {1920, 1200, 2, true, 512, 512},  // a preview always takes detail 0
        {600, 768, 2, false, 512, 1024},
    };
    for (const Case& c : cases) {
        Prefs(BG_SNAPSHOT, {{"BGRes = 1", "BGRes = " + std::to_string(c.bgRes)}});
        auto view = MakeView(env, c.w, c.h, c.preview, GradientSnapshot(c.w, c.h));
        ASSERT_TRUE(view);
        EXPECT_EQ(view->mySettings.BGTYPE, BG_SNAPSHOT);
        ASSERT_NE(view->DeskTex.texID, 0u);
        GLint size[2] = {};
        glBindTexture(GL_TEXTURE_2D, view->DeskTex.texID);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size[0]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size[1]);
        EXPECT_TRUE(size[0] == c.tw && size[1] == c.th)
            << c.w << "x" << c.h << ": " << size[0] << "x" << size[1];
    }
    // The sides: the nearest power of two within the detail's limit.
    const int sides[][3] = {{1440, 1024, 1024}, {900, 1024, 1024}, {1920, 16384, 2048},
                            {1920, 1024, 1024}, {600, 4096, 512},  {768, 4096, 1024},
                            {1, 512, 1},        {0, 512, 1},       {2000000000, 16384, 16384}};
    for (const auto& s : sides) EXPECT_EQ(SnapshotTextureSide(s[0], s[1]), s[2]) << s[0] << " " << s[1];
    EXPECT_EQ(SnapshotMaxSide(0, 16384), 512);
    EXPECT_EQ(SnapshotMaxSide(1, 16384), 1024);
    EXPECT_EQ(SnapshotMaxSide(2, 16384), 16384);
    EXPECT_EQ(SnapshotMaxSide(-3, 8192), 8192);
}

TEST_F(ViewTest, TheSnapshotTextureIsHandedToTheSceneAndDrawn) {
    Prefs(BG_SNAPSHOT);
    // A small snapshot, magnified eightfold: its edge texels reach the
    // view's outermost pixels undarkened.
    auto view = MakeView(env, 128, 96, true, GradientSnapshot(16, 16));
    ASSERT_TRUE(view);
    uint32_t name = view->DeskTex.texID;
    ASSERT_NE(name, 0u);
    view->startAnimation();
    TickAt(view.get(), 0.0);
    ASSERT_NE(view->ssMain, nullptr);
    EXPECT_EQ(view->ssMain->deskTexID, name);
    EXPECT_EQ(view->DeskTex.texID, 0u) << "the scene owns the texture from now on";
    ASSERT_TRUE(TickAt(view.get(), 1.0 / 60.0));
    // The gradient's corners: red grows to the right, green upwards, blue
    // is 128 throughout.
    Rgba lowLeft = ReadPixel(0, 0), upRight = ReadPixel(127, 95);
    EXPECT_TRUE(lowLeft.r < 8 && lowLeft.g < 8 && std::abs(lowLeft.b - 128) <= 2)
        << int(lowLeft.r) << " " << int(lowLeft.g) << " " << int(lowLeft.b);
    EXPECT_TRUE(upRight.r > 247 && upRight.g > 247 && std::abs(upRight.b - 128) <= 2)
        << int(upRight.r) << " " << int(upRight.g) << " " << int(upRight.b);
}

// A display that is not the main one.
class SecondDisplayBackend : public HeadlessBackend {
public:
    using HeadlessBackend::HeadlessBackend;
    int ScreenNumber() override { return 1; }
};

TEST_F(ViewTest, WithMainMonitorOnlyASecondDisplayStaysBlackAndStops) {
    Prefs(BG_COLOUR,
          {{"MainMonitorOnly = false", "MainMonitorOnly = true"}, {"PicDelay = 20", "PicDelay = 45"}});
    auto second =
        MakeView(env, 64, 48, false, nullptr, std::make_unique<SecondDisplayBackend>(64, 48, nullptr));
    ASSERT_TRUE(second);
    second->startAnimation();
    EXPECT_FALSE(second->ThisScreenIsOn);
    Rgba p = ReadPixel(10, 10);
    EXPECT_EQ(p.r + p.g + p.b, 0) << "black, not the background colour";
    TickAt(second.get(), 0.0);
    EXPECT_FALSE(second->isAnimating()) << "it stops at its first tick";
    EXPECT_FALSE(second->initialized);
    EXPECT_EQ(second->ssMain, nullptr);

    auto main = MakeView(env, 64, 48);
    ASSERT_TRUE(main);
    main->startAnimation();
    EXPECT_TRUE(main->ThisScreenIsOn);
    EXPECT_EQ(ReadPixel(10, 10).r, 51);
    EXPECT_EQ(main->mySettings.SETPICDELAY, 45) << "a new view uses the stored picture delay";
    // Its snapshot reads the display under the view; off every display, the main one.
    EXPECT_EQ(main->getScreenMaskForFrame(ViewRect{0, 0, 64, 48}), 1u);
    EXPECT_EQ(main->getScreenMaskForFrame(ViewRect{5000, 5000, 64, 48}), 1u);
    TickAt(main.get(), 0.0);
    EXPECT_TRUE(main->isAnimating());
    EXPECT_NE(main->ssMain, nullptr);
}

}  // namespace
