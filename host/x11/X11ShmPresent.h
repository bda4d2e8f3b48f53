// Presents the frames of a software renderer through MIT-SHM. Mesa's
// software renderers hand every swapped frame to the X server inside the
// protocol stream (a 1280x720 frame is 3.7 MB that the server copies out
// of its socket, into a freshly allocated buffer, and again into the
// window): on llvmpipe that costs the server about as much CPU as drawing
// the frame costs Dovel. Here the frame is read from the back buffer into
// a shared-memory image that the server copies once into the window.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

struct X11ShmPresent {
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    GC gc = nullptr;
    std::vector<uint8_t> row;  // one row, for turning the frame upside down
    bool failed = false;       // no shared memory here: swap as usual

    X11ShmPresent() = default;
    X11ShmPresent(const X11ShmPresent&) = delete;
    X11ShmPresent& operator=(const X11ShmPresent&) = delete;

    // True when the server offers MIT-SHM and window's visual is 24-bit
    // TrueColor in 32-bit pixels of the layout GL reads as B G R A.
    static bool Usable(Display* dpy, Window window);
    // Reads the current context's back buffer (width x height) and puts it
    // into window; waits until the server has copied it. False (and failed
    // set) when the image cannot be made; the caller then swaps instead.
    bool Present(Display* dpy, Window window, int width, int height);
    void Release(Display* dpy);

private:
    bool MakeImage(Display* dpy, Window window, int width, int height);
};
