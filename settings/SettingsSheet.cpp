#include "settings/SettingsSheet.h"

#include <sys/stat.h>

FileStamp StampOf(const std::string& path) {
    FileStamp s;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

void SettingsSheet::Open(const std::string& file) {
    prefsPath = file;
    ScreenSaverDefaults store(prefsPath);
    damagedCopy = store.MovedAsidePath();
    // The folder is decoded as stored (or the default when none is): the
    // window saves it encoded again, so an untouched folder stays the same.
    LoadSettings(&store, &record, &storedPath);
    stamp = StampOf(prefsPath);
}

bool SettingsSheet::Save(const SheetValues& values) {
    ScreenSaverDefaults store(prefsPath);
    // A file that lost its version (removed, or moved aside as damaged since
    // the dialog opened) would make the next view throw these values away
    // for the defaults.
    if (store.StringForKey("version") != kPrefsVersion) store.SetString("version", kPrefsVersion);
    if (!SaveSettings(&store, values.record, values.folder)) return false;
    record = values.record;
    record.settings.SetBGPath(values.folder.c_str());
    storedPath = values.folder;
    stamp = StampOf(prefsPath);
    return true;
}
