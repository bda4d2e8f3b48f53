// Idleness from GNOME's compositor: org.gnome.Mutter.IdleMonitor on the
// session bus (GNOME on Wayland and on X11). An idle watch fires after the
// idle time without input; a user-active watch, set when it has fired, fires
// at the next input. Both arrive as the WatchFired signal.
#pragma once

#include <string>

#include "host/idle/IdleSource.h"

typedef struct _GDBusConnection GDBusConnection;

struct MutterIdle {
    MutterIdle() = default;
    MutterIdle(const MutterIdle&) = delete;
    MutterIdle& operator=(const MutterIdle&) = delete;
    ~MutterIdle() { Close(); }

    // False with *why when the session bus or the monitor is absent.
    bool Open(unsigned seconds, const IdleEvents& events, std::string* why);
    void Close();

    GDBusConnection* bus = nullptr;
    IdleEvents events;
    unsigned idleWatch = 0;
    unsigned activeWatch = 0;
    unsigned firedSignal = 0;
    unsigned ownerWatch = 0;

    void Fired(unsigned id);
};
