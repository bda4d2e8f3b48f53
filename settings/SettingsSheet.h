// The settings dialog's side of the stored preferences: the record it opens
// with and saving what the controls hold. Cancelling is doing nothing.
#pragma once

#include <sys/types.h>

#include <string>

#include "host/prefs/StoredSettings.h"
#include "settings/SheetValues.h"

// Tells whether a file was replaced or changed: a save elsewhere renames a
// new file over it, or writes it anew.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs;
    }
};
FileStamp StampOf(const std::string& path);

struct SettingsSheet {
    std::string prefsPath;
    StoredSettings record;    // as read when opened, then as last saved
    std::string storedPath;   // the folder whole, where the record may hold it cut
    std::string damagedCopy;  // where a damaged file was moved when opening, else empty
    FileStamp stamp;          // the file as read or last saved

    // Reads the preferences as a new view does (a first start stores the
    // defaults).
    void Open(const std::string& file);
    // The controls showing the record.
    SheetValues Shown() const { return ValuesFromRecord(record, storedPath); }
    // True when the file was changed on disk since it was read or saved
    // here (another window saved, or a hand edit).
    bool ChangedOnDisk() const { return !(StampOf(prefsPath) == stamp); }
    // Stores every value of the controls, the whole folder path, and keeps
    // the keys it does not know; the record takes the values at once. False
    // (store and record unchanged) when the file cannot be written.
    bool Save(const SheetValues& values);
};
