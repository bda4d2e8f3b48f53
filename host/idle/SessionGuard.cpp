#include "host/idle/SessionGuard.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Sync calls are made only when idleness begins; a peer that does not
// answer within this holds nothing back.
constexpr int kCallTimeoutMs = 2000;
// GNOME's session manager's flag for inhibiting idleness.
constexpr guint32 kInhibitIdle = 8;

constexpr char kScreenSaverName[] = "org.freedesktop.ScreenSaver";
constexpr char kScreenSaverXml[] =
    "<node><interface name='org.freedesktop.ScreenSaver'>"
    "<method name='Inhibit'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='u' direction='out'/></method>"
    "<method name='UnInhibit'><arg type='u' direction='in'/></method>"
    "<method name='GetActive'><arg type='b' direction='out'/></method>"
    "<method name='SimulateUserActivity'/>"
    "<signal name='ActiveChanged'><arg type='b'/></signal>"
    "</interface></node>";
// Applications use either path.
const char* const kScreenSaverPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};

// The reply of a method, or null when the peer is absent, fails or does
// not answer in time.
GVariant* Call(GDBusConnection* bus, const char* name, const char* path, const char* interface,
               const char* method, GVariant* parameters, const char* replyType) {
    if (bus == nullptr) {
        if (parameters != nullptr) g_variant_unref(g_variant_ref_sink(parameters));
        return nullptr;
    }
    return g_dbus_connection_call_sync(bus, name, path, interface, method, parameters,
                                       replyType != nullptr ? G_VARIANT_TYPE(replyType) : nullptr,
                                       G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr);
}

bool CallTrue(GDBusConnection* bus, const char* name, const char* path, const char* interface,
              const char* method, GVariant* parameters) {
    GVariant* reply = Call(bus, name, path, interface, method, parameters, "(b)");
    if (reply == nullptr) return false;
    gboolean value = FALSE;
    g_variant_get(reply, "(b)", &value);
    g_variant_unref(reply);
    return value != FALSE;
}

void HandleMethod(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                  GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* guard = static_cast<SessionGuard*>(data);
    const std::string name = method;
    if (name == "Inhibit") {
        const gchar* application = nullptr;
        const gchar* reason = nullptr;
        g_variant_get(parameters, "(&s&s)", &application, &reason);
        uint32_t cookie = guard->nextCookie++;
        guard->inhibitors.push_back({cookie, sender != nullptr ? sender : "", application, reason});
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", cookie));
    } else if (name == "UnInhibit") {
        guint32 cookie = 0;
        g_variant_get(parameters, "(u)", &cookie);
        auto& list = guard->inhibitors;
        size_t before = list.size();
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const SessionGuard::Inhibitor& i) { return i.cookie == cookie; }),
                   list.end());
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (list.size() != before && list.empty() && guard->released) guard->released();
    } else if (name == "GetActive") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", guard->saverActive));
    } else {
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (guard->activity) guard->activity();
    }
}

const GDBusInterfaceVTable kScreenSaverTable = {HandleMethod, nullptr, nullptr, {nullptr}};

void NameOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                      GVariant* parameters, gpointer data) {
    const gchar *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
    if (newOwner[0] == '\0') static_cast<SessionGuard*>(data)->DropInhibitorsOf(name);
}

void ActiveChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                   GVariant* parameters, gpointer data) {
    auto* guard = static_cast<SessionGuard*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    gboolean active = FALSE;
    g_variant_get(parameters, "(b)", &active);
    if (active && guard->locked) guard->locked();
}

void SessionPropertiesChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                              GVariant* parameters, gpointer data) {
    auto* guard = static_cast<SessionGuard*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    GVariant* changed = g_variant_get_child_value(parameters, 1);
    gboolean lockedHint = FALSE;
    bool found = g_variant_lookup(changed, "LockedHint", "b", &lockedHint);
    g_variant_unref(changed);
    if (found && lockedHint && guard->locked) guard->locked();
}

void BusClosed(GDBusConnection*, gboolean, GError*, gpointer data) {
    auto* guard = static_cast<SessionGuard*>(data);
    if (guard->busClosed) guard->busClosed();
}

}  // namespace

GDBusConnection* OpenSessionBus() {
    const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
    std::string where = address != nullptr ? address : "";
    if (where.empty()) {
        const char* runtime = getenv("XDG_RUNTIME_DIR");
        struct stat info;
        if (runtime == nullptr || runtime[0] == '\0') return nullptr;
        std::string socket = std::string(runtime) + "/bus";
        if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return nullptr;
        where = "unix:path=" + socket;
    }
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        where.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (bus != nullptr) g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

void SessionGuard::Open() {
    session = OpenSessionBus();
    GError* error = nullptr;
    system = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    g_clear_error(&error);
    if (system != nullptr) g_dbus_connection_set_exit_on_close(system, FALSE);
    if (session != nullptr) {
        closedHandler = g_signal_connect(session, "closed", G_CALLBACK(BusClosed), this);
        OfferScreenSaver();
    }
    WatchOthers();
}

// Takes org.freedesktop.ScreenSaver when no one has it, and serves it.
void SessionGuard::OfferScreenSaver() {
    constexpr guint32 kDoNotQueue = 4, kPrimaryOwner = 1;
    GVariant* reply = Call(session, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "RequestName", g_variant_new("(su)", kScreenSaverName, kDoNotQueue), "(u)");
    if (reply == nullptr) return;
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    ownsScreenSaver = result == kPrimaryOwner;
    if (!ownsScreenSaver) return;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kScreenSaverXml, nullptr);
    for (const char* path : kScreenSaverPaths) {
        unsigned id = g_dbus_connection_register_object(session, path, node->interfaces[0],
                                                        &kScreenSaverTable, this, nullptr, nullptr);
        if (id != 0) objects.push_back(id);
    }
    g_dbus_node_info_unref(node);
    sessionSignals.push_back(g_dbus_connection_signal_subscribe(
        session, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged", "/org/freedesktop/DBus",
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE, NameOwnerChanged, this, nullptr));
}

