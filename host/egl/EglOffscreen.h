// An OpenGL compatibility context without a display: EGL on Mesa's
// surfaceless platform with a pbuffer drawable. Used by the headless
// backend and by the GL tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct EglOffscreen {
    void* display = nullptr;  // EGLDisplay
    void* context = nullptr;  // EGLContext
    void* surface = nullptr;  // EGLSurface
    void* config = nullptr;   // EGLConfig
    int width = 0;
    int height = 0;

    // Creates the context and a width x height pbuffer and makes them
    // current. On failure returns false, fills *error and leaves nothing.
    bool Create(int w, int h, std::string* error);
    // Replaces the pbuffer with one of the new size and makes it current.
    bool Resize(int w, int h, std::string* error);
    bool MakeCurrent();
    void Destroy();
    ~EglOffscreen() { Destroy(); }
};

// Reads the current framebuffer, w x h, as tightly packed RGBA rows from the
// bottom row up (OpenGL's order).
std::vector<uint8_t> ReadFramePixels(int w, int h);
