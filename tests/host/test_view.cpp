// The view's life cycle on the headless backend: the tick filter, a failed
// set-up, the snapshot and its fall-back, the main-display rule, resizing,
// stopping and the stored picture delay.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "host/DesktopTexture.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

struct ViewTest : ::testing::Test {
    ScratchFolder scratch;
    VirtualClock clock;
    HostEnvironment env{&clock, scratch.File("qvDovelSS.toml"), DataFolder()};

    void Prefs(const std::string& text) { WriteFileText(env.prefsPath, text); }
    // One tick at time t (seconds); true when it presented a frame.
    bool TickAt(DovelSSView* view, double t) {
        clock.SetSeconds(t);
        int64_t before = view->framesPresented;
        view->animateOneFrame();
        return view->framesPresented != before;
    }
};

TEST_F(ViewTest, TheTickFilterCarriesShortStepsAndDropsLongOnes) {
    Prefs(PrefsText(BG_COLOUR));
    auto view = MakeView(env, 160, 120);
    ASSERT_TRUE(view);
    view->startAnimation();
    EXPECT_FALSE(TickAt(view.get(), 0.0)) << "the first tick sets the scene up and draws nothing";
    ASSERT_NE(view->ssMain, nullptr) << "scene set-up failed; are the packs in " << env.resourcePath << "?";
    EXPECT_DOUBLE_EQ(view->animtime, 0.0);

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
}

TEST_F(ViewTest, AFailedSetUpShowsOnlyTheBackgroundColour) {
    Prefs(PrefsText(BG_SNAPSHOT));
    env.resourcePath = scratch.path + "/no-packs-here/";
    auto view = MakeView(env, 64, 48);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->mySettings.BGTYPE, BG_DESKTOP) << "no snapshot: the desktop picture is next";
    view->startAnimation();
    for (int t = 0; t < 5; ++t) TickAt(view.get(), t / 60.0);
    EXPECT_TRUE(view->initialized);
    EXPECT_EQ(view->ssMain, nullptr) << "the scene is released and never touched again";
    EXPECT_EQ(view->framesPresented, 4) << "frames are still presented";
    std::vector<uint8_t> pixels = ReadFramebuffer(64, 48);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_EQ(pixels[i], 51) << "pixel " << i / 4;
        ASSERT_EQ(pixels[i + 1], 102);
        ASSERT_EQ(pixels[i + 2], 153);
    }
}

TEST_F(ViewTest, WithoutASnapshotKindZeroFallsToTheDesktopPicture) {
    Prefs(PrefsText(BG_SNAPSHOT));
    auto none = MakeView(env, 64, 48);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->mySettings.BGTYPE, BG_DESKTOP);
    EXPECT_EQ(none->DeskTex.texID, 0u);

    auto black = std::make_shared<SnapshotImage>();
    black->width = 64;
    black->height = 48;
    black->rgba.assign(64 * 48 * 4, 0);
    for (size_t i = 3; i < black->rgba.size(); i += 4) black->rgba[i] = 255;  // alpha does not count
    auto blackView = MakeView(env, 64, 48, false, black);
    ASSERT_TRUE(blackView);
    EXPECT_EQ(blackView->mySettings.BGTYPE, BG_DESKTOP) << "an all-black snapshot counts as failed";
    EXPECT_EQ(blackView->DeskTex.texID, 0u);
    EXPECT_EQ(ScreenSaverDefaults(env.prefsPath).IntegerForKey("BGType"), 0) << "the stored kind stays 0";

    // The fall-back view still runs: it loads the fallback picture and draws.
    blackView->startAnimation();
    for (int t = 0; t < 3; ++t) TickAt(blackView.get(), t / 60.0);
    EXPECT_EQ(blackView->framesPresented, 2);
}

GLint TextureSize(uint32_t name, GLenum which) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &value);
    return value;
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
        Prefs(PrefsText(BG_SNAPSHOT));
        ScreenSaverDefaults store(env.prefsPath);
        store.SetInteger("BGRes", c.bgRes);
        ASSERT_TRUE(store.Synchronize());
        auto view = MakeView(env, c.w, c.h, c.preview, GradientSnapshot(c.w, c.h));
        ASSERT_TRUE(view);
        EXPECT_EQ(view->mySettings.BGTYPE, BG_SNAPSHOT);
        ASSERT_NE(view->DeskTex.texID, 0u);
        EXPECT_EQ(TextureSize(view->DeskTex.texID, GL_TEXTURE_WIDTH), c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(TextureSize(view->DeskTex.texID, GL_TEXTURE_HEIGHT), c.th) << c.w << "x" << c.h;
    }
}

TEST_F(ViewTest, TheSnapshotTextureIsHandedToTheSceneAndDrawn) {
    Prefs(PrefsText(BG_SNAPSHOT));
    auto view = MakeView(env, 128, 96, true, GradientSnapshot(128, 96));
    ASSERT_TRUE(view);
    uint32_t name = view->DeskTex.texID;
    ASSERT_NE(name, 0u);
    view->startAnimation();
    TickAt(view.get(), 0.0);
    ASSERT_NE(view->ssMain, nullptr);
    EXPECT_EQ(view->ssMain->deskTexID, name);
    EXPECT_EQ(view->DeskTex.texID, 0u) << "the scene owns the texture from now on";
    ASSERT_TRUE(TickAt(view.get(), 1.0 / 60.0));
    // The gradient's corners: red grows to the right, green upwards.
    Rgba lowLeft = ReadPixel(1, 1), upRight = ReadPixel(126, 94);
    EXPECT_LT(lowLeft.r, 40);
    EXPECT_LT(lowLeft.g, 40);
    EXPECT_GT(upRight.r, 200);
    EXPECT_GT(upRight.g, 200);
}

