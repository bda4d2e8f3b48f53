// dovel -on-idle: on Xvfb (MIT-SCREEN-SAVER, keys through XTest) the
// full-screen Dovel shows after the idle time, a key ends it and the next
// idle period brings it back, and the server's timer is given back at the
// end; an inhibitor held on org.freedesktop.ScreenSaver keeps it away until
// released; GNOME's IdleMonitor, played by the test on a private bus, starts
// and ends it; and the arguments handed on to the full-screen Dovel.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gio/gio.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "host/idle/IdleService.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/WaylandTestSupport.h"
#include "tests/host/XTestSupport.h"

namespace {

constexpr double kLimit = 60.0;  // generous: the machine may be busy

// The processes whose parent is pid.
std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> children;
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (pid_t child = 0; in >> child;) children.push_back(child);
    return children;
}

bool Viewable(Display* dpy, unsigned long window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(dpy, window, &attributes) && attributes.map_state == IsViewable;
}

// A dbus-daemon of the test's own.
struct PrivateBus {
    ChildProcess daemon;
    std::string address;
    GDBusConnection* connection = nullptr;

    bool Start(const ScratchFolder& scratch) {
        const std::string out = scratch.File("bus.address");
        if (!daemon.Start({"dbus-daemon", "--session", "--nofork", "--print-address"}, {}, out)) return false;
        if (!WaitFor(kLimit, [&] { return ReadFileText(out).find('\n') != std::string::npos; })) return false;
        address = ReadFileText(out);
        address.erase(address.find('\n'));
        connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        return connection != nullptr;
    }
    ~PrivateBus() {
        if (connection != nullptr) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
    }
    bool HasOwner(const char* name) {
        GVariant* reply =
            g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                        G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply == nullptr) return false;
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
        return owned;
    }
};

struct IdleTest : ::testing::Test {
    ScratchFolder scratch;
    ChildProcess service;
    std::string prefs = scratch.File("qvDovelSS.toml");

    void SetUp() override { WriteFileText(prefs, PrefsText(BG_COLOUR)); }
    // Starts dovel -on-idle with an idle time of two seconds and nothing of
    // the machine's session: no display, no bus, unless env names them.
    // dovel -on-idle with an idle time of two seconds, saying what it does.
    std::vector<std::string> ServiceArgs() const {
        return {BuiltDovel(), "-on-idle", "-idle-seconds", "2", "-verbose", "-prefs", prefs};
    }
    void Start(std::vector<std::string> env) {
        std::vector<std::string> args = ServiceArgs();
        for (const std::string& fallback :
             std::vector<std::string>{"DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS=",
                                      "XDG_RUNTIME_DIR=" + scratch.path}) {
            const std::string key = fallback.substr(0, fallback.find('=') + 1);
            bool given = false;
            for (const std::string& e : env) given = given || e.compare(0, key.size(), key) == 0;
            if (!given) env.push_back(fallback);
        }
        for (const std::string& e : FakeHomeEnv(scratch.path)) env.push_back(e);
        ASSERT_TRUE(service.Start(args, env, scratch.File("service.log")));
    }
    std::string Log() { return ReadFileText(scratch.File("service.log")); }
    bool ChildRuns() { return !ChildrenOf(service.pid).empty(); }
    // A stand-in for the full-screen Dovel where no display can show one.
    std::string Sleeper() {
        std::string path = scratch.File("sleeper");
        WriteFileText(path, "#!/bin/sh\nexec sleep 600\n");
        chmod(path.c_str(), 0755);
        return "DOVEL_IDLE_CHILD=" + path;
    }
    // Expects the service to end by itself with status 0.
    void ExpectEnd() {
        int status = -2;
        ASSERT_TRUE(service.WaitExit(kLimit, &status)) << Log();
        EXPECT_EQ(status, 0) << Log();
    }
    void ExpectCleanEnd() {
        service.Signal(SIGTERM);
        ExpectEnd();
    }
};

