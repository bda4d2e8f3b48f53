// dovel on X servers of the test's own: the window draws the scene and
// follows a resize, -window-id draws into a window of the test and ends
// with it, -root shows XScreenSaver's saved screenshot only when
// grabDesktopImages allows it, -fullscreen makes one view per Xinerama head
// and MainMonitorOnly leaves the second black, a signal ends the run
// promptly, and a lost X connection ends it with status 1.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "host/x11/X11Monitors.h"
#include "host/x11/X11Snapshot.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/FifoWatch.h"
#include "tests/host/XTestSupport.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers' leak check runs at exit and takes its time.
constexpr double kQuitLimit = 5.0;
#else
constexpr double kQuitLimit = 0.5;
#endif

int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

bool IsBackground(uint32_t p) {
    return NearColour(p, 51, 102, 153);  // the preferences' colour (0.2, 0.4, 0.6)
}
bool IsHeart(uint32_t p) {
    return (p >> 16 & 0xff) > 120 && (p >> 8 & 0xff) < 90;
}
bool IsGreen(uint32_t p) {
    return NearColour(p, 0, 200, 0, 24);
}
bool IsBlue(uint32_t p) {
    return NearColour(p, 0, 0, 200, 24);
}
bool IsBlack(uint32_t p) {
    return p == 0;
}

std::string Hex(unsigned long window) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct X11Test : ::testing::Test {
    ScratchFolder scratch;
    XServer server;
    Display* dpy = nullptr;
    std::string prefs = scratch.File("qvDovelSS.toml");
    ChildProcess dovel;

    void SetUp() override {
        XSetErrorHandler(IgnoreXErrors);
        ASSERT_TRUE(server.StartXvfb(640, 480, scratch.File("xvfb.log")))
            << "cannot start Xvfb (tools/setup.sh installs it)";
        dpy = XOpenDisplay(server.name.c_str());
        ASSERT_NE(dpy, nullptr);
    }
    void TearDown() override {
        if (dpy != nullptr) XCloseDisplay(dpy);
    }
    // Starts the built dovel on display with the test's preferences and a
    // fake home.
    void Start(std::vector<std::string> args, const std::string& display, std::vector<std::string> env = {}) {
        args.insert(args.begin(), std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dovel");
        args.insert(args.end(), {"-prefs", prefs});
        // A fake home: no desktop settings of the machine's user reach the run.
        env.insert(env.end(), {"DISPLAY=" + display, "HOME=" + scratch.path,
                               "XDG_CONFIG_HOME=" + scratch.File(".config"), "GSETTINGS_BACKEND=memory"});
        ASSERT_TRUE(dovel.Start(args, env, scratch.File("dovel.log")));
    }
    std::string Log() { return ReadFileText(scratch.File("dovel.log")); }
    // Waits until the area of window shows pixels passing test in at least
    // the given share.
    bool Shows(Display* d, unsigned long window, int x, int y, int w, int h, bool (*test)(uint32_t),
               double share, WindowPixels* pixels) {
        return WaitFor(
            20.0, [&] { return ReadWindow(d, window, x, y, w, h, pixels) && pixels->Share(test) >= share; });
    }
    // Sends signal and expects dovel to exit 0 within the limit.
    void ExpectQuitOn(int signal) {
        double before = Now();
        dovel.Signal(signal);
        int status = -2;
        ASSERT_TRUE(dovel.WaitExit(10.0, &status)) << "still running after a signal";
        EXPECT_LT(Now() - before, kQuitLimit);
        EXPECT_EQ(status, 0) << Log();
    }
};

TEST_F(X11Test, TheWindowDrawsTheSceneFollowsAResizeAndEndsOnSigterm) {
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-size", "320x240"}, server.name);
    std::vector<unsigned long> windows;
    ASSERT_TRUE(WaitFor(20.0, [&] { return (windows = WindowsNamed(dpy, "Dovel")).size() == 1; })) << Log();
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(dpy, windows[0], &attributes));
    EXPECT_TRUE(attributes.width == 320 && attributes.height == 240);
    WindowPixels pixels;
    EXPECT_TRUE(Shows(dpy, windows[0], 0, 0, 320, 240, IsBackground, 0.5, &pixels)) << Log();
    EXPECT_TRUE(Shows(dpy, windows[0], 0, 0, 320, 240, IsHeart, 0.001, &pixels)) << "no hearts";

    // Once resized the scene covers the new area: hearts pass right of the
    // old width.
    XResizeWindow(dpy, windows[0], 560, 360);
    XSync(dpy, False);
    EXPECT_TRUE(Shows(dpy, windows[0], 330, 0, 230, 360, IsHeart, 0.001, &pixels)) << Log();
    ExpectQuitOn(SIGTERM);
}

