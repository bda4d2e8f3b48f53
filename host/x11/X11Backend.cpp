#include "host/x11/X11Backend.h"

#include <EGL/egl.h>
#include <X11/Xlib.h>

#include <cstdio>

#include "host/desktop/DesktopPicture.h"
#include "host/view/FramePacing.h"
#include "host/x11/X11Snapshot.h"

X11Backend::X11Backend(X11Display* display, unsigned long win) : x(display), window(win) {}

X11Backend::~X11Backend() {
    shm.Release(x->dpy);
}

bool X11Backend::CreateContext(std::string* error) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x->dpy, window, &attributes)) {
        XRequestsFailed(x->dpy);
        char text[64];
        std::snprintf(text, sizeof text, "there is no window 0x%lx", window);
        *error = text;
        return false;
    }
    if (!gl.Create(x->egl, window, XVisualIDFromVisual(attributes.visual), error)) return false;
    presentThroughShm = IsSoftwareRenderer(CurrentGLRenderer()) && X11ShmPresent::Usable(x->dpy, window);
    return true;
}

bool X11Backend::MakeCurrent() {
    if (gone) return gl.MakeCurrentWithoutWindow();
    return gl.MakeCurrent();
}

void X11Backend::FlushBuffer() {
    if (gone) return;
    if (beforePresent) beforePresent();
    EGLint width = 0, height = 0;
    if (presentThroughShm && !resized && eglQuerySurface(gl.display, gl.surface, EGL_WIDTH, &width) &&
        eglQuerySurface(gl.display, gl.surface, EGL_HEIGHT, &height) &&
        shm.Present(x->dpy, window, width, height))
        return;
    resized = false;
    gl.SwapBuffers();
}

int X11Backend::ScreenNumber() {
    XWindowAttributes attributes;
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (gone || !XGetWindowAttributes(x->dpy, window, &attributes) ||
        !XTranslateCoordinates(x->dpy, window, x->root, 0, 0, &rootX, &rootY, &child)) {
        XRequestsFailed(x->dpy);
        return x->mainMonitor;
    }
    int monitor = MonitorForArea(x->monitors, rootX, rootY, attributes.width, attributes.height);
    return monitor >= 0 ? monitor : x->mainMonitor;
}

int X11Backend::ScreenForFrame(const ViewRect& frame) {
    return MonitorForArea(x->monitors, static_cast<int>(frame.x), static_cast<int>(frame.y),
                          static_cast<int>(frame.width), static_cast<int>(frame.height));
}

bool X11Backend::TakeSnapshot(uint32_t displayMask, SnapshotImage* out) {
    int monitor = 0;
    while (monitor < 32 && (displayMask & (1u << monitor)) == 0) ++monitor;
    if (monitor >= static_cast<int>(x->monitors.size())) return false;
    switch (x->snapshotSource) {
        case SnapshotSource::kRootWindow:
            return ReadRootArea(x->dpy, x->screen, x->monitors[monitor], out);
        case SnapshotSource::kSaverPixmap:
            return ReadSaverScreenshot(x->dpy, x->screen, x->saverWindow, x->monitors[monitor], out);
        case SnapshotSource::kNone:
            break;
    }
    return false;
}

std::string X11Backend::DesktopPicturePath(int screenNumber) {
    const bool known = screenNumber >= 0 && screenNumber < static_cast<int>(x->monitors.size());
    return FindDesktopPicture(screenNumber, known ? x->monitors[screenNumber].name : "",
                              DesktopPictureSourcesFromEnvironment());
}

void X11Backend::WindowGone() {
    gone = true;
    gl.MakeCurrentWithoutWindow();
}
