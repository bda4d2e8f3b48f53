// The stored preferences of module qvDovelSS and the settings record: reading
// them when a view is created, storing the defaults, and saving as the
// configuration sheet does.
#pragma once

#include <cstdint>
#include <string>

#include "host/prefs/ScreenSaverDefaults.h"
#include "host/prefs/SettingsTable.h"

constexpr char kModuleName[] = "qvDovelSS";
// The only version of the stored defaults that is accepted as it stands.
constexpr char kPrefsVersion[] = "1.1";

// Fills *out from the store, holding its lock while it reads. When the
// stored version is missing or is not "1.1", keeps a copy of the old file
// beside it (path.old, -1, ...; once per file), stores the defaults (version
// first), flushes the store and uses them; when the file cannot be replaced,
// or no copy can be kept, it is left alone (uncopied) and only the record
// gets the defaults. Otherwise uses the values as read, PicDelay included: a key that
// is missing or of another type takes its default, a value outside its
// bounds is brought in with a warning on standard error, and the store is
// not changed. A non-finite colour takes its default with the same warning.
// *wholeFolder, when given, gets the folder whole (the record may hold it
// cut): the stored one decoded, or the default when none is stored.
void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out, std::string* wholeFolder = nullptr);

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
