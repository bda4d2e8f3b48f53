#include "host/idle/X11Idle.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <dirent.h>
#include <glib-unix.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The one open source, for Xlib's handler of a lost connection, which gets
// no data of its own.
X11Idle* openSource = nullptr;

int LostConnection(Display*) {
    X11Idle* source = openSource;
    openSource = nullptr;
    if (source != nullptr) {
        // Nothing more is asked of a connection that is gone.
        source->dpy = nullptr;
        if (source->events.lost) source->events.lost("the X display closed");
    }
    // Xlib ends the process when this returns; the service has finished by now.
    std::exit(0);
}

bool requestFailed = false;
int NoteError(Display*, XErrorEvent*) {
    requestFailed = true;
    return 0;
}

gboolean ConnectionReadable(gint, GIOCondition, gpointer data) {
    static_cast<X11Idle*>(data)->HandleEvents();
    return G_SOURCE_CONTINUE;
}

// The value of variable in a process's environment ("" when absent).
std::string EnvironmentOf(const std::string& dir, const std::string& variable) {
    FILE* file = std::fopen((dir + "/environ").c_str(), "r");
    if (file == nullptr) return "";
    std::string entry, found;
    for (int c = std::fgetc(file);; c = std::fgetc(file)) {
        if (c == EOF || c == '\0') {
            if (entry.compare(0, variable.size() + 1, variable + "=") == 0)
                found = entry.substr(variable.size() + 1);
            entry.clear();
            if (c == EOF || !found.empty()) break;
        } else if (entry.size() < 4096) {
            entry += static_cast<char>(c);
        }
    }
    std::fclose(file);
    return found;
}

// A process of this user named name that runs on the X display display.
bool ProcessNamedRuns(const char* name, const std::string& display) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return false;
    bool found = false;
    const uid_t me = getuid();
    while (!found) {
        dirent* entry = readdir(proc);
        if (entry == nullptr) break;
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        std::string dir = std::string("/proc/") + entry->d_name;
        struct stat info;
        if (stat(dir.c_str(), &info) != 0 || info.st_uid != me) continue;
        FILE* comm = std::fopen((dir + "/comm").c_str(), "r");
        if (comm == nullptr) continue;
        char line[64] = {0};
        bool named = std::fgets(line, sizeof line, comm) != nullptr;
        line[std::strcspn(line, "\n")] = '\0';
        named = named && std::strcmp(line, name) == 0;
        std::fclose(comm);
        found = named && EnvironmentOf(dir, "DISPLAY") == display;
    }
    closedir(proc);
    return found;
}

}  // namespace

bool XScreenSaverDaemonRuns() {
    const char* name = getenv("DISPLAY");
    Display* dpy = name != nullptr && name[0] != '\0' ? XOpenDisplay(name) : nullptr;
    if (dpy != nullptr) {
        Atom version = XInternAtom(dpy, "_SCREENSAVER_VERSION", True);
        if (version != None) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            bool present =
                XGetWindowProperty(dpy, DefaultRootWindow(dpy), version, 0, 16, False, AnyPropertyType, &type,
                                   &format, &count, &after, &data) == Success &&
                type != None;
            if (data != nullptr) XFree(data);
            if (present) {
                XCloseDisplay(dpy);
                return true;
            }
        }
        XCloseDisplay(dpy);
    }
    // XScreenSaver's daemon only runs on an X display, and one on another
    // display is no concern of ours.
    return name != nullptr && name[0] != '\0' && ProcessNamedRuns("xscreensaver", name);
}

bool X11Idle::Open(unsigned seconds, const IdleEvents& handlers, std::string* why) {
    const char* name = getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        *why = "no X display";
        return false;
    }
    dpy = XOpenDisplay(name);
    if (dpy == nullptr) {
        *why = std::string("cannot open X display ") + name;
        return false;
    }
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(dpy, &eventBase, &errorBase)) {
        *why = "the X server has no MIT-SCREEN-SAVER extension";
        Close();
        return false;
    }
    events = handlers;
    openSource = this;
    XSetIOErrorHandler(LostConnection);
    XGetScreenSaver(dpy, &oldTimeout, &oldInterval, &oldBlanking, &oldExposures);
    // A window of ours, input only, takes the place of the server's own
    // saver on every screen, so the server blanks nothing when its timer
    // fires; another client holding that place is no reason to give up.
    XErrorHandler previous = XSetErrorHandler(NoteError);
    for (int screen = 0; screen < ScreenCount(dpy); ++screen) {
        Window root = RootWindow(dpy, screen);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        XScreenSaverSetAttributes(dpy, root, 0, 0, static_cast<unsigned>(DisplayWidth(dpy, screen)),
                                  static_cast<unsigned>(DisplayHeight(dpy, screen)), 0, 0, InputOnly,
                                  CopyFromParent, CWOverrideRedirect, &attributes);
        XScreenSaverSelectInput(dpy, root, ScreenSaverNotifyMask);
    }
    idleSeconds = seconds;
    XSetScreenSaver(dpy, static_cast<int>(seconds), 0, DontPreferBlanking, AllowExposures);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    watchId = g_unix_fd_add(ConnectionNumber(dpy), G_IO_IN, ConnectionReadable, this);
    return true;
}

void X11Idle::HandleEvents() {
    while (dpy != nullptr && XPending(dpy) > 0) {
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type != eventBase + ScreenSaverNotify) continue;
        const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
        if (notify.state == ScreenSaverOn) {
            // The server's saver gives way at once (windows mapped while it
            // is active stay hidden) and its timer stops until Rearm.
            XSetScreenSaver(dpy, 0, 0, DontPreferBlanking, AllowExposures);
            XForceScreenSaver(dpy, ScreenSaverReset);
            XFlush(dpy);
            if (events.idle) events.idle();
        } else if (notify.state == ScreenSaverOff && !notify.forced && events.resumed) {
            events.resumed();
        }
    }
}

void X11Idle::Rearm() {
    if (dpy == nullptr) return;
    XSetScreenSaver(dpy, static_cast<int>(idleSeconds), 0, DontPreferBlanking, AllowExposures);
    XFlush(dpy);
}

void X11Idle::Close() {
    if (watchId != 0) g_source_remove(watchId);
    watchId = 0;
    if (dpy == nullptr) return;
    if (openSource == this) {
        XSetScreenSaver(dpy, oldTimeout, oldInterval, oldBlanking, oldExposures);
        for (int screen = 0; screen < ScreenCount(dpy); ++screen)
            XScreenSaverUnsetAttributes(dpy, RootWindow(dpy, screen));
        XSync(dpy, False);
        openSource = nullptr;
    }
    XCloseDisplay(dpy);
    dpy = nullptr;
}