// Another saver or locker that becomes active, and logind's lock.
void SessionGuard::WatchOthers() {
    if (session != nullptr) {
        if (!ownsScreenSaver)
            sessionSignals.push_back(g_dbus_connection_signal_subscribe(
                session, kScreenSaverName, kScreenSaverName, "ActiveChanged", nullptr, nullptr,
                G_DBUS_SIGNAL_FLAGS_NONE, ActiveChanged, this, nullptr));
        sessionSignals.push_back(g_dbus_connection_signal_subscribe(
            session, "org.gnome.ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", nullptr, nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, ActiveChanged, this, nullptr));
    }
    if (system == nullptr) return;
    GVariant* reply = Call(system, "org.freedesktop.login1", "/org/freedesktop/login1/session/auto",
                           "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", "org.freedesktop.login1.Session", "Id"), "(v)");
    if (reply == nullptr) return;
    GVariant* boxed = nullptr;
    g_variant_get(reply, "(v)", &boxed);
    g_variant_unref(reply);
    if (!g_variant_is_of_type(boxed, G_VARIANT_TYPE_STRING)) {
        g_variant_unref(boxed);
        return;
    }
    reply =
        Call(system, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
             "GetSession", g_variant_new("(s)", g_variant_get_string(boxed, nullptr)), "(o)");
    g_variant_unref(boxed);
    if (reply == nullptr) return;
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    loginSession = path;
    g_variant_unref(reply);
    systemSignals.push_back(g_dbus_connection_signal_subscribe(
        system, "org.freedesktop.login1", "org.freedesktop.DBus.Properties", "PropertiesChanged",
        loginSession.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, SessionPropertiesChanged, this, nullptr));
}

bool SessionGuard::LockedHint() {
    if (loginSession.empty()) return false;
    GVariant* reply =
        Call(system, "org.freedesktop.login1", loginSession.c_str(), "org.freedesktop.DBus.Properties", "Get",
             g_variant_new("(ss)", "org.freedesktop.login1.Session", "LockedHint"), "(v)");
    if (reply == nullptr) return false;
    GVariant* boxed = nullptr;
    g_variant_get(reply, "(v)", &boxed);
    bool locked = g_variant_is_of_type(boxed, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(boxed);
    g_variant_unref(boxed);
    g_variant_unref(reply);
    return locked;
}

std::string SessionGuard::Blocker() {
    if (!inhibitors.empty()) {
        const Inhibitor& first = inhibitors.front();
        return first.application + " inhibits idleness (" + first.reason + ")";
    }
    if (CallTrue(session, "org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                 "IsInhibited", g_variant_new("(u)", kInhibitIdle)))
        return "an application inhibits idleness through GNOME's session manager";
    if (CallTrue(session, "org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
                 "org.freedesktop.PowerManagement.Inhibit", "HasInhibit", nullptr))
        return "an application inhibits idleness through the power manager";
    if (!ownsScreenSaver && CallTrue(session, kScreenSaverName, "/org/freedesktop/ScreenSaver",
                                     kScreenSaverName, "GetActive", nullptr))
        return "the desktop's screen saver is active";
    if (CallTrue(session, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver",
                 "GetActive", nullptr))
        return "the desktop's screen shield is active";
    if (LockedHint()) return "the session is locked";
    return "";
}

void SessionGuard::DropInhibitorsOf(const std::string& sender) {
    size_t before = inhibitors.size();
    inhibitors.erase(std::remove_if(inhibitors.begin(), inhibitors.end(),
                                    [&](const Inhibitor& i) { return i.sender == sender; }),
                     inhibitors.end());
    if (inhibitors.size() != before && inhibitors.empty() && released) released();
}

void SessionGuard::Close() {
    if (session != nullptr) {
        for (unsigned id : objects) g_dbus_connection_unregister_object(session, id);
        for (unsigned id : sessionSignals) g_dbus_connection_signal_unsubscribe(session, id);
        if (closedHandler != 0) g_signal_handler_disconnect(session, closedHandler);
        g_object_unref(session);
    }
    if (system != nullptr) {
        for (unsigned id : systemSignals) g_dbus_connection_signal_unsubscribe(system, id);
        g_object_unref(system);
    }
    objects.clear();
    sessionSignals.clear();
    systemSignals.clear();
    closedHandler = 0;
    session = nullptr;
    system = nullptr;
    ownsScreenSaver = false;
}
