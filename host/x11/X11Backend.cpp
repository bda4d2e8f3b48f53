#include "host/x11/X11Backend.h"

#include <GL/gl.h>
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
    if (hasArea) BlackenOutside();
    EGLint width = 0, height = 0;
    if (presentThroughShm && !resized && eglQuerySurface(gl.display, gl.surface, EGL_WIDTH, &width) &&
        eglQuerySurface(gl.display, gl.surface, EGL_HEIGHT, &height) &&
        shm.Present(x->dpy, window, width, height))
        return;
    resized = false;
    gl.SwapBuffers();
}

void X11Backend::SetArea(const ViewRect& part, int height) {
    hasArea = true;
    area = part;
    windowHeight = height;
}

void X11Backend::DrawingOrigin(int* originX, int* originY) {
    *originX = hasArea ? static_cast<int>(area.x) : 0;
    *originY = hasArea ? windowHeight - static_cast<int>(area.y + area.height) : 0;
}

// Clears the four strips around the area to black, leaving the view's GL
// state as it was.
void X11Backend::BlackenOutside() {
    int left = 0, bottom = 0;
    DrawingOrigin(&left, &bottom);
    const int w = static_cast<int>(area.width), h = static_cast<int>(area.height);
    GLint drawable[4] = {0, 0, 0, 0};
    GLfloat clear[4];
    GLint scissor[4];
    const GLboolean scissored = glIsEnabled(GL_SCISSOR_TEST);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x->dpy, window, &attributes)) {
        drawable[2] = attributes.width;
        drawable[3] = attributes.height;
    }
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    const GLint strips[4][4] = {{0, 0, left, drawable[3]},
                                {left + w, 0, drawable[2] - left - w, drawable[3]},
                                {left, 0, w, bottom},
                                {left, bottom + h, w, drawable[3] - bottom - h}};
    for (const auto& s : strips) {
        if (s[2] <= 0 || s[3] <= 0) continue;
        glScissor(s[0], s[1], s[2], s[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glScissor(scissor[0], scissor[1], scissor[2], scissor[3]);
    if (!scissored) glDisable(GL_SCISSOR_TEST);
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
    int width = attributes.width, height = attributes.height;
    if (hasArea) {
        rootX += static_cast<int>(area.x);
        rootY += static_cast<int>(area.y);
        width = static_cast<int>(area.width);
        height = static_cast<int>(area.height);
    }
    int monitor = MonitorForArea(x->monitors, rootX, rootY, width, height);
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
