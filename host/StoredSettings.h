// The stored preferences of module qvDovelSS and the settings record: reading
// them when a view is created, storing the defaults, and saving as the
// configuration sheet does.
#pragma once

#include <cstdint>
#include <string>

#include "host/ScreenSaverDefaults.h"
#include "scene/Settings.h"

constexpr char kModuleName[] = "qvDovelSS";
// The only version of the stored defaults that is accepted as it stands.
constexpr char kPrefsVersion[] = "1.1";

// Bounds applied to stored values when they are read; values outside would
// crash or hang the scene. The sheet's controls use the same ranges.
constexpr int64_t kMinNumHearts = 1;  // the archer picks its target among the first NumHearts slots
constexpr int64_t kMaxNumHearts = 1000;
constexpr int64_t kMinPicDelay = 1;
constexpr int64_t kMaxPicDelay = 24 * 60 * 60;
constexpr int32_t kMaxBGType = 3;
constexpr int32_t kMaxBGRes = 2;

// The record and the one value the view keeps for itself.
struct StoredSettings {
    SETTINGS settings;
    bool mainMonitorOnly = false;
};

// Fills *out from the store. When the stored version is missing or is not
// "1.1", stores the defaults (version first), flushes the store and uses
// them. Otherwise uses the values as read, PicDelay included, each brought
// into its bounds with a warning on standard error; the store is not
// changed then.
void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out);

// Stores the defaults of every key, version first, and flushes the store.
bool StoreDefaults(ScreenSaverDefaults* store);

// Saves as the configuration sheet does: MainMonitorOnly, then every field
// of the record except BGPath, then bgPath as given (the whole path, which
// the record may hold cut), then BGRes; flushes. The version is not written.
bool SaveSettings(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath);

// Brings every field that would crash or hang the scene into its bounds,
// warning on standard error about each one changed.
void ClampSettings(SETTINGS* settings);
