#include "host/idle/IdleService.h"

#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <cstdarg>

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/HostLog.h"
#include "host/idle/IdleChild.h"
#include "host/idle/IdleControl.h"
#include "host/idle/MutterIdle.h"
#include "host/idle/SessionGuard.h"
#include "host/idle/WaylandIdle.h"
#include "host/idle/X11Idle.h"

namespace {

// While idle but held back, what held it back is looked at again this
// often (never more often: the service must not keep the machine awake).
constexpr unsigned kRecheckSeconds = 60;

struct IdleService {
    explicit IdleService(const IdleServiceOptions& o) : options(o) {}

    const IdleServiceOptions& options;
    GMainLoop* loop = nullptr;
    SessionGuard guard;
    IdleChild child;
    std::unique_ptr<WaylandIdle> wayland;
    std::unique_ptr<MutterIdle> mutter;
    std::unique_ptr<X11Idle> x11;
    bool idle = false;
    bool failedThisPeriod = false;  // the child failed; not again until input
    bool failureReported = false;
    unsigned recheckId = 0;
    int status = 0;

    int Run();
    bool OpenSource();
    IdleEvents Events();
    void Say(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void OnIdle();
    void OnResumed();
    void TryStart();
    void ChildEnded(int code, bool asked);
    void StopRecheck();
    void Finish();
};

void IdleService::Say(const char* format, ...) {
    if (!options.verbose) return;
    va_list args;
    va_start(args, format);
    HostNoteV(format, args);
    va_end(args);
}

gboolean QuitOnSignal(gpointer data) {
    g_main_loop_quit(static_cast<IdleService*>(data)->loop);
    return G_SOURCE_CONTINUE;
}

gboolean Recheck(gpointer data) {
    auto* service = static_cast<IdleService*>(data);
    service->TryStart();
    return service->recheckId != 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

IdleEvents IdleService::Events() {
    IdleEvents events;
    events.idle = [this] { OnIdle(); };
    events.resumed = [this] { OnResumed(); };
    events.lost = [this](const std::string& why) {
        HostNote("%s; the idle service ends", why.c_str());
        Finish();
    };
    return events;
}

bool IdleService::OpenSource() {
    const unsigned seconds = static_cast<unsigned>(options.idleSeconds);
    std::string why, protocol, whyNot;
    // The first source the session offers wins.
    wayland = std::make_unique<WaylandIdle>();
    if (wayland->Open(seconds, Events(), &protocol, &why)) {
        Say("waiting for %u s without input, as the Wayland compositor tells through %s", seconds,
            protocol.c_str());
        return true;
    }
    wayland.reset();
    whyNot = why;
    mutter = std::make_unique<MutterIdle>();
    if (mutter->Open(seconds, Events(), &why)) {
        Say("waiting for %u s without input, as GNOME's org.gnome.Mutter.IdleMonitor tells", seconds);
        return true;
    }
    mutter.reset();
    whyNot += ", " + why;
    x11 = std::make_unique<X11Idle>();
    if (x11->Open(seconds, Events(), &why)) {
        Say("waiting for %u s without input, as the X server's MIT-SCREEN-SAVER extension tells", seconds);
        return true;
    }
    x11.reset();
    whyNot += ", " + why;
    HostNote("no way to learn when the session is idle (%s); the idle service ends", whyNot.c_str());
    return false;
}

void IdleService::OnIdle() {
    idle = true;
    TryStart();
}

void IdleService::TryStart() {
    if (!idle || child.Running() || failedThisPeriod) {
        StopRecheck();
        return;
    }
    std::string blocker = guard.Blocker();
    if (!blocker.empty() && x11) {
        // The X server's timer counts the next idle period from here.
        Say("idle, but %s: not starting", blocker.c_str());
        idle = false;
        x11->Rearm();
        return;
    }
    if (!blocker.empty()) {
        if (recheckId == 0) {
            Say("idle, but %s: not starting", blocker.c_str());
            recheckId = g_timeout_add_seconds(kRecheckSeconds, Recheck, this);
        }
        return;
    }
    StopRecheck();
    std::vector<std::string> args = options.childArgs;
    if (options.childProgram.empty()) args.insert(args.begin(), "-fullscreen");
    std::string error;
    if (!child.Start(
            options.childProgram, args, [this](int code, bool asked) { ChildEnded(code, asked); }, &error)) {
        HostNote("%s", error.c_str());
        failedThisPeriod = true;
        return;
    }
    guard.saverActive = true;
    Say("idle: started the full-screen Dovel (process %d)", static_cast<int>(child.pid));
}

void IdleService::OnResumed() {
    idle = false;
    failedThisPeriod = false;
    StopRecheck();
    if (child.Running()) {
        Say("input: ending the full-screen Dovel");
        child.Stop();
    }
}

void IdleService::ChildEnded(int code, bool asked) {
    guard.saverActive = false;
    if (x11) {
        // The X server's idle period ends with the full-screen Dovel, which
        // ends at input.
        idle = false;
        failedThisPeriod = false;
        x11->Rearm();
    }
    if (code == 0 || asked) {
        Say("the full-screen Dovel ended");
        return;
    }
    // Not started again in this idle period, and said only once per run:
    // a Dovel that cannot start would otherwise fail at every idle period.
    failedThisPeriod = true;
    if (!failureReported)
        HostNote(
            "the full-screen Dovel failed (exit status %d); it is not started again "
            "before the next idle period",
            code);
    failureReported = true;
}

void IdleService::StopRecheck() {
    if (recheckId != 0) g_source_remove(recheckId);
    recheckId = 0;
}

int IdleService::Run() {
    loop = g_main_loop_new(nullptr, FALSE);
    guint signals[] = {g_unix_signal_add(SIGTERM, QuitOnSignal, this),
                       g_unix_signal_add(SIGINT, QuitOnSignal, this),
                       g_unix_signal_add(SIGHUP, QuitOnSignal, this)};
    guard.released = [this] { TryStart(); };
    guard.locked = [this] {
        if (!child.Running()) return;
        Say("the session locks: ending the full-screen Dovel");
        child.Stop();
    };
    guard.activity = [this] { OnResumed(); };
    guard.busClosed = [this] {
        HostNote("the session bus closed; the idle service ends");
        g_main_loop_quit(loop);
    };
    guard.Open();
    if (OpenSource())
        g_main_loop_run(loop);
    else
        status = 1;
    for (guint id : signals) g_source_remove(id);
    Finish();
    g_main_loop_unref(loop);
    return status;
}

void IdleService::Finish() {
    StopRecheck();
    child.StopAndWait();
    wayland.reset();
    mutter.reset();
    x11.reset();
    guard.Close();
    if (loop != nullptr) g_main_loop_quit(loop);
}

}  // namespace

int RunIdleService(const IdleServiceOptions& options) {
    if (XScreenSaverDaemonRuns()) {
        HostNote(
            "XScreenSaver's daemon runs and starts screen savers itself; the idle "
            "service is not needed and ends");
        return 0;
    }
    int lock = -1;
    pid_t holder = 0;
    if (!TakeIdleLock(&lock, &holder)) {
        HostNote("the idle service already runs (process %d); this one ends", static_cast<int>(holder));
        return 0;
    }
    IdleService service(options);
    int status = service.Run();
    if (lock >= 0) close(lock);
    return status;
}

std::vector<std::string> IdleChildArguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string flag = arg.compare(0, 2, "--") == 0 ? arg.substr(1) : arg;
        if (flag == "-on-idle" || flag == "-verbose" || flag.compare(0, 14, "-idle-seconds=") == 0 ||
            flag.compare(0, 14, "-idle-minutes=") == 0)
            continue;
        if (flag == "-idle-seconds" || flag == "-idle-minutes") {
            ++i;
            continue;
        }
        args.push_back(arg);
    }
    return args;
}
