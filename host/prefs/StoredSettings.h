// The stored preferences of module qvDovelSS and the settings record: reading
// them when a view is created, storing the defaults, and saving as the
// configuration sheet does.
#pragma once

#include <cstdint>
#include <string>

#include "host/prefs/ScreenSaverDefaults.h"
#include "scene/Settings.h"

constexpr char kModuleName[] = "qvDovelSS";
// The only version of the stored defaults that is accepted as it stands.
constexpr char kPrefsVersion[] = "1.1";

// Bounds applied to stored values when they are read; values outside would
// crash or hang the scene. The sheet's controls use the same ranges.
constexpr int64_t kMinNumHearts = 0;  // the archer flies alone
constexpr int64_t kMaxNumHearts = 1000;
constexpr int64_t kMinPicDelay = 1;
constexpr int64_t kMaxPicDelay = 24 * 60 * 60;
constexpr int32_t kMaxBGType = 3;
constexpr int32_t kMaxBGRes = 2;  // any other value also means the largest texture

// The record and the one value the view keeps for itself.
struct StoredSettings {
    SETTINGS settings;
    bool mainMonitorOnly = false;
};

// Fills *out from the store, holding its lock throughout. When the stored
// version is missing or is not "1.1", keeps a copy of the old file beside it
// (path.old, -1, ...; once per file), stores the defaults (version first),
// flushes the store and uses them; when the file cannot be replaced, or no
// copy can be kept, it is left alone (uncopied) and only the record gets the
// defaults. Otherwise uses the values as read, PicDelay included: a key that
// is missing or of another type takes its default, a value outside its
// bounds is brought in with a warning on standard error, and the store is
// not changed.
void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out);

// The defaults of the record (BGPath the user's pictures folder) and of
// MainMonitorOnly.
StoredSettings DefaultStoredSettings();

// BGPath as stored: the path itself when it is UTF-8, else a file URI
// ("file://" and the path with its bytes percent-escaped), which a TOML file
// can hold. StoredToPath turns either form back into the same bytes.
std::string PathToStored(const std::string& path);
std::string StoredToPath(const std::string& stored);

// Stores the defaults of every key, version first, and flushes the store.
bool StoreDefaults(ScreenSaverDefaults* store);

// Saves as the configuration sheet does: MainMonitorOnly, then every field
// of the record except BGPath, then bgPath as given (the whole path, which
// the record may hold cut), then BGRes; flushes. The version is not written.
bool SaveSettings(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath);

// False, with one line in *error, when the file at path is there but is not
// Dovel's: neither blank nor a TOML file holding any of Dovel's keys. Such a
// file (a mistyped `-prefs`) is never used, moved or rewritten.
bool CheckPreferencesFile(const std::string& path, std::string* error);

// Brings every field that would crash or hang the scene into its bounds,
// warning on standard error about each one changed; a BGRes outside 0..2
// becomes 2 (the largest texture) without a warning. A colour component
// outside 0..1 takes the nearest bound, and one that is not a number (nan,
// inf) its default, with the same warning.
void ClampSettings(SETTINGS* settings);
