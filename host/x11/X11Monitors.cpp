#include "host/x11/X11Monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace {

std::vector<X11Monitor> RandrMonitors(Display* dpy, int screen) {
    std::vector<X11Monitor> found;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(dpy, &eventBase, &errorBase) || !XRRQueryVersion(dpy, &major, &minor) ||
        (major == 1 && minor < 5))
        return found;
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(dpy, RootWindow(dpy, screen), True, &count);
    for (int i = 0; info != nullptr && i < count; ++i) {
        X11Monitor m;
        m.x = info[i].x;
        m.y = info[i].y;
        m.width = info[i].width;
        m.height = info[i].height;
        m.primary = info[i].primary != 0;
        char* name = info[i].name != None ? XGetAtomName(dpy, info[i].name) : nullptr;
        if (name != nullptr) {
            m.name = name;
            XFree(name);
        }
        if (m.width > 0 && m.height > 0) found.push_back(m);
    }
    if (info != nullptr) XRRFreeMonitors(info);
    return found;
}

std::vector<X11Monitor> XineramaHeads(Display* dpy) {
    std::vector<X11Monitor> found;
    int eventBase = 0, errorBase = 0;
    if (!XineramaQueryExtension(dpy, &eventBase, &errorBase) || !XineramaIsActive(dpy)) return found;
    int count = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(dpy, &count);
    for (int i = 0; heads != nullptr && i < count; ++i) {
        X11Monitor m;
        m.x = heads[i].x_org;
        m.y = heads[i].y_org;
        m.width = heads[i].width;
        m.height = heads[i].height;
        if (m.width > 0 && m.height > 0) found.push_back(m);
    }
    if (heads != nullptr) XFree(heads);
    return found;
}

// Gives each head the name and primary flag of the RandR monitor of the
// same area.
void NameHeads(std::vector<X11Monitor>* heads, const std::vector<X11Monitor>& randr) {
    for (X11Monitor& head : *heads)
        for (const X11Monitor& r : randr)
            if (r.x == head.x && r.y == head.y && r.width == head.width && r.height == head.height) {
                head.name = r.name;
                head.primary = r.primary;
                break;
            }
}

}  // namespace

std::vector<X11Monitor> QueryMonitors(Display* dpy, int screen) {
    std::vector<X11Monitor> randr = RandrMonitors(dpy, screen);
    std::vector<X11Monitor> monitors = XineramaHeads(dpy);
    if (monitors.empty()) monitors = randr;
    NameHeads(&monitors, randr);
    if (monitors.empty()) {
        X11Monitor whole;
        whole.width = DisplayWidth(dpy, screen);
        whole.height = DisplayHeight(dpy, screen);
        monitors.push_back(whole);
    }
    return monitors;
}

int MainMonitorIndex(const std::vector<X11Monitor>& monitors) {
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary) return static_cast<int>(i);
    return 0;
}

int MonitorForArea(const std::vector<X11Monitor>& monitors, int x, int y, int width, int height) {
    const long cx = x + width / 2, cy = y + height / 2;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const X11Monitor& m = monitors[i];
        if (cx >= m.x && cx < m.x + m.width && cy >= m.y && cy < m.y + m.height) return static_cast<int>(i);
    }
    for (size_t i = 0; i < monitors.size(); ++i) {
        const X11Monitor& m = monitors[i];
        if (width > 0 && height > 0 && x < m.x + m.width && m.x < x + width && y < m.y + m.height &&
            m.y < y + height)
            return static_cast<int>(i);
    }
    return -1;
}

bool CoversAMonitor(const std::vector<X11Monitor>& monitors, int x, int y, int width, int height) {
    for (const X11Monitor& m : monitors)
        if (x <= m.x && y <= m.y && x + width >= m.x + m.width && y + height >= m.y + m.height) return true;
    return false;
}
