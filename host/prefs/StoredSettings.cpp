#include "host/prefs/StoredSettings.h"

#include <cstdio>
#include <vector>

#include "base/HostLog.h"
#include "base/Text.h"

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

constexpr char kFileUri[] = "file://";

}  // namespace

std::string PathToStored(const std::string& path) {
    if (IsValidUtf8(path) && path.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return path;
    return kFileUri + PercentEncode(path, "/");
}

std::string StoredToPath(const std::string& stored) {
    if (stored.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return stored;
    // Escapes that are not ones (a hand-edited "%zz") stand as written.
    std::string path;
    PercentDecode(stored.substr(sizeof kFileUri - 1), &path);
    return path;
}

bool StoreDefaults(ScreenSaverDefaults* store) {
    const StoredSettings defaults = DefaultStoredSettings();
    store->SetString("version", kPrefsVersion);
    StoreRecord(store, defaults, defaults.settings.BGPath);
    return store->Synchronize();
}

void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out, std::string* wholeFolder) {
    // Another view starting at the same moment (one process per monitor)
    // or a save from the settings window waits until this one has read, and
    // reset when it must; it then reads what this one wrote.
    store->Lock();
    store->Read();
    bool hasVersion = store->HasKey("version");
    std::string version = store->StringForKey("version");
    if (version != kPrefsVersion) {
        // The file of another version is kept before the defaults replace
        // it; a file that cannot be replaced is left alone, uncopied.
        std::string kept, why;
        const std::string has = hasVersion ? "version \"" + version + "\"" : "no version";
        if (!store->CanReplace(&why)) {
            if (store->CanSave())
                HostWarning("preferences file %s has %s and is not replaced, %s; using the defaults",
                            store->Path().c_str(), has.c_str(), why.c_str());
        } else if (store->KeepCopy("old", &kept)) {
            if (!kept.empty())
                HostWarning("preferences file %s has %s; kept as %s, using the defaults",
                            store->Path().c_str(), has.c_str(), kept.c_str());
            StoreDefaults(store);
        }
        store->Unlock();
        *out = DefaultStoredSettings();
        if (wholeFolder != nullptr) *wholeFolder = out->settings.BGPath;
        return;
    }
    store->Unlock();
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

bool CheckPreferencesFile(const std::string& path, std::string* error) {
    // Every key Dovel stores: a file holding none of them is not Dovel's.
    std::vector<const char*> keys = {"version"};
    for (const SettingRow& row : StoredSettingRows())
        for (const char* key : row.keys)
            if (key != nullptr) keys.push_back(key);
    std::string why;
    if (ScreenSaverDefaults::HoldsAnyKey(path, keys, &why)) return true;
    *error = "preferences file " + path + " is not Dovel's (" + why + "); it is left as it is";
    return false;
}