TEST_F(IdleTest, OnXvfbAKeyEndsTheFullScreenDovelAndTheNextIdlePeriodBringsItBack) {
    XServer server;
    ASSERT_TRUE(server.StartXvfb(320, 240, scratch.File("xvfb.log")));
    Display* dpy = XOpenDisplay(server.name.c_str());
    ASSERT_NE(dpy, nullptr);
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XSetScreenSaver(dpy, 1234, 0, PreferBlanking, AllowExposures);
    XSync(dpy, False);
    Start({"DISPLAY=" + server.name});
    auto shown = [&] {
        for (unsigned long window : WindowsNamed(dpy, "Dovel"))
            if (Viewable(dpy, window)) return true;
        return false;
    };
    for (int period = 0; period < 2; ++period) {
        ASSERT_TRUE(WaitFor(kLimit, shown)) << "no full-screen Dovel in idle period " << period << "\n"
                                            << Log();
        EXPECT_TRUE(ChildRuns());
        unsigned key = XKeysymToKeycode(dpy, XK_space);
        XTestFakeKeyEvent(dpy, key, True, 0);
        XTestFakeKeyEvent(dpy, key, False, 0);
        XSync(dpy, False);
        ASSERT_TRUE(WaitFor(kLimit, [&] { return !shown() && !ChildRuns(); })) << "a key did not end it\n"
                                                                               << Log();
    }
    EXPECT_NE(Log().find("MIT-SCREEN-SAVER"), std::string::npos) << Log();
    ExpectCleanEnd();
    XGetScreenSaver(dpy, &timeout, &interval, &blanking, &exposures);
    EXPECT_EQ(timeout, 1234) << "the server's own timer is given back";
    XCloseDisplay(dpy);
}

TEST_F(IdleTest, AnInhibitorHeldOnTheSessionBusKeepsItAwayUntilReleased) {
    XServer server;
    ASSERT_TRUE(server.StartXvfb(320, 240, scratch.File("xvfb.log")));
    PrivateBus bus;
    ASSERT_TRUE(bus.Start(scratch)) << "cannot start dbus-daemon";
    Start({"DISPLAY=" + server.name, "DBUS_SESSION_BUS_ADDRESS=" + bus.address, Sleeper()});
    ASSERT_TRUE(WaitFor(kLimit, [&] { return bus.HasOwner("org.freedesktop.ScreenSaver"); })) << Log();
    GVariant* reply = g_dbus_connection_call_sync(
        bus.connection, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
        "org.freedesktop.ScreenSaver", "Inhibit", g_variant_new("(ss)", "Player", "a film"),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    guint32 cookie = 0;
    g_variant_get(reply, "(u)", &cookie);
    g_variant_unref(reply);
    ASSERT_TRUE(WaitFor(kLimit, [&] { return Log().find("Player inhibits idleness") != std::string::npos; }))
        << Log();
    EXPECT_FALSE(ChildRuns());
    reply = g_dbus_connection_call_sync(
        bus.connection, "org.freedesktop.ScreenSaver", "/ScreenSaver", "org.freedesktop.ScreenSaver",
        "UnInhibit", g_variant_new("(u)", cookie), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);
    EXPECT_TRUE(WaitFor(kLimit, [&] { return ChildRuns(); })) << Log();
    ExpectCleanEnd();
}

// GNOME's idle monitor, played by the test: AddIdleWatch answers 1,
// AddUserActiveWatch 2; the test fires them.
struct StandInMonitor {
    GDBusConnection* bus = nullptr;
    guint64 idleInterval = 0;
    int activeWatches = 0;
    unsigned object = 0;

    static void Method(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto* self = static_cast<StandInMonitor*>(data);
        const std::string name = method;
        if (name == "AddIdleWatch") {
            g_variant_get(parameters, "(t)", &self->idleInterval);
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 1u));
        } else if (name == "AddUserActiveWatch") {
            ++self->activeWatches;
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 2u));
        } else {
            g_dbus_method_invocation_return_value(invocation, nullptr);
        }
    }
    bool Offer(GDBusConnection* connection) {
        bus = connection;
        static const char xml[] =
            "<node><interface name='org.gnome.Mutter.IdleMonitor'>"
            "<method name='AddIdleWatch'><arg type='t' direction='in'/><arg type='u' "
            "direction='out'/></method>"
            "<method name='AddUserActiveWatch'><arg type='u' direction='out'/></method>"
            "<method name='RemoveWatch'><arg type='u' direction='in'/></method>"
            "</interface></node>";
        static const GDBusInterfaceVTable table = {Method, nullptr, nullptr, {nullptr}};
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
        object = g_dbus_connection_register_object(bus, "/org/gnome/Mutter/IdleMonitor/Core",
                                                   node->interfaces[0], &table, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        GVariant* reply = g_dbus_connection_call_sync(
            bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
            g_variant_new("(su)", "org.gnome.Mutter.IdleMonitor", 4u), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) g_variant_unref(reply);
        return object != 0 && reply != nullptr;
    }
    void Fire(guint32 id) {
        g_dbus_connection_emit_signal(bus, nullptr, "/org/gnome/Mutter/IdleMonitor/Core",
                                      "org.gnome.Mutter.IdleMonitor", "WatchFired", g_variant_new("(u)", id),
                                      nullptr);
        g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    }
    ~StandInMonitor() {
        if (object != 0) g_dbus_connection_unregister_object(bus, object);
    }
};

