// Small pieces shared by the run loops of the backends that drive live
// views (X11, Wayland); their pace is FramePacer's (FramePacing.h).
#pragma once

#include <time.h>

#include <cmath>
#include <cstdint>

#include "host/view/DovelSSView.h"
#include "host/view/FrameRate.h"

// A wait of seconds for ppoll.
inline timespec WaitTime(double seconds) {
    timespec limit{};
    limit.tv_sec = static_cast<time_t>(seconds);
    limit.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    return limit;
}

// The texture of the scene's bitmap font, for the -fps counter; 0 without.
inline uint32_t FontTexture(const DovelSSView& view) {
    const SSMAIN* scene = view.ssMain;
    if (scene == nullptr || scene->textures == nullptr || scene->numTextures <= kFontSlot) return 0;
    return scene->textures[kFontSlot].texID;
}

// What a backend runs before it presents a view's frame: the frame counts
// for the -fps counter, which is drawn in the view's corner when shown.
inline void CountFrame(FrameRateCounter* fps, const DovelSSView& view, double now, bool show) {
    fps->Presented(now);
    if (show)
        DrawFrameRate(fps->rate, static_cast<int>(view.frame().width), static_cast<int>(view.frame().height),
                      FontTexture(view));
}
