// What holds the idle service back: applications that inhibit idleness
// (through org.freedesktop.ScreenSaver, GNOME's session manager or the
// power manager), another screen saver or locker that is active, and a
// locked session (logind's LockedHint). Where no one offers
// org.freedesktop.ScreenSaver on the session bus the service offers it
// itself, so that video players and presentations can inhibit it.
// Everything is optional: without a bus nothing holds the service back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;

// The session bus when one is known ($DBUS_SESSION_BUS_ADDRESS or
// $XDG_RUNTIME_DIR/bus), never one started for the purpose; null without.
// The connection does not end the process when it closes.
GDBusConnection* OpenSessionBus();

struct SessionGuard {
    SessionGuard() = default;
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;
    ~SessionGuard() { Close(); }

    void Open();
    void Close();

    // Why a full-screen Dovel must not start now; empty when nothing
    // holds it back.
    std::string Blocker();

    // An inhibitor went away: what held the service back may be gone.
    std::function<void()> released;
    // The session locked, or another saver became active: the full-screen
    // Dovel gives way.
    std::function<void()> locked;
    // An application asked for the idle time to start again
    // (SimulateUserActivity).
    std::function<void()> activity;
    // The session bus closed.
    std::function<void()> busClosed;

    bool saverActive = false;  // answered by our GetActive

    struct Inhibitor {
        uint32_t cookie;
        std::string sender;
        std::string application;
        std::string reason;
    };
    std::vector<Inhibitor> inhibitors;
    uint32_t nextCookie = 1;
    GDBusConnection* session = nullptr;
    GDBusConnection* system = nullptr;
    bool ownsScreenSaver = false;
    std::vector<unsigned> objects;  // our ScreenSaver objects on the session bus
    std::vector<unsigned> sessionSignals;
    std::vector<unsigned> systemSignals;
    std::string loginSession;  // logind's object of our session, when known
    unsigned long closedHandler = 0;

    void OfferScreenSaver();
    void WatchOthers();
    bool LockedHint();
    void DropInhibitorsOf(const std::string& sender);
};
