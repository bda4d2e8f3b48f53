#include "settings/SettingsSheet.h"

void SettingsSheet::Open(const std::string& file) {
    prefsPath = file;
    ScreenSaverDefaults store(prefsPath);
    LoadSettings(&store, &record);
    storedPath = store.StringForKey("BGPath");
}

bool SettingsSheet::Save(const SheetValues& values) {
    ScreenSaverDefaults store(prefsPath);
    // A file that lost its version (removed, or moved aside as damaged since
    // the dialog opened) would make the next view throw these values away
    // for the defaults.
    if (store.StringForKey("version") != kPrefsVersion) store.SetString("version", kPrefsVersion);
    StoredSettings saved = RecordFromValues(values);
    if (!SaveSettings(&store, saved, values.bgPath)) return false;
    record = saved;
    storedPath = values.bgPath;
    return true;
}
