#include "host/x11/X11Run.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "host/view/DovelSSView.h"
#include "host/view/FramePacing.h"
#include "host/view/FrameRate.h"
#include "host/view/FrameTicks.h"
#include "host/view/HostClock.h"
#include "host/view/QuitSignals.h"
#include "host/x11/X11Backend.h"
#include "host/x11/X11Display.h"
#include "host/x11/X11Snapshot.h"
#include "world/VDMain.h"

namespace {

constexpr char kWindowTitle[] = "Dovel";

constexpr long kViewEvents = StructureNotifyMask | VisibilityChangeMask;
constexpr long kInputEvents = KeyPressMask | ButtonPressMask | PointerMotionMask;

// A window to draw into, where it lies on the root window, and whether it
// is ours.
struct ViewTarget {
    Window window = 0;
    ViewRect frame;
    bool own = false;
    bool preview = false;
    // Set when the window spans the main monitor and others: the part on
    // the main monitor (root coordinates), where MainMonitorOnly draws.
    bool spansMain = false;
    ViewRect mainPart;
};

struct RunningView {
    Window window = 0;
    bool own = false;
    bool mapped = false;
    bool obscured = false;
    bool gone = false;
    bool partOnly = false;  // draws on the main monitor's part of the window
    std::unique_ptr<DovelSSView> view;
    X11Backend* backend = nullptr;  // owned by view
    FrameRateCounter fps;

    bool Drawing() const { return mapped && !obscured && !gone && view->isAnimating(); }
};

// What every view of the run shares.
HostEnvironment ViewEnvironment(HostClock* clock, const HeadlessPaths& paths,
                                const SettingsOverrides& settings) {
    return HostEnvironment{clock, paths.prefsPath, paths.resourcePath, settings};
}

struct X11Run {
    X11Run(const DovelOptions& o, const HeadlessPaths& p, double start, RunStats* s)
        : options(o), paths(p), processStart(start), stats(s) {}

    const DovelOptions& options;
    const HeadlessPaths& paths;
    double processStart;
    RunStats* stats;
    SystemClock clock;
    FramePacer pacer;
    X11Display x;
    std::vector<std::unique_ptr<RunningView>> views;
    int quitFd = -1;
    bool done = false;
    Atom deleteWindow = None;

    int Run();
    bool FindTargets(std::vector<ViewTarget>* targets);
    bool RootTarget(ViewTarget* target);
    void ChooseSnapshotSource(unsigned long saver);
    bool ForeignTarget(Window window, bool preview, ViewTarget* target);
    Window CreateOwnWindow(const ViewRect& area, bool fullscreen);
    bool CreateViews(const std::vector<ViewTarget>& targets);
    void ShowViews();
    void ChoosePace();
    void Loop();
    void Tick();
    void Wait(double seconds);
    void HandleEvents();
    void Handle(const XEvent& event);
    void HandleInput(const XEvent& event);
    RunningView* ViewOf(Window window);
    void Finish();
};

bool Fail(const std::string& text) {
    std::fprintf(stderr, "dovel: %s\n", text.c_str());
    return false;
}

std::string WindowText(unsigned long window) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

int X11Run::Run() {
    std::string error;
    if (!x.Open(&error)) {
        Fail(error);
        return 1;
    }
    // Another program's window may go at any moment, and the GL driver does
    // not survive its window vanishing while it binds a surface to it. So
    // the server is held from the window's check until the context is made:
    // no other client's request (a destruction) runs meanwhile. Afterwards
    // a vanished window is only an event.
    const bool foreign = options.mode == DisplayMode::kRoot || options.mode == DisplayMode::kWindowId;
    if (foreign) XGrabServer(x.dpy);
    std::vector<ViewTarget> targets;
    const bool created = FindTargets(&targets) && CreateViews(targets);
    if (foreign) {
        XUngrabServer(x.dpy);
        XFlush(x.dpy);
    }
    if (!created) {
        Finish();
        return 1;
    }
    ChoosePace();
    ShowViews();
    quitFd = ListenForQuitSignals();
    Loop();
    QuitSignalHandled();
    Finish();
    return 0;
}

bool X11Run::ForeignTarget(Window window, bool preview, ViewTarget* target) {
    XWindowAttributes attributes;
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XGetWindowAttributes(x.dpy, window, &attributes) ||
        !XTranslateCoordinates(x.dpy, window, x.root, 0, 0, &rootX, &rootY, &child)) {
        XRequestsFailed(x.dpy);
        return Fail("there is no window " + WindowText(window));
    }
    target->window = window;
    target->frame = ViewRect{static_cast<double>(rootX), static_cast<double>(rootY),
                             static_cast<double>(attributes.width), static_cast<double>(attributes.height)};
    // A window that does not cover a whole monitor is a settings program's
    // preview pane (XScreenSaver's is 535 x 300 or more).
    target->preview =
        preview || !CoversAMonitor(x.monitors, rootX, rootY, attributes.width, attributes.height);
    const X11Monitor& main = x.monitors[static_cast<size_t>(x.mainMonitor)];
    const int left = std::max(rootX, main.x), top = std::max(rootY, main.y);
    const int right = std::min(rootX + attributes.width, main.x + main.width);
    const int bottom = std::min(rootY + attributes.height, main.y + main.height);
    const bool meetsMain = right > left && bottom > top;
    const bool withinMain =
        meetsMain && right - left == attributes.width && bottom - top == attributes.height;
    target->spansMain = meetsMain && !withinMain;
    target->mainPart = ViewRect{static_cast<double>(left), static_cast<double>(top),
                                static_cast<double>(right - left), static_cast<double>(bottom - top)};
    return true;
}

