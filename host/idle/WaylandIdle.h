// Idleness from a Wayland compositor: ext-idle-notify-v1 (KDE Plasma 6,
// recent wlroots) or, where the compositor lacks it, org_kde_kwin_idle
// (KDE Plasma 5, sway 1.7). The compositor sends idle and resumed events
// for the first seat and honours its own idle inhibitors (a video player's
// surface that inhibits idleness keeps the events away).
#pragma once

#include <string>

#include "host/idle/IdleSource.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

struct WaylandIdle {
    WaylandIdle() = default;
    WaylandIdle(const WaylandIdle&) = delete;
    WaylandIdle& operator=(const WaylandIdle&) = delete;
    ~WaylandIdle() { Close(); }

    // False with *why when there is no Wayland display or it offers neither
    // protocol. *protocol names the one used.
    bool Open(unsigned seconds, const IdleEvents& events, std::string* protocol, std::string* why);
    void Close();

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    IdleEvents events;
    unsigned watchId = 0;

    void Readable(bool hangUp);
};
