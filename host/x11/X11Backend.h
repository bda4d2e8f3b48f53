// The backend of a view drawing into an X window: an EGL context on the
// window, the monitors of the X display, the snapshot from the root window
// or XScreenSaver's screenshot, and the desktop's picture of the monitor.
#pragma once

#include <functional>

#include "host/egl/EglWindow.h"
#include "host/view/ViewBackend.h"
#include "host/x11/X11Display.h"
#include "host/x11/X11ShmPresent.h"

class X11Backend : public ViewBackend {
public:
    // display outlives the backend; window may be ours or another program's.
    X11Backend(X11Display* display, unsigned long window);
    ~X11Backend() override;

    bool CreateContext(std::string* error) override;
    bool MakeCurrent() override;
    // The window's surface follows the window's size by itself, at the
    // next swap.
    void SetDrawableSize(int width, int height) override { resized = true; }
    // Runs beforePresent (the frame-rate counter), then swaps the buffers;
    // with an area set, what lies outside it is black;
    // a software renderer's frame goes to the window through shared memory
    // instead where the server allows it.
    void FlushBuffer() override;
    void DrawingOrigin(int* x, int* y) override;
    // The monitor under the window's centre (under the area's, when one is
    // set; the main one when none is).
    int ScreenNumber() override;
    int MainScreenNumber() override { return x->mainMonitor; }
    int ScreenForFrame(const ViewRect& frame) override;
    bool TakeSnapshot(uint32_t displayMask, SnapshotImage* out) override;
    std::string DesktopPicturePath(int screenNumber) override;

    // The window was destroyed: from now on nothing is drawn, and the
    // context is made current without it so the scene can still be released.
    void WindowGone();
    unsigned long XWindow() const { return window; }
    // Draws only on this part of the window (window coordinates, from the
    // top left) and keeps the rest black; the window is windowHeight tall.
    void SetArea(const ViewRect& area, int windowHeight);

    std::function<void()> beforePresent;

private:
    void BlackenOutside();

    X11Display* x;
    unsigned long window;
    bool gone = false;
    bool hasArea = false;
    ViewRect area;
    int windowHeight = 0;
    EglWindow gl;
    bool presentThroughShm = false;
    bool resized = false;  // the next frame is swapped, so the surface takes the new size
    X11ShmPresent shm;
};
