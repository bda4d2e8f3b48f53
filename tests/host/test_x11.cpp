// dovel on X servers of the test's own: the window draws the scene and
// follows a resize, -window-id draws into a window of the test and ends
// with it, -root shows XScreenSaver's saved screenshot only when
// grabDesktopImages allows it, -fullscreen makes one view per Xinerama head
// and MainMonitorOnly leaves the second black, a signal ends the run
// promptly, and a lost X connection ends it with status 1.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "host/x11/X11Monitors.h"
#include "host/x11/X11Snapshot.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/FifoWatch.h"
#include "tests/host/XTestSupport.h"

namespace {

bool IsBlue(uint32_t p) {
    return NearColour(p, 0, 0, 200, 24);
}

std::string Hex(unsigned long window) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

struct X11Test : ::testing::Test {
    ScratchFolder scratch;
    XServer server;
    Display* dpy = nullptr;
    std::string prefs = scratch.File("qvDovelSS.toml");
    ChildProcess dovel;

    void SetUp() override {
        IgnoreXErrors();
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
        args.insert(args.begin(), BuiltDovel());
        args.insert(args.end(), {"-prefs", prefs});
        env.push_back("DISPLAY=" + display);
        for (const std::string& e : FakeHomeEnv(scratch.path)) env.push_back(e);
        ASSERT_TRUE(dovel.Start(args, env, scratch.File("dovel.log")));
    }
    std::string Log() { return ReadFileText(scratch.File("dovel.log")); }
    // Waits until the area of window shows pixels passing test in at least
    // the given share.
    bool Shows(Display* d, unsigned long window, int x, int y, int w, int h, bool (*test)(uint32_t),
               double share, WindowPixels* pixels) {
        return WaitFor(
            60.0, [&] { return ReadWindow(d, window, x, y, w, h, pixels) && pixels->Share(test) >= share; });
    }
    // Gives window XScreenSaver's saved screenshot: a w x h pixmap, green in
    // its top greenRows rows and blue below.
    Pixmap SetScreenshot(Window window, int w, int h, int greenRows) {
        Pixmap shot = XCreatePixmap(dpy, window, w, h, 24);
        GC gc = XCreateGC(dpy, shot, 0, nullptr);
        XSetForeground(dpy, gc, 0x00c800);
        XFillRectangle(dpy, shot, gc, 0, 0, w, greenRows);
        XSetForeground(dpy, gc, 0x0000c8);
        XFillRectangle(dpy, shot, gc, 0, greenRows, w, h - greenRows);
        XFreeGC(dpy, gc);
        Atom property = XInternAtom(dpy, "_SCREENSAVER_SCREENSHOT", False);
        XChangeProperty(dpy, window, property, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&shot), 1);
        XSync(dpy, False);
        return shot;
    }
    // Expects dovel's run to end by itself with status expected.
    void ExpectEnd(int expected) {
        int status = -2;
        ASSERT_TRUE(dovel.WaitExit(30.0, &status)) << "still running\n" << Log();
        EXPECT_EQ(status, expected) << Log();
    }
    // Sends signal and expects dovel's run to end by itself, with status 0.
    void ExpectQuitOn(int signal) {
        dovel.Signal(signal);
        ExpectEnd(0);
        EXPECT_EQ(Log().find("did not end"), std::string::npos) << Log();
    }
    // A window of 300 x 200 for -window-id, mapped.
    Window MapTarget() {
        Window target = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 20, 20, 300, 200, 0, 0, 0);
        XMapWindow(dpy, target);
        XSync(dpy, False);
        return target;
    }
};

TEST_F(X11Test, TheWindowDrawsTheSceneFollowsAResizeAndEndsOnSigterm) {
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-size", "320x240"}, server.name);
    std::vector<unsigned long> windows;
    ASSERT_TRUE(WaitFor(60.0, [&] { return (windows = WindowsNamed(dpy, "Dovel")).size() == 1; })) << Log();
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

// -window-id draws into the given window and ends with status 0 when the
// window goes: once it has drawn, and while Dovel sets its view up on it,
// right after it asked for the window's events.
TEST_F(X11Test, WindowIdDrawsIntoTheGivenWindowAndEndsWhenItIsDestroyedEvenWhileStarting) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        WriteFileText(prefs, PrefsText(round == 0 ? BG_COLOUR : BG_SNAPSHOT));
        Window target = MapTarget();
        Start({"-window-id", Hex(target)}, server.name);
        if (round == 0) {
            WindowPixels pixels;
            EXPECT_TRUE(Shows(dpy, target, 0, 0, 300, 200, IsBackground, 0.5, &pixels)) << Log();
            EXPECT_TRUE(WindowsNamed(dpy, "Dovel").empty()) << "no window of its own";
        } else {
            // Asked without pause: the moment passes quickly.
            const double end = Now() + 20.0;
            XWindowAttributes attributes{};
            while (Now() < end && XGetWindowAttributes(dpy, target, &attributes) &&
                   (attributes.all_event_masks & StructureNotifyMask) == 0) {
            }
            ASSERT_NE(attributes.all_event_masks & StructureNotifyMask, 0) << Log();
        }
        XDestroyWindow(dpy, target);
        XSync(dpy, False);
        ExpectEnd(0);
    }
}