// XScreenSaver's window named by XSCREENSAVER_WINDOW, or 0; false when the
// variable names no window.
bool SaverWindowFromEnvironment(unsigned long* saver) {
    const char* named = getenv("XSCREENSAVER_WINDOW");
    *saver = 0;
    if (named == nullptr || named[0] == '\0' || ParseWindowId(named, saver)) return true;
    return Fail(std::string("XSCREENSAVER_WINDOW is not a window id: \"") + named + "\"");
}

// In the modes XScreenSaver runs (-root and -window-id), the user's
// grabDesktopImages decides whether the desktop may be seen at all: when it
// may, XScreenSaver's saved screenshot is the snapshot where it runs us,
// the root window elsewhere; when it may not, there is no snapshot.
void X11Run::ChooseSnapshotSource(unsigned long saver) {
    x.saverWindow = saver;
    if (!DesktopGrabAllowed(XScreenSaverUserFile(), kXScreenSaverAppDefaults))
        x.snapshotSource = SnapshotSource::kNone;
    else
        x.snapshotSource = saver != 0 ? SnapshotSource::kSaverPixmap : SnapshotSource::kRootWindow;
}

// XScreenSaver's window, else the root window.
bool X11Run::RootTarget(ViewTarget* target) {
    unsigned long saver = 0;
    if (!SaverWindowFromEnvironment(&saver)) return false;
    ChooseSnapshotSource(saver);
    if (!ForeignTarget(saver != 0 ? saver : x.root, options.preview, target)) return false;
    // XScreenSaver's window is never a preview, however small.
    target->preview = options.preview;
    return true;
}

bool X11Run::FindTargets(std::vector<ViewTarget>* targets) {
    ViewTarget target;
    switch (options.mode) {
        case DisplayMode::kWindowId: {
            unsigned long saver = 0;
            if (!SaverWindowFromEnvironment(&saver)) return false;
            ChooseSnapshotSource(saver);
            if (!ForeignTarget(options.windowId, options.preview, &target)) return false;
            target.spansMain = false;
            targets->push_back(target);
            return true;
        }
        case DisplayMode::kRoot:
            if (!RootTarget(&target)) return false;
            targets->push_back(target);
            return true;
        case DisplayMode::kFullscreen:
            for (const X11Monitor& m : x.monitors) {
                target.frame = ViewRect{static_cast<double>(m.x), static_cast<double>(m.y),
                                        static_cast<double>(m.width), static_cast<double>(m.height)};
                target.window = CreateOwnWindow(target.frame, true);
                target.own = true;
                target.preview = options.preview;
                targets->push_back(target);
            }
            return true;
        case DisplayMode::kWindow:
            target.frame =
                ViewRect{0.0, 0.0, static_cast<double>(options.width), static_cast<double>(options.height)};
            target.window = CreateOwnWindow(target.frame, false);
            target.own = true;
            target.preview = options.preview;
            targets->push_back(target);
            return true;
    }
    return false;
}

