#include "host/wayland/WaylandRun.h"

#include <poll.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/view/DovelSSView.h"
#include "host/view/FrameRate.h"
#include "host/view/FramePacing.h"
#include "host/view/FrameTicks.h"
#include "host/view/HostClock.h"
#include "host/view/QuitSignals.h"
#include "host/wayland/WaylandBackend.h"
#include "host/wayland/WaylandDisplay.h"

namespace {

// How long the compositor may take to configure our surfaces.
constexpr int kConfigureRoundtrips = 50;

struct RunningView {
    std::unique_ptr<DovelSSView> view;
    WaylandBackend* backend = nullptr;  // owned by view
    FrameRateCounter fps;
    bool started = false;  // startAnimation has run (once the surface was configured)

    bool Drawing() const {
        return backend->configured && !backend->closed && backend->frameDue && view->isAnimating();
    }
};

struct WaylandRun {
    WaylandRun(const DovelOptions& o, const HeadlessPaths& p) : options(o), paths(p) {}

    const DovelOptions& options;
    const HeadlessPaths& paths;
    SystemClock clock;
    WaylandDisplay wl;
    std::vector<std::unique_ptr<RunningView>> views;
    int quitFd = -1;
    bool done = false;

    int Run();
    bool CreateViews();
    bool AddView(WaylandRole role, int output, const ViewRect& frame);
    void ShowViews();
    void ApplySizes();
    void StartConfiguredViews();
    void Loop();
    void Wait(double seconds);
    void HandleInput(WaylandInput input, uint32_t keysym);
    bool EnoughFrames() const;
    void PrintStats(double seconds) const;
    void Finish();
};

bool Fail(const std::string& text) {
    std::fprintf(stderr, "dovel: %s\n", text.c_str());
    return false;
}

int WaylandRun::Run() {
    std::string error;
    if (!wl.Open(&error)) {
        if (error.empty()) return kNoWaylandCompositor;
        Fail(error);
        return 1;
    }
    wl.hidePointer = options.mode == DisplayMode::kFullscreen;
    wl.onInput = [this](WaylandInput input, uint32_t keysym) { HandleInput(input, keysym); };
    if (!CreateViews()) {
        Finish();
        return 1;
    }
    ShowViews();
    quitFd = ListenForQuitSignals();
    const double start = clock.Now();
    Loop();
    QuitSignalHandled();
    if (options.stats) PrintStats(clock.Now() - start);
    Finish();
    return 0;
}

// -frames N: every view that draws has presented N frames.
bool WaylandRun::EnoughFrames() const {
    if (!options.framesGiven) return false;
    for (const auto& running : views)
        if (running->view->ThisScreenIsOn && running->view->framesPresented < options.frames) return false;
    return true;
}

// -stats: one JSON object on standard output.
void WaylandRun::PrintStats(double seconds) const {
    std::string text = "{\"backend\":\"wayland\",\"seconds\":" + std::to_string(seconds) + ",\"views\":[";
    for (size_t i = 0; i < views.size(); ++i) {
        const DovelSSView& view = *views[i]->view;
        const int screen = views[i]->backend->ScreenNumber();
        std::string name =
            screen >= 0 && screen < static_cast<int>(wl.outputs.size()) ? wl.outputs[screen]->name : "";
        name.erase(
            std::remove_if(name.begin(), name.end(), [](char c) { return c == '"' || c == '\\' || c < ' '; }),
            name.end());
        text += std::string(i > 0 ? "," : "") + "{\"output\":\"" + name +
                "\",\"width\":" + std::to_string(static_cast<int>(view.frame().width)) +
                ",\"height\":" + std::to_string(static_cast<int>(view.frame().height)) +
                ",\"frames\":" + std::to_string(view.framesPresented) + "}";
    }
    std::printf("%s]}\n", text.c_str());
}

// Makes every view, each surface committed without a buffer: the snapshot
// (background kind 0) is read while nothing of Dovel shows.
bool WaylandRun::CreateViews() {
    if (options.mode != DisplayMode::kFullscreen)
        return AddView(
            WaylandRole::kWindow, -1,
            ViewRect{0.0, 0.0, static_cast<double>(options.width), static_cast<double>(options.height)});
    if (wl.outputs.empty()) return Fail("the Wayland compositor has no outputs to cover");
    const WaylandRole role = wl.layerShell != nullptr ? WaylandRole::kOverlay : WaylandRole::kFullscreen;
    for (size_t i = 0; i < wl.outputs.size(); ++i) {
        const WaylandOutput& o = *wl.outputs[i];
        if (!AddView(role, static_cast<int>(i),
                     ViewRect{static_cast<double>(o.x), static_cast<double>(o.y),
                              static_cast<double>(o.logicalWidth), static_cast<double>(o.logicalHeight)}))
            return false;
    }
    return true;
}

bool WaylandRun::AddView(WaylandRole role, int output, const ViewRect& frame) {
    HostEnvironment env{&clock, paths.prefsPath, paths.resourcePath, options.settings};
    auto running = std::make_unique<RunningView>();
    auto backend = std::make_unique<WaylandBackend>(&wl, role, output, static_cast<int>(frame.width),
                                                    static_cast<int>(frame.height));
    running->backend = backend.get();
    std::string error;
    running->view = DovelSSView::initWithFrame(frame, options.preview, std::move(backend), env, &error);
    if (!running->view) return Fail("no OpenGL context on the Wayland surface: " + error);
    RunningView* self = running.get();
    running->backend->beforePresent = [this, self] {
        CountFrame(&self->fps, *self->view, clock.Now(), options.showFps);
    };
    views.push_back(std::move(running));
    return true;
}

// Waits for the compositor to configure every surface, sizes the views and
// starts them: their first frame maps the surfaces.
void WaylandRun::ShowViews() {
    for (int i = 0; i < kConfigureRoundtrips; ++i) {
        bool all = true;
        for (auto& running : views) all = all && running->backend->configured;
        if (all) break;
        if (!wl.Roundtrip()) ExitOnLostCompositor();
    }
    StartConfiguredViews();
    wl_display_flush(wl.display);
}

void WaylandRun::StartConfiguredViews() {
    ApplySizes();
    for (auto& running : views) {
        if (running->started || !running->backend->configured) continue;
        running->view->startAnimation();
        running->started = true;
    }
}

void WaylandRun::ApplySizes() {
    for (auto& running : views) {
        int width = 0, height = 0;
        if (running->backend->TakeNewSize(&width, &height)) running->view->setFrameSize(width, height);
    }
}

void WaylandRun::Loop() {
    // The cap from -max-fps, else the one that suits the renderer (every
    // view of a run draws through the same driver).
    FramePacer pacer;
    std::string renderer;
    if (!views.empty() && views.front()->backend->MakeCurrent()) renderer = CurrentGLRenderer();
    pacer.SetMaxFps(ChooseMaxFps(options.maxFps, renderer));
    pacer.Restart(clock.Now());
    while (!done) {
        // A run behind its ticks never waits, so the pipe is also read here.
        if (quitFd >= 0 && QuitSignalArrived(quitFd)) done = true;
        if (wl_display_dispatch_pending(wl.display) < 0) ExitOnLostCompositor();
        for (auto& running : views) done = done || running->backend->closed;
        if (done || EnoughFrames()) break;
        // Sizes the compositor changed, and surfaces it configured late.
        StartConfiguredViews();
        bool drawing = false;
        for (auto& running : views) drawing = drawing || running->Drawing();
        const double now = clock.Now();
        if (!drawing) {
            // No surface wants a frame (hidden, or waiting for the
            // compositor): sleep until an event or a signal arrives.
            Wait(-1.0);
            pacer.Restart(clock.Now());
            continue;
        }
        const double wait = pacer.Wait(now);
        if (wait > 0.0) {
            Wait(wait);
            continue;
        }
        for (auto& running : views)
            if (running->Drawing()) running->view->animateOneFrame();
        pacer.Ticked(clock.Now());
    }
}

// Reads the compositor's events, or sleeps until they or a quit signal
// arrive, at most the given seconds (below 0: without limit).
void WaylandRun::Wait(double seconds) {
    wl_display* display = wl.display;
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0) ExitOnLostCompositor();
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        ExitOnLostCompositor();
    }
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {quitFd, POLLIN, 0}};
    const timespec limit = WaitTime(seconds >= 0.0 ? seconds : 0.0);
    ppoll(fds, quitFd >= 0 ? 2 : 1, seconds >= 0.0 ? &limit : nullptr, nullptr);
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        if (wl_display_read_events(display) < 0) ExitOnLostCompositor();
    } else {
        wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) ExitOnLostCompositor();
    if (quitFd >= 0 && (fds[1].revents & POLLIN) != 0 && QuitSignalArrived(quitFd)) done = true;
}

void WaylandRun::HandleInput(WaylandInput input, uint32_t keysym) {
    if (options.mode == DisplayMode::kWindow) {
        if (input == WaylandInput::kKey &&
            (keysym == XKB_KEY_Escape || keysym == XKB_KEY_q || keysym == XKB_KEY_Q))
            done = true;
        return;
    }
    if (options.exitOnInput) done = true;
}

void WaylandRun::Finish() {
    for (auto& running : views) {
        running->view->stopAnimation();
        running->view.reset();
    }
    views.clear();
    if (wl.display != nullptr) wl_display_flush(wl.display);
    wl.Close();
}

}  // namespace

int RunWayland(const DovelOptions& options, const HeadlessPaths& paths) {
    WaylandRun run(options, paths);
    return run.Run();
}
