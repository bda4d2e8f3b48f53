// The settings dialog's side of the stored preferences: the record it opens
// with and saving what the controls hold. Cancelling is doing nothing.
#pragma once

#include <string>

#include "host/prefs/StoredSettings.h"
#include "settings/SheetValues.h"

struct SettingsSheet {
    std::string prefsPath;
    StoredSettings record;   // as read when opened, then as last saved
    std::string storedPath;  // the folder as stored: whole, where the record may hold it cut

    // Reads the preferences as a new view does (a first start stores the
    // defaults).
    void Open(const std::string& file);
    // The controls showing the record.
    SheetValues Shown() const { return ValuesFromRecord(record, storedPath); }
    // Stores every value of the controls, the whole folder path, and keeps
    // the keys it does not know; the record takes the values at once. False
    // (store and record unchanged) when the file cannot be written.
    bool Save(const SheetValues& values);
};
