#include "host/desktop/DesktopGSettings.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

namespace {

// The schema source to look schemas up in: a new reference, or null when
// none is installed.
GSettingsSchemaSource* OpenSchemaSource(const GSettingsPlace& place) {
    if (place.schemaDir.empty()) {
        GSettingsSchemaSource* installed = g_settings_schema_source_get_default();
        return installed != nullptr ? g_settings_schema_source_ref(installed) : nullptr;
    }
    GError* error = nullptr;
    GSettingsSchemaSource* source =
        g_settings_schema_source_new_from_directory(place.schemaDir.c_str(), nullptr, TRUE, &error);
    g_clear_error(&error);
    return source;
}

// The string value of key in schema id, user-set or (withDefault) the
// default. False when the schema is not installed, the key is missing or
// not a string, or it has no value to give.
bool ReadString(const GSettingsPlace& place, const char* id, const char* key, bool withDefault,
                std::string* value) {
    GSettingsSchemaSource* source = OpenSchemaSource(place);
    if (source == nullptr) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    g_settings_schema_source_unref(source);
    if (schema == nullptr) return false;
    bool usable = false;
    if (g_settings_schema_has_key(schema, key)) {
        GSettingsSchemaKey* info = g_settings_schema_get_key(schema, key);
        usable = g_variant_type_equal(g_settings_schema_key_get_value_type(info), G_VARIANT_TYPE_STRING);
        g_settings_schema_key_unref(info);
    }
    GVariant* read = nullptr;
    if (usable) {
        GSettingsBackend* backend = place.keyfile.empty()
                                        ? nullptr
                                        : g_keyfile_settings_backend_new(place.keyfile.c_str(), "/", nullptr);
        GSettings* settings = g_settings_new_full(schema, backend, nullptr);
        read = g_settings_get_user_value(settings, key);
        if (read == nullptr && withDefault) read = g_settings_get_value(settings, key);
        g_object_unref(settings);
        if (backend != nullptr) g_object_unref(backend);
    }
    g_settings_schema_unref(schema);
    if (read == nullptr) return false;
    *value = g_variant_get_string(read, nullptr);
    g_variant_unref(read);
    return !value->empty();
}

std::vector<std::string> ReadAll(const GSettingsPlace& place, const char* id,
                                 std::initializer_list<const char*> keys, bool withDefaults) {
    std::vector<std::string> values;
    std::string value;
    for (const char* key : keys)
        if (ReadString(place, id, key, withDefaults, &value)) values.push_back(value);
    return values;
}

}  // namespace

std::vector<std::string> GnomeWallpapers(const GSettingsPlace& place, bool withDefaults) {
    std::string scheme;
    bool dark = ReadString(place, "org.gnome.desktop.interface", "color-scheme", true, &scheme) &&
                scheme == "prefer-dark";
    if (dark)
        return ReadAll(place, "org.gnome.desktop.background", {"picture-uri-dark", "picture-uri"},
                       withDefaults);
    return ReadAll(place, "org.gnome.desktop.background", {"picture-uri"}, withDefaults);
}

std::vector<std::string> CinnamonWallpapers(const GSettingsPlace& place, bool withDefaults) {
    return ReadAll(place, "org.cinnamon.desktop.background", {"picture-uri"}, withDefaults);
}

std::vector<std::string> MateWallpapers(const GSettingsPlace& place, bool withDefaults) {
    return ReadAll(place, "org.mate.background", {"picture-filename"}, withDefaults);
}
