#include "host/egl/EglWindow.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdint>
#include <cstdio>

#include "host/egl/EglConfig.h"

bool EglWindow::Create(void* eglDisplay, unsigned long window, unsigned long visualId, std::string* error) {
    Destroy();
    display = eglDisplay;
    void* config = nullptr;
    if (!ChooseEglConfig(eglDisplay, EglConfigWish{EGL_WINDOW_BIT, -1, visualId}, &config)) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "no OpenGL configuration with 8-bit RGB and a depth buffer for visual 0x%lx of window "
                      "0x%lx",
                      visualId, window);
        *error = text;
        return false;
    }
    return Finish(config, reinterpret_cast<void*>(static_cast<uintptr_t>(window)), 1, error);
}

bool EglWindow::CreateForWayland(void* eglDisplay, void* eglWindow, std::string* error) {
    Destroy();
    // RGBA: Mesa's software path draws wrong colours into XRGB buffers.
    display = eglDisplay;
    void* config = nullptr;
    if (!ChooseEglConfig(eglDisplay, EglConfigWish{EGL_WINDOW_BIT, 8, 0}, &config)) {
        *error = "no OpenGL configuration with 8-bit RGBA and a depth buffer on the Wayland display";
        return false;
    }
    return Finish(config, eglWindow, 0, error);
}

bool EglWindow::Finish(void* config, void* nativeWindow, int swapInterval, std::string* error) {
    EGLDisplay dpy = static_cast<EGLDisplay>(display);
    context = CreateCompatibilityContext(display, config, error);
    if (context == nullptr) return false;
    const EGLint surfaceAttribs[] = {EGL_RENDER_BUFFER, EGL_BACK_BUFFER, EGL_NONE};
    // X11's native window is the window id, Wayland's a wl_egl_window
    // pointer; EGL takes either through the same integer type.
    surface = eglCreateWindowSurface(dpy, static_cast<EGLConfig>(config),
                                     reinterpret_cast<EGLNativeWindowType>(nativeWindow), surfaceAttribs);
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
    eglSwapInterval(dpy, swapInterval);
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
