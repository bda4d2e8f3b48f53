// GoogleTest fixture with a real OpenGL compatibility context (Mesa's
// llvmpipe through EGL, no display). A test that cannot get a context fails;
// it never skips.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/egl/EglOffscreen.h"

struct Rgba {
    uint8_t r, g, b, a;
};

// Reads one pixel of the current framebuffer (origin bottom-left).
Rgba ReadPixel(int x, int y);
// Reads the whole w x h framebuffer as RGBA rows from the bottom up.
std::vector<uint8_t> ReadFramebuffer(int w, int h);
// Sets the system's camera: 45 degree vertical field of view, aspect w/h,
// near 1, far 120, identity model-view; viewport w x h.
void SetSceneCamera(int w, int h);
// Sets pixel space: orthographic, origin bottom-left, identity model-view.
void SetPixelSpace(int w, int h);

class GLTest : public ::testing::Test {
protected:
    // Size of the pbuffer; a derived fixture may change these in its
    // constructor.
    int width = 256;
    int height = 256;
    EglOffscreen gl;

    void SetUp() override;
    void TearDown() override;
    // Gives the pbuffer a new size and sets the viewport to it.
    void ResizeDrawable(int w, int h);
};
