#include "tests/settings/TestDisplay.h"

#include <gtk/gtk.h>

#include <cstdlib>

#include "tests/host/XTestSupport.h"

namespace {

XServer* server = nullptr;
bool opened = false;
std::string openError;

bool StartServer(std::string* display, std::string* error) {
    server = new XServer;
    if (!server->StartXvfb(1280, 800, "/dev/null")) {
        *error = "cannot start Xvfb (is the xvfb package installed?)";
        CloseTestDisplay();
        return false;
    }
    *display = server->name;
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
    // No session bus: GTK asks for one (its settings portal), and GLib would
    // start dbus-launch and a dbus-daemon that outlive the tests.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 1);
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
    delete server;  // stops the X server
    server = nullptr;
}
