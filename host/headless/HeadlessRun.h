// The dovel program without a display: one view of the given size on an EGL
// pbuffer, driven by an exact 60 Hz virtual clock, its frames written as PNG.
#pragma once

#include <string>

#include "host/view/DovelOptions.h"
#include "host/view/RunStats.h"

struct HeadlessPaths {
    std::string resourcePath;  // ends in "/"
    std::string prefsPath;
};

// Runs the view's whole life cycle: create, size, start, options.frames
// ticks, stop, destroy. Writes the frames to options.outDir when given and
// fills *stats. Returns the exit status: 0, 1 when the run fails (no GL
// context, the scene cannot be set up, a frame cannot be written), 2 when a
// flag's value is unusable (the snapshot picture cannot be read). Errors go
// to standard error; a scene that cannot be set up is also named in
// stats->error, and its frames show the background colour.
int RunHeadless(const DovelOptions& options, const HeadlessPaths& paths, double processStart,
                RunStats* stats);

// The name of presented frame n in folder: folder/frame-000123.png.
std::string FrameFileName(const std::string& folder, int64_t n);