TEST_F(X11Test, WindowIdDrawsIntoTheGivenWindowAndEndsWhenItIsDestroyed) {
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Window target = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 20, 20, 300, 200, 0, 0, 0);
    XMapWindow(dpy, target);
    XSync(dpy, False);
    Start({"-window-id", Hex(target)}, server.name);
    WindowPixels pixels;
    EXPECT_TRUE(Shows(dpy, target, 0, 0, 300, 200, IsBackground, 0.5, &pixels)) << Log();
    EXPECT_TRUE(WindowsNamed(dpy, "Dovel").empty()) << "no window of its own";
    XDestroyWindow(dpy, target);
    XSync(dpy, False);
    int status = -2;
    ASSERT_TRUE(dovel.WaitExit(10.0, &status)) << "still running without its window";
    EXPECT_EQ(status, 0) << Log();
}

TEST_F(X11Test, RootShowsXScreenSaversScreenshotOnlyWhenGrabDesktopImagesAllowsIt) {
    WriteFileText(prefs, PrefsText(BG_SNAPSHOT));
    Window saver = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 320, 240, 0, 0, 0);
    XMapWindow(dpy, saver);
    Pixmap shot = XCreatePixmap(dpy, saver, 320, 240, 24);
    GC gc = XCreateGC(dpy, shot, 0, nullptr);
    // Green above, blue below: the picture must not come out upside down.
    XSetForeground(dpy, gc, 0x00c800);
    XFillRectangle(dpy, shot, gc, 0, 0, 320, 120);
    XSetForeground(dpy, gc, 0x0000c8);
    XFillRectangle(dpy, shot, gc, 0, 120, 320, 120);
    XFreeGC(dpy, gc);
    Atom property = XInternAtom(dpy, "_SCREENSAVER_SCREENSHOT", False);
    XChangeProperty(dpy, saver, property, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&shot), 1);
    XSync(dpy, False);
    for (bool grab : {true, false}) {
        WriteFileText(scratch.File(".xscreensaver"),
                      std::string("lock:\tFalse\ngrabDesktopImages:\t") + (grab ? "True" : "False") + "\n");
        Start({"-root"}, server.name, {"XSCREENSAVER_WINDOW=" + Hex(saver)});
        WindowPixels pixels;
        if (grab) {
            EXPECT_TRUE(Shows(dpy, saver, 0, 0, 320, 100, IsGreen, 0.5, &pixels)) << Log();
            EXPECT_TRUE(Shows(dpy, saver, 0, 140, 320, 100, IsBlue, 0.5, &pixels)) << Log();
        } else {
            // The desktop picture stands in: the scene is drawn, the
            // screenshot is not.
            EXPECT_TRUE(Shows(dpy, saver, 0, 0, 320, 240, IsHeart, 0.001, &pixels)) << Log();
            EXPECT_LT(pixels.Share(IsGreen), 0.01);
        }
        EXPECT_TRUE(WindowsNamed(dpy, "Dovel").empty()) << "no window of its own";
        ExpectQuitOn(grab ? SIGINT : SIGHUP);
    }
    XFreePixmap(dpy, shot);
}

TEST(XScreenSaverSettings, GrabDesktopImagesComesFromTheUserFileThenTheSystemsElseIsTrue) {
    struct Case {
        const char* user;
        const char* system;
        bool allowed;
    };
    const Case cases[] = {
        {"grabDesktopImages:\tFalse\n", "*grabDesktopImages:\tTrue\n", false},
        {"lock: True\ngrabDesktopImages:  yes \n", "*grabDesktopImages:\tFalse\n", true},
        {"lock: True\n! grabDesktopImages: True\n", "*grabDesktopImages:\tFalse\n", false},
        {"xscreensaver.grabDesktopImages: off\n", "", false},
        {"", "", true},
    };
    ScratchFolder scratch;
    for (const Case& c : cases) {
        WriteFileText(scratch.File("user"), c.user);
        WriteFileText(scratch.File("system"), c.system);
        EXPECT_EQ(DesktopGrabAllowed(scratch.File("user"), scratch.File("system")), c.allowed)
            << c.user << c.system;
    }
    WriteFileText(scratch.File("system"), "*grabDesktopImages:\tFalse\n");
    EXPECT_FALSE(DesktopGrabAllowed(scratch.File("none"), scratch.File("system"))) << "no user file";
    // A pipe in the user file's place is neither read nor waited on.
    ASSERT_TRUE(MakeFifo(scratch.File("pipe")));
    EXPECT_FALSE(WaitedOnFifo(scratch.File("pipe"), [&] {
        EXPECT_FALSE(DesktopGrabAllowed(scratch.File("pipe"), scratch.File("system")));
    }));
}

