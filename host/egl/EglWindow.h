// An OpenGL compatibility context drawing into a native window through EGL:
// a double-buffered window surface with RGB of 8 bits each and a depth
// buffer of at least 16 bits, on an X window or a Wayland wl_egl_window.
#pragma once

#include <string>

struct EglWindow {
    void* display = nullptr;  // EGLDisplay, not owned
    void* context = nullptr;  // EGLContext
    void* surface = nullptr;  // EGLSurface

    EglWindow() = default;
    EglWindow(const EglWindow&) = delete;
    EglWindow& operator=(const EglWindow&) = delete;
    ~EglWindow() { Destroy(); }

    // Creates the context and the surface for the X window, whose visual has
    // the given id, asks for one swap per display refresh where the driver
    // allows it, and makes them current. False with *error filled.
    bool Create(void* eglDisplay, unsigned long window, unsigned long visualId, std::string* error);
    // The same on a Wayland display for a wl_egl_window, with an alpha
    // channel (the caller marks the surface opaque). A swap never waits for
    // the compositor: the caller paces its frames by frame callbacks.
    bool CreateForWayland(void* eglDisplay, void* eglWindow, std::string* error);
    bool MakeCurrent();
    // Makes the context current without its window (for releasing GL
    // objects after the window is gone); false where EGL cannot.
    bool MakeCurrentWithoutWindow();
    void SwapBuffers();
    void Destroy();

private:
    bool Finish(void* config, void* nativeWindow, int swapInterval, std::string* error);
};
