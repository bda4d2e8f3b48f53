#include "host/egl/EglWindow.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <vector>

namespace {

std::string EglFailure(const char* what) {
    char text[112];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", what,
                  static_cast<unsigned>(eglGetError()));
    return text;
}

// The config whose native visual is the window's, with 8-bit RGB, a depth
// buffer and desktop OpenGL on a window surface.
bool ConfigForVisual(EGLDisplay dpy, unsigned long visualId, EGLConfig* out) {
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_WINDOW_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_DEPTH_SIZE,
                             16,
                             EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(dpy, wanted, nullptr, 0, &count) || count <= 0) return false;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(dpy, wanted, configs.data(), count, &count)) return false;
    for (EGLint i = 0; i < count; ++i) {
        EGLint visual = 0;
        if (eglGetConfigAttrib(dpy, configs[i], EGL_NATIVE_VISUAL_ID, &visual) &&
            static_cast<unsigned long>(visual) == visualId) {
            *out = configs[i];
            return true;
        }
    }
    return false;
}

}  // namespace

bool EglWindow::Create(void* eglDisplay, unsigned long window, unsigned long visualId, std::string* error) {
    Destroy();
    EGLDisplay dpy = static_cast<EGLDisplay>(eglDisplay);
    display = dpy;
    EGLConfig config = nullptr;
    if (!ConfigForVisual(dpy, visualId, &config)) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "no OpenGL configuration with 8-bit RGB and a depth buffer for visual 0x%lx of window "
                      "0x%lx",
                      visualId, window);
        *error = text;
        return false;
    }
    const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) {
        context = nullptr;
        *error = EglFailure("eglCreateContext (OpenGL compatibility profile)");
        return false;
    }
    const EGLint surfaceAttribs[] = {EGL_RENDER_BUFFER, EGL_BACK_BUFFER, EGL_NONE};
    surface = eglCreateWindowSurface(dpy, config, static_cast<EGLNativeWindowType>(window), surfaceAttribs);
    if (surface == EGL_NO_SURFACE) {
        surface = nullptr;
        *error = EglFailure("eglCreateWindowSurface");
        Destroy();
        return false;
    }
    if (!MakeCurrent()) {
        *error = EglFailure("eglMakeCurrent");
        Destroy();
        return false;
    }
    eglSwapInterval(dpy, 1);
    return true;
}

bool EglWindow::MakeCurrent() {
    if (display == nullptr || context == nullptr || surface == nullptr) return false;
    return eglMakeCurrent(static_cast<EGLDisplay>(display), static_cast<EGLSurface>(surface),
                          static_cast<EGLSurface>(surface), static_cast<EGLContext>(context)) == EGL_TRUE;
}

bool EglWindow::MakeCurrentWithoutWindow() {
    if (display == nullptr || context == nullptr) return false;
    return eglMakeCurrent(static_cast<EGLDisplay>(display), EGL_NO_SURFACE, EGL_NO_SURFACE,
                          static_cast<EGLContext>(context)) == EGL_TRUE;
}

void EglWindow::SwapBuffers() {
    if (display != nullptr && surface != nullptr)
        eglSwapBuffers(static_cast<EGLDisplay>(display), static_cast<EGLSurface>(surface));
}

void EglWindow::Destroy() {
    if (display == nullptr) return;
    EGLDisplay dpy = static_cast<EGLDisplay>(display);
    eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface != nullptr) eglDestroySurface(dpy, static_cast<EGLSurface>(surface));
    if (context != nullptr) eglDestroyContext(dpy, static_cast<EGLContext>(context));
    surface = nullptr;
    context = nullptr;
    display = nullptr;
}
