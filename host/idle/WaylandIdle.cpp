#include "host/idle/WaylandIdle.h"

#include <glib-unix.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

namespace {

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* source = static_cast<WaylandIdle*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && source->seat == nullptr)
        source->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        source->notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        source->kdeIdle = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}

void GlobalRemoved(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistry = {Global, GlobalRemoved};

void Idle(WaylandIdle* source) {
    if (source->events.idle) source->events.idle();
}
void Resumed(WaylandIdle* source) {
    if (source->events.resumed) source->events.resumed();
}

void ExtIdled(void* data, ext_idle_notification_v1*) {
    Idle(static_cast<WaylandIdle*>(data));
}
void ExtResumed(void* data, ext_idle_notification_v1*) {
    Resumed(static_cast<WaylandIdle*>(data));
}
const ext_idle_notification_v1_listener kExtNotification = {ExtIdled, ExtResumed};

void KdeIdle(void* data, org_kde_kwin_idle_timeout*) {
    Idle(static_cast<WaylandIdle*>(data));
}
void KdeResumed(void* data, org_kde_kwin_idle_timeout*) {
    Resumed(static_cast<WaylandIdle*>(data));
}
const org_kde_kwin_idle_timeout_listener kKdeTimeout = {KdeIdle, KdeResumed};

gboolean DisplayReadable(gint, GIOCondition condition, gpointer data) {
    static_cast<WaylandIdle*>(data)->Readable((condition & (G_IO_HUP | G_IO_ERR)) != 0);
    return G_SOURCE_CONTINUE;
}

}  // namespace

bool WaylandIdle::Open(unsigned seconds, const IdleEvents& handlers, std::string* protocol,
                       std::string* why) {
    const char* name = getenv("WAYLAND_DISPLAY");
    if ((name == nullptr || name[0] == '\0') && getenv("WAYLAND_SOCKET") == nullptr) {
        *why = "no Wayland display";
        return false;
    }
    display = wl_display_connect(nullptr);
    if (display == nullptr) {
        *why = "cannot connect to the Wayland display";
        return false;
    }
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, this);
    wl_display_roundtrip(display);
    const uint32_t milliseconds = seconds * 1000u;
    if (seat != nullptr && notifier != nullptr) {
        notification = ext_idle_notifier_v1_get_idle_notification(notifier, milliseconds, seat);
        ext_idle_notification_v1_add_listener(notification, &kExtNotification, this);
        *protocol = "ext-idle-notify-v1";
    } else if (seat != nullptr && kdeIdle != nullptr) {
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, milliseconds);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &kKdeTimeout, this);
        *protocol = "org_kde_kwin_idle";
    } else {
        *why = "the Wayland compositor offers no idle protocol";
        Close();
        return false;
    }
    events = handlers;
    wl_display_flush(display);
    watchId = g_unix_fd_add(wl_display_get_fd(display),
                            static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), DisplayReadable, this);
    return true;
}

void WaylandIdle::Readable(bool hangUp) {
    if (hangUp || wl_display_dispatch(display) < 0) {
        g_source_remove(watchId);
        watchId = 0;
        if (events.lost) events.lost("the Wayland display closed");
        return;
    }
    wl_display_flush(display);
}

void WaylandIdle::Close() {
    if (watchId != 0) g_source_remove(watchId);
    watchId = 0;
    if (display == nullptr) return;
    if (notification != nullptr) ext_idle_notification_v1_destroy(notification);
    if (notifier != nullptr) ext_idle_notifier_v1_destroy(notifier);
    if (kdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(kdeTimeout);
    if (kdeIdle != nullptr) org_kde_kwin_idle_destroy(kdeIdle);
    if (seat != nullptr) wl_seat_destroy(seat);
    if (registry != nullptr) wl_registry_destroy(registry);
    wl_display_flush(display);
    wl_display_disconnect(display);
    display = nullptr;
    notification = nullptr;
    notifier = nullptr;
    kdeTimeout = nullptr;
    kdeIdle = nullptr;
    seat = nullptr;
    registry = nullptr;
}
