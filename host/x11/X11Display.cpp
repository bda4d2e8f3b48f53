#include "host/x11/X11Display.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

bool xRequestFailed = false;

// Xlib's own handler ends the program on any protocol error; a window that
// vanishes between two requests is no reason to, so errors are noted and
// the caller that cares asks XRequestsFailed.
int NoteXError(Display*, XErrorEvent*) {
    xRequestFailed = true;
    return 0;
}

// The connection is gone (server ended, killed or unreachable): nothing more
// can be drawn or cleaned up through it. _exit, because destructors would
// talk to the dead connection again.
[[noreturn]] void ExitOnLostConnection() {
    static const char message[] = "dovel: lost the connection to the X display; exiting\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(1);
}

int LostConnection(Display*) {
    ExitOnLostConnection();
}

// Sleeps until the server closes the connection (or stop is written to) and
// ends the process in the first case. Asks poll for no data events, so the
// X traffic never wakes it.
void WatchUntilClosed(int connection, int stop) {
    pollfd fds[2] = {{connection, POLLRDHUP, 0}, {stop, POLLIN, 0}};
    while (poll(fds, 2, -1) < 0) {
    }
    if (fds[1].revents != 0) return;
    ExitOnLostConnection();
}

bool HasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == '\0' || p[n] == ' ')) return true;
    return false;
}

EGLDisplay X11EglDisplay(Display* dpy) {
    const char* clientExts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay != nullptr && (HasExtension(clientExts, "EGL_EXT_platform_x11") ||
                                          HasExtension(clientExts, "EGL_KHR_platform_x11")))
        return getPlatformDisplay(EGL_PLATFORM_X11_EXT, dpy, nullptr);
    return eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(dpy));
}

}  // namespace

bool XRequestsFailed(Display* dpy) {
    XSync(dpy, False);
    bool failed = xRequestFailed;
    xRequestFailed = false;
    return failed;
}

bool X11Display::Open(std::string* error) {
    const char* name = getenv("DISPLAY");
    dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        *error = std::string("cannot open the X display \"") + (name != nullptr ? name : "") + "\"";
        return false;
    }
    XSetErrorHandler(NoteXError);
    XSetIOErrorHandler(LostConnection);
    // A write to a closed connection fails with EPIPE and reaches the
    // handler above instead of killing the process.
    signal(SIGPIPE, SIG_IGN);
    WatchConnection();
    screen = DefaultScreen(dpy);
    root = RootWindow(dpy, screen);
    monitors = QueryMonitors(dpy, screen);
    mainMonitor = MainMonitorIndex(monitors);

    EGLDisplay display = X11EglDisplay(dpy);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        char text[80];
        std::snprintf(text, sizeof text, "no EGL on the X display (EGL error 0x%04x)",
                      static_cast<unsigned>(eglGetError()));
        *error = text;
        return false;
    }
    egl = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL on the X display offers no desktop OpenGL";
        return false;
    }
    return true;
}

void X11Display::WatchConnection() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    stopWatching = fds[1];
    int connection = ConnectionNumber(dpy), stop = fds[0];
    watcher = std::thread([connection, stop] {
        WatchUntilClosed(connection, stop);
        close(stop);
    });
}

void X11Display::StopWatching() {
    if (stopWatching < 0) return;
    const char byte = 0;
    ssize_t ignored = write(stopWatching, &byte, 1);
    (void)ignored;
    watcher.join();
    close(stopWatching);
    stopWatching = -1;
}

void X11Display::Close() {
    StopWatching();
    if (egl != nullptr) {
        // Not terminated: the driver stays loaded until the process ends, as
        // with the offscreen context (eglTerminate would unload it and leave
        // its allocations nameless to the leak checker).
        eglMakeCurrent(static_cast<EGLDisplay>(egl), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        egl = nullptr;
    }
    if (dpy != nullptr) {
        XCloseDisplay(dpy);
        dpy = nullptr;
    }
}
