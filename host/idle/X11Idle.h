// Idleness on an X display through the MIT-SCREEN-SAVER extension. The
// server's own screen-saver timer is set to the idle time and a window of
// ours (input only, so nothing is blanked) stands in for the server's saver;
// the server then sends ScreenSaverNotify when the timer fires and when input
// comes back, so nothing is polled. Applications that suspend the server's
// saver (XScreenSaverSuspend, XResetScreenSaver) hold it off as they intend.
// The server's previous timer settings come back when the source closes.
#pragma once

#include <string>

#include "host/idle/IdleSource.h"

typedef struct _XDisplay Display;

struct X11Idle {
    X11Idle() = default;
    X11Idle(const X11Idle&) = delete;
    X11Idle& operator=(const X11Idle&) = delete;
    ~X11Idle() { Close(); }

    // Opens $DISPLAY and starts watching for seconds without input. False
    // with *why when there is no display or no extension.
    bool Open(unsigned seconds, const IdleEvents& events, std::string* why);
    void Close();
    // Starts the server's timer again after an idle period (the full-screen
    // Dovel ended at input).
    void Rearm();

    Display* dpy = nullptr;
    IdleEvents events;
    int eventBase = 0;
    unsigned watchId = 0;  // the main loop's watch on the connection
    unsigned idleSeconds = 0;
    // The server's settings before ours.
    int oldTimeout = 0, oldInterval = 0, oldBlanking = 0, oldExposures = 0;

    void HandleEvents();
};

// Whether XScreenSaver's daemon runs for this user: its version property on
// the root window of $DISPLAY, or a process of ours named "xscreensaver" on
// that display.
bool XScreenSaverDaemonRuns();
