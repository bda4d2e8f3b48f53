#include "host/idle/MutterIdle.h"

#include <gio/gio.h>

#include "host/idle/SessionGuard.h"

namespace {

constexpr char kName[] = "org.gnome.Mutter.IdleMonitor";
constexpr char kPath[] = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr int kCallTimeoutMs = 5000;

// The watch id a method returns, or 0.
unsigned AddWatch(GDBusConnection* bus, const char* method, GVariant* parameters) {
    GVariant* reply =
        g_dbus_connection_call_sync(bus, kName, kPath, kName, method, parameters, G_VARIANT_TYPE("(u)"),
                                    G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr);
    if (reply == nullptr) return 0;
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    return id;
}

void WatchFired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                GVariant* parameters, gpointer data) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) return;
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    static_cast<MutterIdle*>(data)->Fired(id);
}

void MonitorGone(GDBusConnection*, const gchar*, gpointer data) {
    auto* source = static_cast<MutterIdle*>(data);
    if (source->events.lost) source->events.lost("GNOME's idle monitor went away");
}

}  // namespace

bool MutterIdle::Open(unsigned seconds, const IdleEvents& handlers, std::string* why) {
    bus = OpenSessionBus();
    if (bus == nullptr) {
        *why = "no session bus";
        return false;
    }
    events = handlers;
    // Subscribed before the watch is added, so no firing is missed.
    firedSignal = g_dbus_connection_signal_subscribe(bus, kName, kName, "WatchFired", kPath, nullptr,
                                                     G_DBUS_SIGNAL_FLAGS_NONE, WatchFired, this, nullptr);
    idleWatch = AddWatch(bus, "AddIdleWatch", g_variant_new("(t)", static_cast<guint64>(seconds) * 1000));
    if (idleWatch == 0) {
        *why = "no GNOME idle monitor on the session bus";
        Close();
        return false;
    }
    ownerWatch = g_bus_watch_name_on_connection(bus, kName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                MonitorGone, this, nullptr);
    return true;
}

void MutterIdle::Fired(unsigned id) {
    if (id == idleWatch && idleWatch != 0) {
        // The user-active watch fires once, at the next input.
        if (activeWatch == 0) activeWatch = AddWatch(bus, "AddUserActiveWatch", nullptr);
        if (events.idle) events.idle();
    } else if (id == activeWatch && activeWatch != 0) {
        activeWatch = 0;
        if (events.resumed) events.resumed();
    }
}

void MutterIdle::Close() {
    if (bus == nullptr) return;
    if (ownerWatch != 0) g_bus_unwatch_name(ownerWatch);
    if (firedSignal != 0) g_dbus_connection_signal_unsubscribe(bus, firedSignal);
    for (unsigned id : {idleWatch, activeWatch})
        if (id != 0)
            g_dbus_connection_call(bus, kName, kPath, kName, "RemoveWatch", g_variant_new("(u)", id), nullptr,
                                   G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    bus = nullptr;
    ownerWatch = firedSignal = idleWatch = activeWatch = 0;
}
