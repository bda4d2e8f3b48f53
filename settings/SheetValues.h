// What the settings dialog's thirteen controls hold, and the rules between
// them and the settings record: showing the record, the defaults, which
// controls mean something for the chosen background, and the record a save
// makes. Plain data and functions; the GTK side only copies values in and out.
#pragma once

#include <cstdint>
#include <string>

#include "host/prefs/SettingsOverrides.h"
#include "host/prefs/StoredSettings.h"

// The ranges of the two number controls.
constexpr int32_t kSheetMinHearts = 1;
constexpr int32_t kSheetMaxHearts = 1000;
constexpr int32_t kSheetMinPicDelay = 1;
constexpr int32_t kSheetMaxPicDelay = 3600;

struct SheetColour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

struct SheetValues {
    bool mainMonitorOnly = false;
    int32_t numHearts = 200;
    int32_t picDelay = 20;
    bool collisions = true;
    bool randomShades = true;
    bool transparent = false;
    bool fitScreen = true;
    bool showCountdown = true;
    int32_t bgType = BG_SNAPSHOT;  // item of the background list
    int32_t bgRes = 1;             // item of the detail list
    std::string bgPath;            // the whole folder path, as stored
    SheetColour heartColour;
    SheetColour bgColour;
};

// Which controls are enabled.
struct SheetEnabling {
    bool heartColour = false;
    bool bgRes = false;
    bool bgPath = false;
    bool fitScreen = false;
    bool picDelay = false;
    bool bgColour = false;
};

// The controls showing a record; wholePath is the folder as stored (the
// record may hold it cut). Numbers outside the controls' ranges are brought
// into them.
SheetValues ValuesFromRecord(const StoredSettings& record, const std::string& wholePath);

// The defaults, except the folder, which stays currentPath.
SheetValues DefaultSheetValues(const std::string& currentPath);

// The heart colour means something only without random shades; the
// snapshot detail only for the snapshot; folder, fit and delay only for the
// slideshow; the background colour for the slideshow and the plain colour.
SheetEnabling EnablingRules(const SheetValues& values);

// The record with every field taken from the controls, the folder cut to
// the record's length.
StoredSettings RecordFromValues(const SheetValues& values);

// Every value of the controls as settings for a preview view.
SettingsOverrides PreviewOverrides(const SheetValues& values);