TEST_F(X11Test, RootShowsXScreenSaversScreenshotOnlyWhenGrabDesktopImagesAllowsIt) {
    WriteFileText(prefs, PrefsText(BG_SNAPSHOT));
    Window saver = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 320, 240, 0, 0, 0);
    XMapWindow(dpy, saver);
    // Green above, blue below: the picture must not come out upside down.
    Pixmap shot = SetScreenshot(saver, 320, 240, 120);
    for (bool grab : {true, false}) {
        // Each run starts from a blank window, not the last run's frames.
        XClearWindow(dpy, saver);
        XSync(dpy, False);
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

// XScreenSaver's settings program previews a hack as "dovel --root
// --window-id ID" in a pane of 535 x 300 with XSCREENSAVER_WINDOW set: the
// preview (no countdown), with XScreenSaver's screenshot only when
// grabDesktopImages allows it, and never the root window.
TEST_F(X11Test, APreviewPaneShowsTheScreenshotOnlyWhenAllowedAndNeverTheRootWindow) {
    std::string text = PrefsText(BG_SNAPSHOT);
    text.replace(text.find("NumHearts = 40"), 14, "NumHearts = 1");
    WriteFileText(prefs, text);
    Window root = DefaultRootWindow(dpy);
    XSetWindowBackground(dpy, root, 0xc8c800);  // the desktop: yellow
    XClearWindow(dpy, root);
    Window pane = XCreateSimpleWindow(dpy, root, 50, 90, 535, 300, 0, 0, 0);
    XMapWindow(dpy, pane);
    Pixmap shot = SetScreenshot(pane, 640, 480, 480);
    auto isYellow = [](uint32_t p) { return NearColour(p, 200, 200, 0, 24); };
    // The countdown's letters, near the top in the middle: white.
    auto isLetter = [](uint32_t p) {
        return (p >> 16 & 0xff) > 200 && (p >> 8 & 0xff) > 200 && (p & 0xff) > 200;
    };
    for (bool grab : {true, false}) {
        SCOPED_TRACE(grab ? "grabDesktopImages: True" : "grabDesktopImages: False");
        XClearWindow(dpy, pane);
        XSync(dpy, False);
        WriteFileText(scratch.File(".xscreensaver"),
                      std::string("grabDesktopImages:\t") + (grab ? "True" : "False") + "\n");
        Start({"--root", "--window-id", Hex(pane)}, server.name, {"XSCREENSAVER_WINDOW=" + Hex(pane)});
        WindowPixels pixels;
        if (grab) {
            EXPECT_TRUE(Shows(dpy, pane, 0, 0, 535, 300, IsGreen, 0.5, &pixels)) << Log();
        } else {
            EXPECT_TRUE(Shows(
                dpy, pane, 0, 0, 535, 300, [](uint32_t p) { return p != 0; }, 0.9, &pixels))
                << Log();
            EXPECT_LT(pixels.Share(IsGreen), 0.01);
        }
        EXPECT_LT(pixels.Share(isYellow), 0.01) << "the root window is never read";
        ASSERT_TRUE(ReadWindow(dpy, pane, 100, 0, 335, 30, &pixels));
        EXPECT_EQ(pixels.Share(isLetter), 0.0) << "a preview has no countdown";
        ExpectQuitOn(SIGTERM);
    }
    XFreePixmap(dpy, shot);
}

// The processes (by name) whose environment holds entry.
std::vector<std::string> ProcessesWith(const std::string& entry) {
    std::vector<std::string> found;
    for (const auto& process : std::filesystem::directory_iterator("/proc")) {
        std::string environment = ReadFileText(process.path() / "environ");
        if (("\0" + environment).find(std::string("\0", 1) + entry + std::string("\0", 1)) ==
            std::string::npos)
            continue;
        found.push_back(ReadFileText(process.path() / "comm"));
    }
    return found;
}

// GSettings reads dconf, whose library has a session bus started when it
// finds none: dbus-launch and a dbus-daemon that would outlive Dovel.
TEST_F(X11Test, WithoutASessionBusTheDesktopPictureLookupLeavesNoProcessBehind) {
    WriteFileText(prefs, PrefsText(BG_DESKTOP));
    std::filesystem::create_directories(scratch.File("run"));
    std::vector<std::string> args = {BuiltDovel(), "-size", "64x48", "-prefs", prefs};
    const std::string home = "HOME=" + scratch.path;
    ASSERT_TRUE(dovel.Start(args,
                            {"DISPLAY=" + server.name, home, "XDG_CONFIG_HOME=" + scratch.File(".config"),
                             "XDG_RUNTIME_DIR=" + scratch.File("run"), "XDG_CURRENT_DESKTOP=GNOME",
                             "DBUS_SESSION_BUS_ADDRESS", "GSETTINGS_BACKEND"},
                            scratch.File("dovel.log")));
    std::vector<unsigned long> windows;
    ASSERT_TRUE(WaitFor(60.0, [&] { return (windows = WindowsNamed(dpy, "Dovel")).size() == 1; })) << Log();
    WindowPixels pixels;
    EXPECT_TRUE(Shows(dpy, windows[0], 0, 0, 64, 48, IsHeart, 0.001, &pixels)) << Log();
    ExpectQuitOn(SIGTERM);
    std::vector<std::string> left = ProcessesWith(home);
    EXPECT_TRUE(left.empty()) << left.front();
}

// A signal ends dovel with status 0 at any moment, also while it waits for
// an X server that does not answer.
TEST(X11Signals, ASignalWhileTheDisplayDoesNotAnswerEndsDovelWithStatusZero) {
    ScratchFolder scratch;
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string display;
    for (int n = 900 + getpid() % 50; display.empty() && n < 1000; ++n) {
        std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%d", n);
        std::filesystem::create_directories("/tmp/.X11-unix");
        if (access(address.sun_path, F_OK) != 0 &&
            bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            display = ":" + std::to_string(n);
    }
    ASSERT_FALSE(display.empty());
    ASSERT_EQ(listen(listener, 1), 0);
    ChildProcess dovel;
    ASSERT_TRUE(dovel.Start({BuiltDovel(), "-window"}, {"DISPLAY=" + display, "HOME=" + scratch.path},
                            scratch.File("dovel.log")));
    pollfd waiting{listener, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 20000), 1) << "dovel never connected";
    int connection = accept(listener, nullptr, nullptr);
    // dovel now waits for the server's answer, which never comes.
    dovel.Signal(SIGTERM);
    int status = -2;
    EXPECT_TRUE(dovel.WaitExit(30.0, &status));
    EXPECT_EQ(status, 0) << ReadFileText(scratch.File("dovel.log"));
    close(connection);
    close(listener);
    unlink(address.sun_path);
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
    // Only an area over a whole monitor is more than a preview.
    EXPECT_TRUE(CoversAMonitor(monitors, 0, 0, 640, 240));
    EXPECT_TRUE(CoversAMonitor(monitors, 320, 0, 320, 240));
    EXPECT_FALSE(CoversAMonitor(monitors, 50, 90, 535, 300));
    EXPECT_FALSE(CoversAMonitor(monitors, 1, 0, 320, 240));
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
    ASSERT_TRUE(WaitFor(60.0, shownViews)) << Log();
    EXPECT_EQ(origins, (std::vector<std::pair<int, int>>{{0, 0}, {320, 0}}));
    WindowPixels left, right;
    EXPECT_TRUE(Shows(two, root, 0, 0, 320, 240, IsGreen, 0.5, &left)) << Log();
    EXPECT_TRUE(Shows(two, root, 0, 0, 320, 240, IsHeart, 0.001, &left)) << "no scene on the main head";
    ASSERT_TRUE(ReadWindow(two, root, 320, 0, 320, 240, &right));
    EXPECT_EQ(right.Share(IsBlack), 1.0) << "the second head stays black";

    // A pointer move ends it, as it would end a screen saver.
    XWarpPointer(two, None, root, 0, 0, 0, 0, 10, 10);
    XSync(two, False);
    ExpectEnd(0);

    // -root on the root window over both heads: the main head draws, the
    // other stays black.
    XClearWindow(two, root);
    XSync(two, False);
    Start({"-root"}, nested.name);
    EXPECT_TRUE(Shows(two, root, 0, 0, 320, 240, IsGreen, 0.5, &left)) << Log();
    EXPECT_TRUE(Shows(two, root, 0, 0, 320, 240, IsHeart, 0.001, &left)) << "no scene on the main head";
    EXPECT_TRUE(Shows(two, root, 320, 0, 320, 240, IsBlack, 1.0, &right)) << "the second head stays black";
    ExpectQuitOn(SIGTERM);
    XCloseDisplay(two);
}

TEST_F(X11Test, ALostConnectionEndsTheRunWithStatusOneAndAMessage) {
    WriteFileText(prefs, PrefsText(BG_COLOUR));
    Start({"-size", "200x150"}, server.name);
    ASSERT_TRUE(WaitFor(60.0, [&] { return WindowsNamed(dpy, "Dovel").size() == 1; })) << Log();
    XCloseDisplay(dpy);
    dpy = nullptr;
    server.process.Signal(SIGKILL);
    ExpectEnd(1);
    EXPECT_NE(Log().find("lost the connection to the X display"), std::string::npos) << Log();
}

}  // namespace
