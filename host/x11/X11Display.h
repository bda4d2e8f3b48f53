// The connection to the X display that every view of a run shares: the Xlib
// display with error handlers that never end the program on a protocol
// error, its EGL display, the monitors, and where snapshots come from.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "host/x11/X11Monitors.h"

// Where a view's snapshot of the display is read.
enum class SnapshotSource {
    kNone,         // nowhere: the snapshot fails (XScreenSaver forbids grabbing the desktop)
    kRootWindow,   // the monitor's area of the root window, read before our windows are mapped
    kSaverPixmap,  // the pixmap XScreenSaver saved before it blanked (_SCREENSAVER_SCREENSHOT)
};

struct X11Display {
    Display* dpy = nullptr;
    void* egl = nullptr;  // EGLDisplay on the X11 platform
    int screen = 0;
    unsigned long root = 0;
    std::vector<X11Monitor> monitors;
    int mainMonitor = 0;
    SnapshotSource snapshotSource = SnapshotSource::kRootWindow;
    unsigned long saverWindow = 0;  // the window holding _SCREENSAVER_SCREENSHOT

    X11Display() = default;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;
    ~X11Display() { Close(); }

    // Opens $DISPLAY, installs the error handlers, reads the monitors and
    // initialises EGL on it. False with *error filled on failure.
    bool Open(std::string* error);
    // Releases EGL and closes the connection; every GL context must be
    // gone by then.
    void Close();

private:
    // Watches the connection from a thread of its own: when the server goes
    // away while the main thread is inside the GL driver (which may then
    // never return to Xlib), the watch ends the process as Xlib would.
    void WatchConnection();
    void StopWatching();
    std::thread watcher;
    int stopWatching = -1;  // write end of the pipe that ends the watch
};

// Waits until the server has handled every request sent so far and says
// whether any of them failed since the last call.
bool XRequestsFailed(Display* dpy);
