// The -fps counter: presented frames per second, measured over each second
// of the monotonic clock and drawn in the upper left corner of the view
// with the scene's bitmap font.
#pragma once

#include <cstdint>

struct FrameRateCounter {
    double windowStart = -1.0;  // start of the current measuring second
    int64_t frames = 0;         // frames presented since windowStart
    double rate = -1.0;         // frames per second of the last whole second; -1 before

    // Counts one presented frame at time now (seconds).
    void Presented(double now);
};

// Draws "FPS: 59.9" in the upper left corner of a width x height drawable
// with the font texture, leaving the GL state as it found it. Draws nothing
// without a rate or a font.
void DrawFrameRate(double rate, int width, int height, uint32_t fontTex);
