#include "host/view/FramePacing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>

bool IsSoftwareRenderer(const std::string& glRenderer) {
    std::string lower = glRenderer;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (lower.find(name) != std::string::npos) return true;
    return false;
}

int ChooseMaxFps(int requested, const std::string& glRenderer) {
    if (requested >= 1 && requested <= kTickMaxFps) return requested;
    return IsSoftwareRenderer(glRenderer) ? kSoftwareMaxFps : kTickMaxFps;
}

std::string CurrentGLRenderer() {
    const GLubyte* name = glGetString(GL_RENDERER);
    return name != nullptr ? reinterpret_cast<const char*>(name) : "";
}

void FramePacer::SetMaxFps(int maxFps) {
    interval = 1.0 / static_cast<double>(std::clamp(maxFps, 1, kTickMaxFps));
}

void FramePacer::Ticked(double after) {
    next += interval;
    // Behind by more than a tick (a slow frame): start afresh.
    if (next < after - interval) next = after;
}