TEST_F(IdleTest, GnomesIdleMonitorStartsItAndItsUserActiveWatchEndsIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.Start(scratch)) << "cannot start dbus-daemon";
    StandInMonitor monitor;
    ASSERT_TRUE(monitor.Offer(bus.connection));
    Start({"DBUS_SESSION_BUS_ADDRESS=" + bus.address, Sleeper()});
    // The service's calls are answered while the test waits.
    auto serving = [&](const std::function<bool()>& test) {
        return WaitFor(kLimit, [&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return test();
        });
    };
    ASSERT_TRUE(serving([&] { return monitor.idleInterval != 0; })) << Log();
    EXPECT_EQ(monitor.idleInterval, 2000u) << "-idle-seconds 2 in milliseconds";
    for (int period = 1; period <= 2; ++period) {
        monitor.Fire(1);
        ASSERT_TRUE(serving([&] { return ChildRuns() && monitor.activeWatches == period; })) << Log();
        monitor.Fire(2);
        ASSERT_TRUE(serving([&] { return !ChildRuns(); })) << "input did not end it\n" << Log();
    }
    EXPECT_NE(Log().find("org.gnome.Mutter.IdleMonitor"), std::string::npos) << Log();
    ExpectCleanEnd();
}

TEST_F(IdleTest, OnSwayTheKdeIdleProtocolStartsItAKeyFromWtypeEndsItAndItComesBack) {
    if (system("command -v sway >/dev/null && command -v wtype >/dev/null") != 0)
        GTEST_SKIP() << "sway and wtype are not installed (tools/setup.sh installs them)";
    // sway takes the scratch folder, for its user to read the
    // preferences and run the stand-in.
    const std::string sleeper = Sleeper();
    Compositor sway;
    ASSERT_TRUE(sway.StartSway(scratch.path, 320, 240)) << ReadFileText(scratch.File("sway.log"));
    std::vector<std::string> env = FakeHomeEnv(scratch.path);
    env.insert(env.end(), {"DBUS_SESSION_BUS_ADDRESS=", sleeper});
    ASSERT_TRUE(sway.StartClient(&service, ServiceArgs(), env, scratch.File("service.log")));
    for (int period = 0; period < 2; ++period) {
        ASSERT_TRUE(WaitFor(kLimit, [&] { return ChildRuns(); }))
            << "not started in period " << period << "\n"
            << Log();
        ASSERT_TRUE(sway.RunClient({"wtype", "a"}, scratch.File("wtype.log")));
        ASSERT_TRUE(WaitFor(kLimit, [&] { return !ChildRuns(); })) << "a key did not end it\n" << Log();
    }
    EXPECT_NE(Log().find("org_kde_kwin_idle"), std::string::npos) << Log();
    ExpectCleanEnd();
}