// Creates an unmapped window: a plain titled one, or a borderless one over a
// monitor that the window manager leaves alone, with the pointer hidden.
Window X11Run::CreateOwnWindow(const ViewRect& area, bool fullscreen) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(x.dpy, x.screen);
    attributes.border_pixel = 0;
    attributes.override_redirect = fullscreen ? True : False;
    attributes.event_mask =
        kViewEvents | (fullscreen ? (options.exitOnInput ? kInputEvents : 0) : KeyPressMask);
    Window window = XCreateWindow(
        x.dpy, x.root, static_cast<int>(area.x), static_cast<int>(area.y), static_cast<unsigned>(area.width),
        static_cast<unsigned>(area.height), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask, &attributes);
    XStoreName(x.dpy, window, kWindowTitle);
    XClassHint hint{const_cast<char*>("dovel"), const_cast<char*>("Dovel")};
    XSetClassHint(x.dpy, window, &hint);
    if (fullscreen) {
        static const char empty[1] = {0};
        Pixmap blank = XCreateBitmapFromData(x.dpy, window, empty, 1, 1);
        XColor black{};
        Cursor none = XCreatePixmapCursor(x.dpy, blank, blank, &black, &black, 0, 0);
        XDefineCursor(x.dpy, window, none);
        XFreeCursor(x.dpy, none);
        XFreePixmap(x.dpy, blank);
        return window;
    }
    deleteWindow = XInternAtom(x.dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(x.dpy, window, &deleteWindow, 1);
    return window;
}

// Creates every view before any of our windows is mapped, so that a
// snapshot of the root window shows the desktop and not Dovel.
bool X11Run::CreateViews(const std::vector<ViewTarget>& targets) {
    HostEnvironment env = ViewEnvironment(&clock, paths, options.settings);
    for (const ViewTarget& target : targets) {
        auto running = std::make_unique<RunningView>();
        running->window = target.window;
        running->own = target.own;
        if (!target.own) XSelectInput(x.dpy, target.window, kViewEvents);
        auto backend = std::make_unique<X11Backend>(&x, target.window);
        running->backend = backend.get();
        std::string error;
        // A window over several monitors takes its snapshot of the main one.
        const ViewRect& frame = target.spansMain ? target.mainPart : target.frame;
        running->view = DovelSSView::initWithFrame(frame, target.preview, std::move(backend), env, &error);
        if (!running->view)
            return Fail("no OpenGL context for window " + WindowText(target.window) + ": " + error);
        if (target.spansMain && running->view->MainMonitorOnly) {
            // The main monitor's part draws; the other monitors stay black.
            running->partOnly = true;
            running->backend->SetArea(
                ViewRect{target.mainPart.x - target.frame.x, target.mainPart.y - target.frame.y,
                         target.mainPart.width, target.mainPart.height},
                static_cast<int>(target.frame.height));
            running->view->setFrameSize(target.mainPart.width, target.mainPart.height);
        } else {
            running->view->setFrameSize(target.frame.width, target.frame.height);
        }
        RunningView* self = running.get();
        running->backend->beforePresent = [this, self] {
            CountFrame(&self->fps, *self->view, clock.Now(), options.showFps);
        };
        views.push_back(std::move(running));
    }
    return true;
}

