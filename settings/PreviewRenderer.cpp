#include "settings/PreviewRenderer.h"

#include <EGL/egl.h>

#include <algorithm>

#include "host/egl/EglOffscreen.h"
#include "host/headless/HeadlessBackend.h"

namespace {

// Leaves no context current on this thread.
void ReleaseCurrentContext() {
    EGLDisplay display = eglGetCurrentDisplay();
    if (display != EGL_NO_DISPLAY) eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

}  // namespace

PreviewRenderer::~PreviewRenderer() {
    Stop();
}

bool PreviewRenderer::Start(const HostEnvironment& env, int w, int h, std::string* error) {
    Stop();
    HostEnvironment preview = env;
    preview.clock = &clock;
    ViewRect frame{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
    // No snapshot can be had off screen: the snapshot background shows the
    // desktop picture instead, as a saver whose snapshot fails does.
    auto backend = std::make_unique<HeadlessBackend>(w, h, nullptr);
    backend->SetDesktopPicture(desktopPicture);
    view = DovelSSView::initWithFrame(frame, true, std::move(backend), preview, error);
    if (view) {
        width = w;
        height = h;
        view->setFrameSize(w, h);
        view->startAnimation();
    }
    ReleaseCurrentContext();
    return view != nullptr;
}

bool PreviewRenderer::NextFrame(std::vector<uint8_t>* rgba) {
    if (!view) return false;
    int64_t before = view->framesPresented;
    view->animateOneFrame();
    bool drawn = view->framesPresented != before;
    if (drawn) {
        *rgba = ReadFramePixels(width, height);
        FlipOpaque(width, height, rgba);
    }
    ReleaseCurrentContext();
    return drawn;
}

void PreviewRenderer::Stop() {
    if (!view) return;
    view->stopAnimation();
    view.reset();
    ReleaseCurrentContext();
}

void FlipOpaque(int width, int height, std::vector<uint8_t>* rgba) {
    const size_t row = static_cast<size_t>(width) * 4;
    if (rgba->size() < row * static_cast<size_t>(height)) return;
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(rgba->begin() + y * row, rgba->begin() + (y + 1) * row,
                         rgba->begin() + (height - 1 - y) * row);
    for (size_t i = 3; i < rgba->size(); i += 4) (*rgba)[i] = 255;
}
