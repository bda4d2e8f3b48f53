// dovel -on-idle: waits for the session to be without input for the idle
// time, runs a full-screen Dovel on every display, ends it at the first
// input and waits for the next idle period. Idleness comes from the first
// source the session offers: ext-idle-notify-v1, org_kde_kwin_idle, GNOME's
// org.gnome.Mutter.IdleMonitor, the X server's MIT-SCREEN-SAVER. It starts
// nothing while something inhibits idleness or the session is locked, and
// does not run at all beside XScreenSaver's daemon. Between events it sleeps
// in one main loop on the sources' file descriptors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct IdleServiceOptions {
    int64_t idleSeconds = 600;
    bool verbose = false;  // one line for the source, one for each start and end
    // Flags handed on to the full-screen Dovel (-prefs, setting flags).
    std::vector<std::string> childArgs;
    // The program to run instead of this one ($DOVEL_IDLE_CHILD); empty:
    // this program with -fullscreen.
    std::string childProgram;
};

// Runs until SIGTERM, SIGINT or SIGHUP, or until the session ends (the
// display or bus of the idle source closes); returns the exit status.
int RunIdleService(const IdleServiceOptions& options);

// The arguments of dovel's command line that go on to the full-screen
// Dovel: all but -on-idle, -idle-seconds S and -verbose.
std::vector<std::string> IdleChildArguments(int argc, const char* const* argv);
