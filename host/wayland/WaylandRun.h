// The dovel program as a Wayland client: a window of its own, or one
// full-screen view per output (a layer-shell overlay where the compositor
// offers one, else an xdg_toplevel full screen on that output). Each view
// has its own surface, EGL context and scene; frames follow the 60 Hz tick
// and are drawn only when the compositor has asked for one.
#pragma once

#include "host/headless/HeadlessRun.h"
#include "host/view/DovelOptions.h"

// Returned by RunWayland when there is no compositor to connect to.
constexpr int kNoWaylandCompositor = -1;

// Runs options.mode (-window or -fullscreen) on $WAYLAND_DISPLAY until the
// user, a signal (SIGTERM, SIGINT, SIGHUP) or the compositor closing the
// window ends it; then cleans up and returns 0. Returns 1, with a message on
// standard error, when it cannot run; kNoWaylandCompositor, with no
// message, when it cannot connect. A compositor that goes away ends the
// process with status 1 and one line.
int RunWayland(const DovelOptions& options, const HeadlessPaths& paths);
