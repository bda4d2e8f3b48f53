// Frame pacing on a display: a software renderer draws at most 30 frames a
// second unless -max-fps says otherwise, any other renderer at the 60 Hz
// tick; a late tick moves the schedule on instead of bursting; and a real
// window on Xvfb's llvmpipe presents no more than 30 frames a second.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/view/FramePacing.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/XTestSupport.h"

namespace {

TEST(FramePacing, TheRendererAndMaxFpsChooseTheRateAndTheRateTheInterval) {
    struct Case {
        int requested;
        const char* renderer;
        int fps;
    };
    const Case cases[] = {
        {0, "llvmpipe (LLVM 15.0.6, 256 bits)", 30},
        {0, "softpipe", 30},
        {0, "Mesa DRI SWRast", 30},
        {0, "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", 60},
        {0, "AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", 60},
        {0, "", 60},
        {12, "llvmpipe (LLVM 15.0.6, 256 bits)", 12},
        {60, "llvmpipe (LLVM 15.0.6, 256 bits)", 60},
        {1, "NVIDIA GeForce GTX 1060/PCIe/SSE2", 1},
    };
    for (const Case& c : cases) {
        const int fps = ChooseMaxFps(c.requested, c.renderer);
        EXPECT_EQ(fps, c.fps) << c.requested << " " << c.renderer;
        FramePacer pacer;
        pacer.SetMaxFps(fps);
        EXPECT_DOUBLE_EQ(pacer.interval, 1.0 / c.fps) << c.renderer;
    }

    // Ticks 1/30 s apart; one that ends 0.2 s late does not make the loop
    // run the missed ticks at once.
    FramePacer pacer;
    pacer.SetMaxFps(30);
    pacer.Restart(10.0);
    EXPECT_EQ(pacer.Wait(10.0), 0.0);
    pacer.Ticked(10.005);
    EXPECT_NEAR(pacer.Wait(10.005), 1.0 / 30.0 - 0.005, 1e-9);
    EXPECT_EQ(pacer.Wait(10.04), 0.0);
    pacer.Ticked(10.3);
    EXPECT_EQ(pacer.Wait(10.3), 0.0);
    pacer.Ticked(10.301);
    EXPECT_NEAR(pacer.Wait(10.301), 0.3 + 1.0 / 30.0 - 0.301, 1e-9);
}

// One window of the built program on an Xvfb of the test's own, where Mesa
// renders with llvmpipe. The program measures its presented frames on the
// monotonic clock from the first to the last; a busy machine can only make
// that rate lower, so the bound (the cap and a margin for one early tick
// after a late one) holds however loaded the machine is.
TEST(FramePacingX11, AWindowOnASoftwareRendererPresentsAtMostThirtyFramesASecond) {
    ScratchFolder scratch;
    XServer server;
    ASSERT_TRUE(server.StartXvfb(640, 480, scratch.File("xvfb.log"))) << "cannot start Xvfb";
    WriteFileText(scratch.File("qvDovelSS.toml"), PrefsText(BG_COLOUR));
    ChildProcess dovel;
    const std::string program = BuiltDovel();
    ASSERT_TRUE(dovel.Start({program, "-window", "-size", "320x240", "-frames", "45", "-stats", "-prefs",
                             scratch.File("qvDovelSS.toml")},
                            {"DISPLAY=" + server.name, "HOME=" + scratch.path, "LIBGL_ALWAYS_SOFTWARE=1"},
                            scratch.File("dovel.log")));
    int status = -2;
    ASSERT_TRUE(dovel.WaitExit(60.0, &status)) << "45 frames were not presented";
    const std::string log = ReadFileText(scratch.File("dovel.log"));
    ASSERT_EQ(status, 0) << log;
    EXPECT_NE(log.find("{\"frames\":45,"), std::string::npos) << log;
    const size_t at = log.find("\"fps\":");
    ASSERT_NE(at, std::string::npos) << log;
    const double fps = std::atof(log.c_str() + at + 6);
    EXPECT_GT(fps, 0.0) << log;
    EXPECT_LE(fps, 33.0) << log;
}

}  // namespace
