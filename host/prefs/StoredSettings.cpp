#include "host/prefs/StoredSettings.h"

#include <cstdio>

#include "base/HostLog.h"

namespace {

std::string Shown(const SettingRow& row, const SettingValue& v, int component) {
    if (row.kind == SettingKind::kColour) {
        char text[32];
        snprintf(text, sizeof text, "%g", v.rgb[component]);
        return text;
    }
    return std::to_string(v.number);
}

// Brings a value read into its row's range, warning about each key changed.
void Sanitise(const SettingRow& row, SettingValue* v) {
    SettingValue read = *v;
    if (!BringIntoRange(row, v)) return;
    const bool colour = row.kind == SettingKind::kColour;
    const std::string range = colour ? "0..1" : std::to_string(row.low) + ".." + std::to_string(row.high);
    for (int i = 0; i < (colour ? 3 : 1); ++i) {
        if (colour && (read.rgb[i] == v->rgb[i])) continue;
        HostWarning("preference %s = %s is outside %s; using %s", row.keys[i], Shown(row, read, i).c_str(),
                    range.c_str(), Shown(row, *v, i).c_str());
    }
}

// Reads one setting; a missing or mistyped key takes its default.
SettingValue ReadValue(const ScreenSaverDefaults& store, const SettingRow& row) {
    SettingValue v = DefaultValue(row);
    switch (row.kind) {
        case SettingKind::kSwitch:
            v.number = store.BoolForKey(row.keys[0], v.number != 0);
            break;
        case SettingKind::kNumber:
        case SettingKind::kChoice:
            v.number = store.IntegerForKey(row.keys[0], v.number);
            break;
        case SettingKind::kColour:
            for (int i = 0; i < 3; ++i) v.rgb[i] = store.FloatForKey(row.keys[i], v.rgb[i]);
            break;
        case SettingKind::kFolder: {
            const char kNoPath[] = "\x01";  // not a folder: stands for a missing or mistyped key
            std::string stored = store.StringForKey(row.keys[0], kNoPath);
            if (stored != kNoPath) v.text = StoredToPath(stored);
            break;
        }
    }
    Sanitise(row, &v);
    return v;
}

void StoreValue(ScreenSaverDefaults* store, const SettingRow& row, const SettingValue& v) {
    switch (row.kind) {
        case SettingKind::kSwitch:
            store->SetBool(row.keys[0], v.number != 0);
            break;
        case SettingKind::kNumber:
        case SettingKind::kChoice:
            store->SetInteger(row.keys[0], v.number);
            break;
        case SettingKind::kColour:
            for (int i = 0; i < 3; ++i) store->SetFloat(row.keys[i], v.rgb[i]);
            break;
        case SettingKind::kFolder:
            store->SetString(row.keys[0], PathToStored(v.text));
            break;
    }
}

// Stores every setting of values, the folder whole as bgPath.
void StoreRecord(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath) {
    for (const SettingRow& row : StoredSettingRows()) {
        SettingValue v = row.get(values);
        if (row.kind == SettingKind::kFolder) v.text = bgPath;
        StoreValue(store, row, v);
    }
}

bool IsUnreservedPathByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr char kFileUri[] = "file://";

}  // namespace

std::string PathToStored(const std::string& path) {
    if (IsValidUtf8(path) && path.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return path;
    std::string out = kFileUri;
    for (unsigned char c : path) {
        if (IsUnreservedPathByte(c)) {
            out += static_cast<char>(c);
        } else {
            const char digits[] = "0123456789ABCDEF";
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string StoredToPath(const std::string& stored) {
    if (stored.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return stored;
    std::string out;
    for (size_t i = sizeof kFileUri - 1; i < stored.size(); ++i) {
        int high = i + 2 < stored.size() ? HexValue(stored[i + 1]) : -1;
        int low = i + 2 < stored.size() ? HexValue(stored[i + 2]) : -1;
        if (stored[i] == '%' && high >= 0 && low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}

bool StoreDefaults(ScreenSaverDefaults* store) {
    const StoredSettings defaults = DefaultStoredSettings();
    store->SetString("version", kPrefsVersion);
    StoreRecord(store, defaults, defaults.settings.BGPath);
    return store->Synchronize();
}

void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out, std::string* wholeFolder) {
    bool hasVersion = store->HasKey("version");
    std::string version = store->StringForKey("version");
    if (version != kPrefsVersion) {
        // The file of another version is kept before the defaults replace
        // it; a file that could not be read is left alone (and said so once).
        std::string kept;
        if (store->CanSave() && store->KeepCopy("old", &kept)) {
            if (!kept.empty())
                HostWarning("preferences file %s has %s%s%s; kept as %s, using the defaults",
                            store->Path().c_str(), hasVersion ? "version \"" : "no version",
                            hasVersion ? version.c_str() : "", hasVersion ? "\"" : "", kept.c_str());
            StoreDefaults(store);
        }
        *out = DefaultStoredSettings();
        if (wholeFolder != nullptr) *wholeFolder = out->settings.BGPath;
        return;
    }
    for (const SettingRow& row : StoredSettingRows()) {
        SettingValue v = ReadValue(*store, row);
        row.set(out, v);
        if (row.kind == SettingKind::kFolder && wholeFolder != nullptr) *wholeFolder = v.text;
    }
}

bool SaveSettings(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath) {
    StoreRecord(store, values, bgPath);
    return store->Synchronize();
}
