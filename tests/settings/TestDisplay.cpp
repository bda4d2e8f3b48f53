#include "tests/settings/TestDisplay.h"

#include <gtk/gtk.h>

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t server = 0;
bool opened = false;
std::string openError;

// Reads the display number Xvfb writes on fd once it accepts clients.
bool ReadDisplayNumber(int fd, std::string* number) {
    char c = 0;
    while (true) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0) return false;
        if (read(fd, &c, 1) != 1) return false;
        if (c == '\n') return !number->empty();
        number->push_back(c);
    }
}

bool StartServer(std::string* display, std::string* error) {
    int fds[2];
    if (pipe(fds) != 0) {
        *error = "no pipe for Xvfb";
        return false;
    }
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",    "-displayfd", fd.c_str(),    "-nolisten", "tcp",
                          "-screen", "0",          "1280x800x24", nullptr};
    server = fork();
    if (server == 0) {
        // The server goes when the test does, even when the test is killed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        execvp("Xvfb", const_cast<char**>(argv));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    bool ok = server > 0 && ReadDisplayNumber(fds[0], &number);
    close(fds[0]);
    if (!ok) {
        *error = "cannot start Xvfb (is the xvfb package installed?)";
        CloseTestDisplay();
        return false;
    }
    *display = ":" + number;
    return true;
}

bool Open(std::string* error) {
    std::string display;
    if (!StartServer(&display, error)) return false;
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
    setenv("GTK_A11Y", "none", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
#if defined(__SANITIZE_ADDRESS__)
    // GTK's own GL lives in a Mesa driver that is unloaded before the leak
    // check, leaving stacks that no suppression can name; under the
    // sanitizers GTK draws without GL. The normal build keeps GTK's GL
    // beside the preview's own context.
    setenv("GDK_DEBUG", "gl-disable", 1);
#endif
    if (gtk_init_check()) return true;
    *error = "GTK cannot open display " + display;
    CloseTestDisplay();
    return false;
}

}  // namespace

bool OpenTestDisplay(std::string* error) {
    static bool tried = false;
    if (!tried) {
        tried = true;
        opened = Open(&openError);
    }
    *error = openError;
    return opened;
}

void CloseTestDisplay() {
    if (opened) {
        GdkDisplay* display = gdk_display_get_default();
        if (display != nullptr) gdk_display_close(display);
        opened = false;
    }
    if (server > 0) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
        server = 0;
    }
}
