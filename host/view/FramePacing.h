// How often a run loop on a display lets its views draw. A hardware
// renderer draws at every tick of the 60 Hz animation interval. A software
// renderer (Mesa's llvmpipe, softpipe or swrast) spends a whole CPU core and
// more on 60 frames a second, so it draws at most 30 by default. The scene
// moves by the measured step between frames, so the cap changes the number
// of frames, never the speed of the animation. The headless renderer keeps
// its own exact 60 Hz clock and does not use this.
#pragma once

#include <string>

// The default cap on a software renderer, frames per second.
constexpr int kSoftwareMaxFps = 30;
// The largest cap: the animation interval's own rate.
constexpr int kTickMaxFps = 60;

// True for the renderer strings of CPU rasterisers (GL_RENDERER).
bool IsSoftwareRenderer(const std::string& glRenderer);

// The frames per second to draw at most: requested when it is 1 to 60,
// else (0: automatic) 30 on a software renderer and 60 on any other.
int ChooseMaxFps(int requested, const std::string& glRenderer);

// GL_RENDERER of the current context, "" without one.
std::string CurrentGLRenderer();

// The loop's clock of ticks: when the next one is due, and the step to the
// one after. A tick that comes late moves the schedule on rather than
// running a burst of ticks to catch up.
struct FramePacer {
    double interval = 1.0 / kTickMaxFps;  // seconds between ticks
    double next = 0.0;                    // when the next tick is due

    // Ticks at most maxFps (1 to 60) times a second.
    void SetMaxFps(int maxFps);
    // The first tick is due at now.
    void Restart(double now) { next = now; }
    // Seconds to wait before the next tick; 0 when it is due.
    double Wait(double now) const { return next > now ? next - now : 0.0; }
    // A tick ran; after is the time it finished.
    void Ticked(double after);
};