TEST(SnapshotTexture, SidesAreTheNearestPowerOfTwoWithinTheLimit) {
    EXPECT_EQ(SnapshotTextureSide(1440, 1024), 1024);
    EXPECT_EQ(SnapshotTextureSide(900, 1024), 1024);
    EXPECT_EQ(SnapshotTextureSide(1920, 16384), 2048);
    EXPECT_EQ(SnapshotTextureSide(1920, 1024), 1024);
    EXPECT_EQ(SnapshotTextureSide(600, 4096), 512);
    EXPECT_EQ(SnapshotTextureSide(768, 4096), 1024);
    EXPECT_EQ(SnapshotTextureSide(1, 512), 1);
    EXPECT_EQ(SnapshotTextureSide(0, 512), 1);
    EXPECT_EQ(SnapshotTextureSide(2000000000, 16384), 16384);
    EXPECT_EQ(SnapshotMaxSide(0, 16384), 512);
    EXPECT_EQ(SnapshotMaxSide(1, 16384), 1024);
    EXPECT_EQ(SnapshotMaxSide(2, 16384), 16384);
    EXPECT_EQ(SnapshotMaxSide(-3, 8192), 8192);
}

// A display that is not the main one.
class SecondDisplayBackend : public HeadlessBackend {
public:
    using HeadlessBackend::HeadlessBackend;
    int ScreenNumber() override { return 1; }
};

TEST_F(ViewTest, WithMainMonitorOnlyASecondDisplayStaysBlackAndStops) {
    Prefs(PrefsText(BG_COLOUR));
    ScreenSaverDefaults store(env.prefsPath);
    store.SetBool("MainMonitorOnly", true);
    ASSERT_TRUE(store.Synchronize());

    auto second = MakeViewOn(env, 64, 48, false, std::make_unique<SecondDisplayBackend>(64, 48, nullptr));
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
    TickAt(main.get(), 0.0);
    EXPECT_TRUE(main->isAnimating());
    EXPECT_NE(main->ssMain, nullptr);
}

TEST_F(ViewTest, ResizingReRunsTheGLSetUpWithTheNewSize) {
    Prefs(PrefsText(BG_COLOUR));
    auto view = MakeView(env, 96, 64);
    ASSERT_TRUE(view);
    view->startAnimation();
    TickAt(view.get(), 0.0);
    ASSERT_NE(view->ssMain, nullptr);
    EXPECT_EQ(view->ssMain->width, 96);
    view->setFrameSize(200, 100);
    EXPECT_FALSE(view->glReady);
    EXPECT_TRUE(TickAt(view.get(), 1.0 / 60.0));
    EXPECT_TRUE(view->glReady);
    EXPECT_EQ(view->ssMain->width, 200);
    EXPECT_EQ(view->ssMain->height, 100);
    EXPECT_EQ(view->Scrn.width, 200.0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 200);
    EXPECT_EQ(viewport[3], 100);
}

TEST_F(ViewTest, StoppingKeepsTheSceneAndTheFirstTickAfterwardsDropsThePause) {
    Prefs(PrefsText(BG_COLOUR));
    auto view = MakeView(env, 64, 48);
    ASSERT_TRUE(view);
    view->startAnimation();
    TickAt(view.get(), 0.0);
    TickAt(view.get(), 1.0 / 60.0);
    SSMAIN* scene = view->ssMain;
    ASSERT_NE(scene, nullptr);
    view->stopAnimation();
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->ssMain, scene);
    view->startAnimation();
    EXPECT_FALSE(TickAt(view.get(), 30.0));
    EXPECT_TRUE(TickAt(view.get(), 30.0 + 1.0 / 60.0));
    EXPECT_EQ(view->ssMain, scene);
}

TEST_F(ViewTest, ANewViewUsesTheStoredPictureDelay) {
    Prefs(PrefsText(BG_COLOUR));
    ScreenSaverDefaults store(env.prefsPath);
    store.SetInteger("PicDelay", 45);
    ASSERT_TRUE(store.Synchronize());
    auto view = MakeView(env, 32, 32);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->mySettings.SETPICDELAY, 45);
    EXPECT_EQ(view->animationTimeInterval(), 1.0 / 60.0);
}

TEST_F(ViewTest, TheSnapshotReadsTheDisplayUnderTheView) {
    Prefs(PrefsText(BG_COLOUR));
    auto view = MakeView(env, 64, 48);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->getScreenMaskForFrame(ViewRect{0, 0, 64, 48}), 1u);
    EXPECT_EQ(view->getScreenMaskForFrame(ViewRect{5000, 5000, 64, 48}), 1u)
        << "off every display: the main one";
    EXPECT_FALSE(DovelSSView::performGammaFade());
}

}  // namespace
