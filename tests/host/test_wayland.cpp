// dovel as a Wayland client of compositors the tests start: on weston the
// window draws the scene, full screen covers the output through xdg-shell,
// SIGTERM ends the run promptly and a compositor that goes away ends it
// with status 1 and one line, and the settings window's preview draws; on
// sway the layer shell covers both outputs, the snapshot shows what the
// screen showed, MainMonitorOnly leaves the second output black and a key
// ends the run; on mutter full screen draws on both outputs.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/host/HostTestSupport.h"
#include "tests/host/WaylandTestSupport.h"

namespace {

constexpr double kShowLimit = 60.0;

struct WaylandTest : ::testing::Test {
    ScratchFolder scratch;
    Compositor compositor;
    ChildProcess dovel;
    std::string prefs = scratch.File("qvDovelSS.toml");

    void Start(std::vector<std::string> args) {
        args.insert(args.begin(), BuiltDovel());
        args.insert(args.end(), {"-prefs", prefs});
        std::vector<std::string> env = FakeHomeEnv(scratch.path);
        env.push_back("XDG_CURRENT_DESKTOP=");
        ASSERT_TRUE(compositor.StartClient(&dovel, args, env, scratch.File("dovel.log")));
    }
    std::string Log() { return ReadFileText(scratch.File("dovel.log")); }
    // Waits until the screen (or the part that part picks) shows pixels
    // passing test in at least the given share.
    bool Shows(bool (*test)(uint32_t), double share, WindowPixels* pixels,
               const std::function<WindowPixels(const WindowPixels&)>& part = nullptr) {
        return WaitFor(kShowLimit, [&] {
            WindowPixels whole;
            if (!compositor.Screenshot(&whole)) return false;
            *pixels = part ? part(whole) : whole;
            return pixels->Share(test) >= share;
        });
    }
    void ExpectExit(int expected, double limit) {
        int status = -2;
        const double before = Now();
        ASSERT_TRUE(dovel.WaitExit(30.0, &status)) << "still running";
        EXPECT_LT(Now() - before, limit);
        EXPECT_EQ(status, expected) << Log();
    }
};

TEST_F(WaylandTest, OnWestonTheWindowDrawsTheSceneAndSigtermEndsIt) {
    ASSERT_TRUE(compositor.StartWeston(scratch.path, 640, 360))
        << "cannot start weston (tools/setup.sh installs it)";
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-size", "320x240"});
    WindowPixels pixels;
    // The window, 320 x 240 of the 640 x 360 screen, in the background colour.
    EXPECT_TRUE(Shows(IsBackground, 0.25, &pixels)) << Log();
    EXPECT_LT(pixels.Share(IsBackground), 0.4) << "a window, not the whole screen";
    EXPECT_TRUE(Shows(IsHeart, 0.001, &pixels)) << "no hearts\n" << Log();
    dovel.Signal(SIGTERM);
    ExpectExit(0, kQuitLimit);
}

TEST_F(WaylandTest, OnWestonFullScreenCoversTheOutputAndALostCompositorEndsWithStatusOne) {
    ASSERT_TRUE(compositor.StartWeston(scratch.path, 640, 360));
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-fullscreen"});
    WindowPixels pixels;
    EXPECT_TRUE(Shows(IsBackground, 0.6, &pixels)) << Log();
    EXPECT_TRUE(Shows(IsHeart, 0.001, &pixels)) << "no hearts\n" << Log();
    compositor.process.Signal(SIGKILL);
    ExpectExit(1, 30.0);
    const std::string log = Log();
    EXPECT_NE(log.find("lost the connection to the Wayland compositor"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

TEST_F(WaylandTest, OnAnOutputOfScaleTwoTheViewDrawsEveryPixel) {
    ASSERT_TRUE(compositor.StartWeston(scratch.path, 640, 360, 2));
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-fullscreen", "-frames", "10", "-stats"});
    int status = -2;
    ASSERT_TRUE(dovel.WaitExit(kShowLimit, &status)) << Log();
    EXPECT_EQ(status, 0) << Log();
    // The output is 640 x 360 in surface units; the scene is drawn at its
    // 1280 x 720 pixels.
    EXPECT_NE(Log().find("\"width\":1280,\"height\":720,"), std::string::npos) << Log();
}

TEST_F(WaylandTest, OnWestonTheSettingsWindowsPreviewDraws) {
    ASSERT_TRUE(compositor.StartWeston(scratch.path, 1280, 800));
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    const std::string settings =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dovel-settings";
    ASSERT_TRUE(
        compositor.StartClient(&dovel, {settings, "-prefs", prefs},
                               {"GDK_BACKEND=wayland", "HOME=" + scratch.path, "GSETTINGS_BACKEND=memory"},
                               scratch.File("dovel.log")));
    // The preview, rendered off screen, shows the background colour and
    // hearts inside the dialog.
    WindowPixels pixels;
    EXPECT_TRUE(Shows(IsBackground, 0.005, &pixels)) << Log();
    EXPECT_TRUE(Shows(IsHeart, 0.0002, &pixels)) << "no hearts in the preview\n" << Log();
}

TEST_F(WaylandTest, OnSwayTheLayerShellCoversBothOutputsOverTheSnapshotAndAKeyEndsIt) {
    // The desktop: green on both outputs.
    ASSERT_TRUE(compositor.StartSway(scratch.path, 320, 240, "output * bg #00c800 solid_color\n"))
        << "cannot start sway (tools/setup.sh installs it)";
    WindowPixels pixels;
    ASSERT_TRUE(Shows(IsGreen, 0.9, &pixels)) << ReadFileText(scratch.File("sway.log"));
    std::string text = PrefsText(BG_SNAPSHOT);
    const std::string notMainOnly = "MainMonitorOnly = false";
    WriteFileText(prefs, text.replace(text.find(notMainOnly), notMainOnly.size(), "MainMonitorOnly = true"));
    Start({"-fullscreen"});
    auto left = [](const WindowPixels& p) { return Columns(p, 0, 320); };
    auto right = [](const WindowPixels& p) { return Columns(p, 320, 320); };
    // The main output: the snapshot's green under the scene; the other one
    // black, covered by its own view.
    EXPECT_TRUE(Shows(IsBlack, 1.0, &pixels, right)) << Log();
    EXPECT_TRUE(Shows(IsHeart, 0.001, &pixels, left)) << Log();
    EXPECT_GT(pixels.Share(IsGreen), 0.5);
    // wtype's keyboard is new to the seat: the first key may come before
    // Dovel holds the seat's new keyboard, so a second follows, and the
    // whole is repeated until Dovel has ended.
    int status = -2;
    EXPECT_TRUE(WaitFor(kShowLimit, [&] {
        compositor.RunClient({"wtype", "a", "-s", "200", "a"}, scratch.File("wtype.log"));
        return dovel.WaitExit(1.0, &status);
    })) << "still running after a key";
    EXPECT_EQ(status, 0) << Log();
}

TEST_F(WaylandTest, OnMutterFullScreenDrawsOnBothOutputs) {
    ASSERT_TRUE(compositor.StartMutter(scratch.path, 640, 360))
        << "cannot start mutter (tools/setup.sh installs it)";
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    // Frames are presented only when the compositor asks for them, that is
    // while a view shows: 30 on each output end the run.
    Start({"-fullscreen", "-frames", "30", "-stats"});
    int status = -2;
    ASSERT_TRUE(dovel.WaitExit(kShowLimit, &status)) << "not every output asked for frames\n" << Log();
    EXPECT_EQ(status, 0) << Log();
    const std::string log = Log();
    for (const char* output : {"{\"output\":\"Meta-0\",\"width\":640,\"height\":360,\"frames\":",
                               "{\"output\":\"Meta-1\",\"width\":640,\"height\":360,\"frames\":"})
        EXPECT_NE(log.find(output), std::string::npos) << log;
}

}  // namespace