TEST_F(IdleTest, UnderMutterItFallsBackFromWaylandToGnomesIdleMonitor) {
    if (system("command -v mutter >/dev/null") != 0)
        GTEST_SKIP() << "mutter is not installed (tools/setup.sh)";
    PrivateBus bus;
    ASSERT_TRUE(bus.Start(scratch)) << "cannot start dbus-daemon";
    std::vector<std::string> session = {"DBUS_SESSION_BUS_ADDRESS=" + bus.address,
                                        "XDG_RUNTIME_DIR=" + scratch.path, "WAYLAND_DISPLAY=", "DISPLAY="};
    ChildProcess mutter;
    ASSERT_TRUE(mutter.Start({"mutter", "--headless", "--wayland", "--no-x11", "--wayland-display",
                              "wayland-idle", "--virtual-monitor", "640x360"},
                             session, scratch.File("mutter.log")));
    ASSERT_TRUE(WaitFor(kLimit, [&] { return bus.HasOwner("org.gnome.Mutter.IdleMonitor"); }))
        << ReadFileText(scratch.File("mutter.log"));
    // Mutter's Wayland display offers no idle protocol; its monitor counts
    // the time since its start, so the first idle period needs no waiting
    // for input.
    Start({"DBUS_SESSION_BUS_ADDRESS=" + bus.address, "WAYLAND_DISPLAY=wayland-idle", Sleeper()});
    ASSERT_TRUE(WaitFor(kLimit, [&] { return ChildRuns(); })) << Log();
    EXPECT_NE(Log().find("org.gnome.Mutter.IdleMonitor"), std::string::npos) << Log();
    ExpectCleanEnd();
}

TEST_F(IdleTest, BesideXScreenSaversDaemonItSaysSoAndEnds) {
    XServer server;
    ASSERT_TRUE(server.StartXvfb(320, 240, scratch.File("xvfb.log")));
    Display* dpy = XOpenDisplay(server.name.c_str());
    ASSERT_NE(dpy, nullptr);
    const char version[] = "6.06";
    XChangeProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, "_SCREENSAVER_VERSION", False), XA_STRING,
                    8, PropModeReplace, reinterpret_cast<const unsigned char*>(version), sizeof version - 1);
    XSync(dpy, False);
    Start({"DISPLAY=" + server.name});
    ExpectEnd();
    EXPECT_NE(Log().find("XScreenSaver's daemon runs"), std::string::npos) << Log();
    XCloseDisplay(dpy);
}

TEST_F(IdleTest, IdleMinutesZeroTurnsTheServiceOff) {
    WriteFileText(prefs, PrefsText(BG_COLOUR, "IdleMinutes = 0\n"));
    std::vector<std::string> args = {BuiltDovel(), "-on-idle", "-prefs", prefs};
    ASSERT_TRUE(service.Start(args, {"DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="},
                              scratch.File("service.log")));
    ExpectEnd();
    EXPECT_NE(Log().find("off (IdleMinutes is 0)"), std::string::npos) << Log();
}

TEST(IdleChildArguments, TheServicesOwnFlagsStayBehindTheRestGoOn) {
    // The idle time never reaches the child: as a setting flag it would
    // not change its scene, but it is none of the child's business.
    const char* argv[] = {"dovel",    "-on-idle",        "--idle-seconds", "5", "-prefs",          "p.toml",
                          "-verbose", "-idle-seconds=7", "-idle-minutes",  "3", "-idle-minutes=4", "-hearts",
                          "3"};
    std::vector<std::string> expected = {"-prefs", "p.toml", "-hearts", "3"};
    EXPECT_EQ(IdleChildArguments(13, argv), expected);
}

}  // namespace
