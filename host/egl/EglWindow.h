// An OpenGL compatibility context drawing into an X window through EGL: a
// double-buffered window surface of the window's own visual with RGB of 8
// bits each and a depth buffer of at least 16 bits.
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

    // Creates the context and the surface for window, whose visual has the
    // given id, asks for one swap per display refresh where the driver
    // allows it, and makes them current. False with *error filled.
    bool Create(void* eglDisplay, unsigned long window, unsigned long visualId, std::string* error);
    bool MakeCurrent();
    // Makes the context current without its window (for releasing GL
    // objects after the window is gone); false where EGL cannot.
    bool MakeCurrentWithoutWindow();
    void SwapBuffers();
    void Destroy();
};
