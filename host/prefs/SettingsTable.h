// Every stored setting of module qvDovelSS, declared once: its stored key or
// keys, its kind, the range a stored value or a flag may take, its flag, its
// control in DovelSS.ui, its help line and its label in XScreenSaver's
// settings. The store's reading and writing, the flags of dovel, the
// settings window and dovel.xml all walk this table; a setting is one row
// (plus its control in DovelSS.ui).
//
// The defaults are the default-constructed record's (StoredSettings{}); the
// folder's is the user's pictures folder, looked up when asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/Settings.h"

// The record and the one value the view keeps for itself.
struct StoredSettings {
    SETTINGS settings;
    bool mainMonitorOnly = false;
    // Minutes without input before the idle service (dovel -on-idle) shows
    // Dovel; 0 turns the service off.
    int64_t idleMinutes = 10;
};

enum class SettingKind {
    kSwitch,  // bool key; flags -NAME and -no-NAME; a check box
    kNumber,  // integer key within [low, high]; flag -NAME N; a spin button
    kChoice,  // integer key, an item of items; flag -NAME ITEM; a drop-down list
    kColour,  // three float keys 0..1 (red, green, blue); flag -NAME RRGGBB; a colour button
    kFolder,  // string key, a folder path; flag -NAME DIR; a button naming the folder
};

// One value of a setting, whatever its kind.
struct SettingValue {
    int64_t number = 0;  // a switch (0 or 1), a number, a choice's item
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    std::string text;  // a folder, whole

    bool operator==(const SettingValue& other) const {
        return number == other.number && rgb[0] == other.rgb[0] && rgb[1] == other.rgb[1] &&
               rgb[2] == other.rgb[2] && text == other.text;
    }
    bool operator!=(const SettingValue& other) const { return !(*this == other); }
};

struct SettingRow {
    SettingKind kind;
    const char* keys[3];  // the stored key; a colour's red, green and blue keys
    const char* flag;     // "-hearts"; a switch also takes "-no-hearts"
    const char* control;  // the id of its control in DovelSS.ui
    const char* label;    // what XScreenSaver's settings call it (dovel.xml; its id is the flag
                          // without dashes); null: not one of XScreenSaver's settings
    const char* help;     // the flag's help line
    int64_t low = 0;      // a number's range; a choice's items are 0..high
    int64_t high = 0;
    const char* const* items = nullptr;       // a choice's item names (as the flag takes them)
    const char* const* itemLabels = nullptr;  // and their labels
    // A stored number outside the range means the highest, without a
    // warning (any detail above the list is the largest texture).
    bool outsideMeansHighest = false;
    SettingValue (*get)(const StoredSettings&) = nullptr;
    void (*set)(StoredSettings*, const SettingValue&) = nullptr;
};

// The rows, in the order the keys are read and stored.
struct SettingRows {
    const SettingRow* first;
    size_t count;
    const SettingRow* begin() const { return first; }
    const SettingRow* end() const { return first + count; }
    size_t size() const { return count; }
    const SettingRow& operator[](size_t i) const { return first[i]; }
};
SettingRows StoredSettingRows();

// The row whose (first) key or flag is name, or null.
const SettingRow* FindSettingByKey(const std::string& key);
const SettingRow* FindSettingByFlag(const std::string& flag);

// The defaults of the record (BGPath the user's pictures folder) and of
// MainMonitorOnly.
StoredSettings DefaultStoredSettings();
// The default of one setting; a folder's is the user's pictures folder.
SettingValue DefaultValue(const SettingRow& row);

// The value brought into the row's range: a number or choice clamped (or,
// outsideMeansHighest, the highest), a colour component that is not a
// number of 0..1 taken from the default or clamped. True when it changed.
bool BringIntoRange(const SettingRow& row, SettingValue* value);

// Parses a flag's value (the number, the item name, "RRGGBB" or "#RRGGBB",
// the folder); false with *error saying what the flag wants.
bool ParseSettingValue(const SettingRow& row, const std::string& text, SettingValue* out, std::string* error);
// The value as its flag takes it (the inverse of ParseSettingValue).
std::string FormatSettingValue(const SettingRow& row, const SettingValue& value);

// The help lines of every setting flag.
std::string SettingFlagsHelpText();

// XScreenSaver's description of Dovel's settings (dovel.xml).
std::string XScreenSaverSettingsXml();
