// The monitors of an X screen and which of them shows a given area.
#pragma once

#include <string>
#include <vector>

typedef struct _XDisplay Display;

// One monitor in root-window coordinates (pixels).
struct X11Monitor {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string name;  // RandR output name ("HDMI-1"), or "" when RandR does not say
    bool primary = false;
};

// The monitors as Xinerama reports them (on today's servers it mirrors
// RandR's monitors, and it is right where RandR is disabled, as with
// several screens joined by Xinerama); else RandR's monitors; else the whole
// screen as one monitor. Never empty. Names and the primary flag come from
// the RandR monitor of the same area.
std::vector<X11Monitor> QueryMonitors(Display* dpy, int screen);

// Index of the main monitor: the primary one, else the first.
int MainMonitorIndex(const std::vector<X11Monitor>& monitors);

// Index of the monitor that shows the area: the one holding its centre,
// else the first one it meets; -1 when it meets none.
int MonitorForArea(const std::vector<X11Monitor>& monitors, int x, int y, int width, int height);

// True when the area covers the whole of at least one monitor.
bool CoversAMonitor(const std::vector<X11Monitor>& monitors, int x, int y, int width, int height);