void X11Run::ShowViews() {
    for (auto& running : views) {
        if (running->own) {
            XMapRaised(x.dpy, running->window);
            continue;
        }
        XWindowAttributes attributes;
        running->mapped =
            XGetWindowAttributes(x.dpy, running->window, &attributes) && attributes.map_state == IsViewable;
    }
    XSync(x.dpy, False);
    if (options.mode == DisplayMode::kFullscreen && options.exitOnInput && !views.empty()) {
        // The keys go to us and not to the window that had the focus.
        XGrabKeyboard(x.dpy, views.front()->window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    }
    for (auto& running : views) running->view->startAnimation();
}

// The cap from -max-fps, else the one that suits the first view's renderer
// (every view of a run draws through the same driver).
void X11Run::ChoosePace() {
    std::string renderer;
    if (!views.empty() && views.front()->backend->MakeCurrent()) renderer = CurrentGLRenderer();
    pacer.SetMaxFps(ChooseMaxFps(options.maxFps, renderer));
}

void X11Run::Loop() {
    pacer.Restart(clock.Now());
    while (!done) {
        HandleEvents();
        if (done) break;
        bool drawing = false;
        for (auto& running : views) drawing = drawing || running->Drawing();
        if (!drawing) {
            // Nothing to draw (hidden, obscured or idle): sleep until an
            // event or a signal arrives.
            Wait(-1.0);
            pacer.Restart(clock.Now());
            continue;
        }
        double wait = pacer.Wait(clock.Now());
        if (wait > 0.0) {
            Wait(wait);
            continue;
        }
        Tick();
        pacer.Ticked(clock.Now());
    }
}

// One tick of every drawing view; the first view's presented frames go to
// the statistics.
void X11Run::Tick() {
    DovelSSView* first = views.front()->view.get();
    const int64_t before = first->framesPresented;
    const double cpu = ProcessCpuSeconds();
    for (auto& running : views)
        if (running->Drawing()) running->view->animateOneFrame();
    ++stats->ticks;
    if (first->framesPresented == before) return;
    const double now = clock.Now();
    if (stats->frames == 0) stats->startupMs = (MonotonicSeconds() - processStart) * 1000.0;
    stats->frames = first->framesPresented;
    stats->frameMs.Add((ProcessCpuSeconds() - cpu) * 1000.0);
    stats->Presented(now);
    if (first->ssMain != nullptr && first->ssMain->world != nullptr) {
        stats->worldUs.Add(first->lastDrawCpuSeconds * 1e6);
        stats->ObserveWorld(*first->ssMain->world);
    }
    if (options.framesGiven && stats->frames >= options.frames) done = true;
}

// Sleeps until an X event or a quit signal arrives, at most the given
// seconds (below 0: without limit).
void X11Run::Wait(double seconds) {
    XFlush(x.dpy);
    if (XEventsQueued(x.dpy, QueuedAlready) > 0) return;
    pollfd fds[2] = {{ConnectionNumber(x.dpy), POLLIN, 0}, {quitFd, POLLIN, 0}};
    const timespec limit = WaitTime(seconds >= 0.0 ? seconds : 0.0);
    ppoll(fds, quitFd >= 0 ? 2 : 1, seconds >= 0.0 ? &limit : nullptr, nullptr);
    if (quitFd >= 0 && (fds[1].revents & POLLIN) != 0 && QuitSignalArrived(quitFd)) done = true;
}

void X11Run::HandleEvents() {
    // A run behind its ticks never waits, so the pipe is also read here.
    if (quitFd >= 0 && QuitSignalArrived(quitFd)) done = true;
    while (!done && XPending(x.dpy) > 0) {
        XEvent event;
        XNextEvent(x.dpy, &event);
        Handle(event);
    }
}

RunningView* X11Run::ViewOf(Window window) {
    for (auto& running : views)
        if (running->window == window) return running.get();
    return nullptr;
}

void X11Run::Handle(const XEvent& event) {
    RunningView* running = ViewOf(event.xany.window);
    if (running == nullptr) return;
    switch (event.type) {
        case ConfigureNotify: {
            if (running->partOnly) break;
            const XConfigureEvent& c = event.xconfigure;
            ViewRect frame = running->view->frame();
            if (c.width != static_cast<int>(frame.width) || c.height != static_cast<int>(frame.height))
                running->view->setFrameSize(c.width, c.height);
            break;
        }
        case MapNotify:
            running->mapped = true;
            break;
        case UnmapNotify:
            running->mapped = false;
            break;
        case VisibilityNotify:
            running->obscured = event.xvisibility.state == VisibilityFullyObscured;
            if (!running->obscured) running->mapped = true;
            break;
        case DestroyNotify:
            running->gone = true;
            running->backend->WindowGone();
            done = true;
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) done = true;
            break;
        case KeyPress:
        case ButtonPress:
        case MotionNotify:
            HandleInput(event);
            break;
        default:
            break;
    }
}

void X11Run::HandleInput(const XEvent& event) {
    if (options.mode == DisplayMode::kWindow) {
        if (event.type != KeyPress) return;
        KeySym key = XLookupKeysym(const_cast<XKeyEvent*>(&event.xkey), 0);
        if (key == XK_Escape || key == XK_q || key == XK_Q) done = true;
        return;
    }
    if (options.mode != DisplayMode::kFullscreen || !options.exitOnInput) return;
    done = true;
}

void X11Run::Finish() {
    for (auto& running : views) {
        running->view->stopAnimation();
        running->view.reset();
        if (running->own && !running->gone) XDestroyWindow(x.dpy, running->window);
        // The root window shows its own background again, not our last frame.
        if (running->window == x.root) XClearWindow(x.dpy, x.root);
    }
    views.clear();
    if (x.dpy != nullptr) XSync(x.dpy, False);
    x.Close();
}

}  // namespace

int RunX11(const DovelOptions& options, const HeadlessPaths& paths, double processStart, RunStats* stats) {
    X11Run run(options, paths, processStart, stats);
    const int status = run.Run();
    stats->peakRssMb = PeakRssMb();
    return status;
}