TEST(X11Monitors, AnAreaBelongsToTheMonitorOfItsCentreElseTheFirstItMeets) {
    std::vector<X11Monitor> monitors(2);
    monitors[0].width = monitors[1].width = 320;
    monitors[0].height = monitors[1].height = 240;
    monitors[1].x = 320;
    struct Case {
        int x, y, w, h, monitor;
    };
    const Case cases[] = {
        {0, 0, 320, 240, 0},    {320, 0, 320, 240, 1}, {200, 10, 300, 100, 1},
        {-300, 0, 310, 100, 0}, {-50, 0, 10, 10, -1},  {0, 240, 640, 10, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MonitorForArea(monitors, c.x, c.y, c.w, c.h), c.monitor) << c.x << "," << c.y << " " << c.w;
    EXPECT_EQ(MainMonitorIndex(monitors), 0) << "the first when none is primary";
    monitors[1].primary = true;
    EXPECT_EQ(MainMonitorIndex(monitors), 1);
}

TEST_F(X11Test, FullscreenMakesAViewPerHeadAndMainMonitorOnlyLeavesTheSecondBlack) {
    XServer nested;
    ASSERT_TRUE(nested.StartTwoHeadXephyr(server, 320, 240, scratch.File("xephyr.log")))
        << "cannot start Xephyr (tools/setup.sh installs it)";
    Display* two = XOpenDisplay(nested.name.c_str());
    ASSERT_NE(two, nullptr);
    // The desktop: a green root window, read as the snapshot before Dovel's
    // windows cover it.
    Window root = DefaultRootWindow(two);
    XSetWindowBackground(two, root, 0x00c800);
    XClearWindow(two, root);
    XSync(two, False);
    std::string text = PrefsText(BG_SNAPSHOT);
    const std::string notMainOnly = "MainMonitorOnly = false";
    WriteFileText(prefs, text.replace(text.find(notMainOnly), notMainOnly.size(), "MainMonitorOnly = true"));
    Start({"--fullscreen"}, nested.name);

    // Two views, shown, one on each head.
    std::vector<std::pair<int, int>> origins;
    auto shownViews = [&] {
        origins.clear();
        for (unsigned long view : WindowsNamed(two, "Dovel")) {
            XWindowAttributes a;
            if (XGetWindowAttributes(two, view, &a) && a.map_state == IsViewable && a.width == 320 &&
                a.height == 240)
                origins.emplace_back(a.x, a.y);
        }
        std::sort(origins.begin(), origins.end());
        return origins.size() == 2;
    };
    ASSERT_TRUE(WaitFor(20.0, shownViews)) << Log();
    EXPECT_EQ(origins, (std::vector<std::pair<int, int>>{{0, 0}, {320, 0}}));
    WindowPixels left, right;
    EXPECT_TRUE(Shows(two, root, 0, 0, 320, 240, IsGreen, 0.5, &left)) << Log();
    EXPECT_TRUE(Shows(two, root, 0, 0, 320, 240, IsHeart, 0.001, &left)) << "no scene on the main head";
    ASSERT_TRUE(ReadWindow(two, root, 320, 0, 320, 240, &right));
    EXPECT_EQ(right.Share(IsBlack), 1.0) << "the second head stays black";

    // A pointer move ends it, as it would end a screen saver.
    XWarpPointer(two, None, root, 0, 0, 0, 0, 10, 10);
    XSync(two, False);
    int status = -2;
    ASSERT_TRUE(dovel.WaitExit(10.0, &status)) << "still running after the pointer moved";
    EXPECT_EQ(status, 0) << Log();
    XCloseDisplay(two);
}

TEST_F(X11Test, ALostConnectionEndsTheRunWithStatusOneAndAMessage) {
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-size", "200x150"}, server.name);
    ASSERT_TRUE(WaitFor(20.0, [&] { return WindowsNamed(dpy, "Dovel").size() == 1; })) << Log();
    XCloseDisplay(dpy);
    dpy = nullptr;
    server.process.Signal(SIGKILL);
    int status = -2;
    ASSERT_TRUE(dovel.WaitExit(10.0, &status));
    EXPECT_EQ(status, 1);
    EXPECT_NE(Log().find("lost the connection to the X display"), std::string::npos) << Log();
}

}  // namespace
