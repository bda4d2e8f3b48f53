// The dovel program on an X display: a window of its own, one full-screen
// view per monitor, XScreenSaver's window or any window by id. One view
// per window, each with its own EGL context and scene, driven by a tick of
// the monotonic clock at 60 Hz, or at the cap that suits the renderer
// (host/view/FramePacing.h); between ticks the program sleeps in poll on
// the X connection and the quit-signal pipe, and handles X events.
#pragma once

#include "host/view/DovelOptions.h"
#include "host/headless/HeadlessRun.h"
#include "host/view/RunStats.h"

// Runs the views of options.mode on $DISPLAY until the user, a signal
// (SIGTERM, SIGINT, SIGHUP) or the destruction of a view's window ends the
// run; then stops, cleans up and returns 0. Returns 1, with a message on
// standard error, when it cannot run (no display, no such window, no
// OpenGL); a lost X connection ends the process with status 1 at once.
// With options.framesGiven the run also ends after that many presented
// frames of its first view, whose frames *stats follows (processStart is
// the monotonic time the process started).
int RunX11(const DovelOptions& options, const HeadlessPaths& paths, double processStart, RunStats* stats);
