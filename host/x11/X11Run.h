// The dovel program on an X display: a window of its own, one full-screen
// view per monitor, XScreenSaver's window or any window by id. One view
// per window, each with its own EGL context and scene, driven by a 60 Hz
// tick of the monotonic clock; between ticks the program sleeps in poll on
// the X connection and the quit-signal pipe, and handles X events.
#pragma once

#include "host/view/DovelOptions.h"
#include "host/headless/HeadlessRun.h"

// Runs the views of options.mode on $DISPLAY until the user, a signal
// (SIGTERM, SIGINT, SIGHUP) or the destruction of a view's window ends the
// run; then stops, cleans up and returns 0. Returns 1, with a message on
// standard error, when it cannot run (no display, no such window, no
// OpenGL); a lost X connection ends the process with status 1 at once.
int RunX11(const DovelOptions& options, const HeadlessPaths& paths);
