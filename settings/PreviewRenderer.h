// The dialog's live preview: a preview view of the real scene (no overlay,
// snapshot detail 0) drawn off screen into an EGL pbuffer, its frames read
// back as pixels. It needs no window-system GL, so it works the same under
// X11 and Wayland.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/view/DovelSSView.h"
#include "host/view/HostClock.h"

struct PreviewRenderer {
    ~PreviewRenderer();

    // Starts a new preview view of width x height with the given settings
    // over the stored preferences, replacing any running one. False with
    // *error filled when there is no GL context.
    bool Start(const HostEnvironment& env, int width, int height, std::string* error);
    // Ticks the view once; when it drew a frame, puts it in *rgba (top row
    // first, opaque) and returns true. The GL context is released again, so
    // the toolkit's own GL is not disturbed.
    bool NextFrame(std::vector<uint8_t>* rgba);
    void Stop();
    bool Running() const { return view != nullptr; }

    int width = 0;
    int height = 0;
    std::string desktopPicture;  // shown for the desktop background; "" for the fallback
    SystemClock clock;
    std::unique_ptr<DovelSSView> view;
};

// Turns GL's bottom-up RGBA rows into top-down rows with full alpha (the
// scene clears with alpha 0).
void FlipOpaque(int width, int height, std::vector<uint8_t>* rgba);
