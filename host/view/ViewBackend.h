// What a view needs from the window system it draws on. Each backend
// (headless EGL, and EGL on an X11 window) gives every view one of these:
// its OpenGL context and drawable, the displays, the snapshot of what a
// display shows and the desktop's picture file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ViewRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};

// What a display shows: 8-bit RGBA rows from the bottom row up, at the
// display's size in pixels.
struct SnapshotImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

class ViewBackend {
public:
    virtual ~ViewBackend() = default;

    // Creates the view's GL context with a double-buffered RGBA drawable of
    // at least 24-bit colour and a 16-bit depth buffer, and makes it
    // current. False with *error filled when there is none to be had.
    virtual bool CreateContext(std::string* error) = 0;
    virtual bool MakeCurrent() = 0;
    // Gives the drawable a new size in pixels (at least 1 x 1).
    virtual void SetDrawableSize(int width, int height) = 0;
    // Presents the back buffer.
    virtual void FlushBuffer() = 0;
    // Where the view's area starts in the drawable, in GL window coordinates
    // (from the bottom left): the origin, unless the view draws on a part of
    // a larger drawable (one monitor of a root window spanning several).
    virtual void DrawingOrigin(int* x, int* y) {
        *x = 0;
        *y = 0;
    }

    // Number of the display that shows the view, and of the main display.
    virtual int ScreenNumber() = 0;
    virtual int MainScreenNumber() = 0;
    // Number of the first display whose area meets frame, or -1.
    virtual int ScreenForFrame(const ViewRect& frame) = 0;

    // Reads what the displays named by the mask (bit n for display n) show.
    // False when nothing can be read; a locked screen may refuse.
    virtual bool TakeSnapshot(uint32_t displayMask, SnapshotImage* out) = 0;
    // Path of the desktop's picture file for a display, or "" when the
    // desktop records none.
    virtual std::string DesktopPicturePath(int screenNumber) = 0;
};
