// What the settings window's controls hold, and the rules between them and
// the settings record: showing the record, the defaults, which controls mean
// something for the chosen background, and the record a save makes. Plain
// data and functions; the GTK side copies the values of the settings table's
// rows in and out.
#pragma once

#include <string>

#include "host/prefs/SettingsOverrides.h"
#include "host/prefs/StoredSettings.h"

struct SheetValues {
    StoredSettings record;  // every setting as the controls show it
    std::string folder;     // the whole folder path (the record may hold it cut)
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

// The controls showing a record and the whole folder, each value brought
// into its row's range.
SheetValues ValuesFromRecord(const StoredSettings& record, const std::string& wholeFolder);

// The defaults, except the folder, which stays currentFolder.
SheetValues DefaultSheetValues(const std::string& currentFolder);

// The value of one row as the controls hold it (the folder whole), and
// putting one in.
SettingValue SheetValue(const SheetValues& values, const SettingRow& row);
void SetSheetValue(SheetValues* values, const SettingRow& row, const SettingValue& value);

// The heart colour means something only without random shades; the
// snapshot detail only for the snapshot; folder, fit and delay only for the
// slideshow; the background colour for the slideshow and the plain colour.
SheetEnabling EnablingRules(const SheetValues& values);

// Every value of the controls as settings for a preview view.
SettingsOverrides PreviewOverrides(const SheetValues& values);
