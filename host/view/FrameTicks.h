// The 60 Hz tick of a run loop on the monotonic clock, shared by the
// backends that drive live views, and what the loop waits with.
#pragma once

#include <time.h>

#include <cmath>
#include <cstdint>

#include "host/view/DovelSSView.h"

struct FrameTicks {
    double next = 0.0;  // when the next tick is due, seconds

    // Starts afresh: the next tick is due at once.
    void Restart(double now) { next = now; }
    // Seconds until the next tick is due; 0 or less when it is due.
    double Until(double now) const { return next - now; }
    // A tick ran: the next is one interval later; a loop behind by more
    // than a tick (a slow frame) starts afresh rather than run a burst of
    // frames to catch up.
    void Ran(double now) {
        next += kAnimationInterval;
        if (next < now - kAnimationInterval) next = now;
    }
};

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
