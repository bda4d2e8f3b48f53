#include "host/prefs/StoredSettings.h"

#include <cinttypes>

#include "base/HostLog.h"

namespace {

int64_t ClampInteger(const char* key, int64_t value, int64_t low, int64_t high) {
    int64_t sane = value < low ? low : (value > high ? high : value);
    if (sane != value)
        HostWarning("preference %s = %" PRId64 " is outside %" PRId64 "..%" PRId64 "; using %" PRId64, key,
                    value, low, high, sane);
    return sane;
}

int32_t NarrowToInt32(int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

// Reads the keys in the order the record is described: MainMonitorOnly,
// then the record's fields. A missing or mistyped key takes its default.
void ReadStoredValues(const ScreenSaverDefaults& store, StoredSettings* out) {
    const SETTINGS d;
    SETTINGS& s = out->settings;
    out->mainMonitorOnly = store.BoolForKey("MainMonitorOnly", false);
    s.SETNUMHEARTS = store.IntegerForKey("NumHearts", d.SETNUMHEARTS);
    s.SETPICDELAY = store.IntegerForKey("PicDelay", d.SETPICDELAY);
    s.TRANSPARENTHEARTS = store.BoolForKey("Transparent", d.TRANSPARENTHEARTS);
    s.RANDOMSHADES = store.BoolForKey("RandomShades", d.RANDOMSHADES);
    s.HEARTCOLLISIONS = store.BoolForKey("AllowCollisions", d.HEARTCOLLISIONS);
    s.FITSCREEN = store.BoolForKey("FitScreen", d.FITSCREEN);
    s.SHOWCOUNTDOWN = store.BoolForKey("ShowCountdown", d.SHOWCOUNTDOWN);
    // Kept wide until clamped, so 4294967296 does not wrap to a valid 0.
    int64_t bgType = store.IntegerForKey("BGType", d.BGTYPE);
    const char kNoPath[] = "\x01";  // not a folder: stands for a missing or mistyped key
    std::string bgPath = store.StringForKey("BGPath", kNoPath);
    if (bgPath == kNoPath)
        DefaultPicturesFolder(s.BGPath, kBGPathSize);
    else
        s.SetBGPath(StoredToPath(bgPath).c_str());
    int64_t bgRes = store.IntegerForKey("BGRes", d.BGRES);
    s.HCR = store.FloatForKey("HCR", d.HCR);
    s.HCG = store.FloatForKey("HCG", d.HCG);
    s.HCB = store.FloatForKey("HCB", d.HCB);
    s.BGCR = store.FloatForKey("BGCR", d.BGCR);
    s.BGCG = store.FloatForKey("BGCG", d.BGCG);
    s.BGCB = store.FloatForKey("BGCB", d.BGCB);
    s.BGTYPE = static_cast<int32_t>(ClampInteger("BGType", bgType, 0, kMaxBGType));
    s.BGRES = bgRes < 0 || bgRes > kMaxBGRes ? kMaxBGRes : static_cast<int32_t>(bgRes);
}

bool IsUnreservedPathByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr char kFileUri[] = "file://";

void StoreRecord(ScreenSaverDefaults* store, const SETTINGS& s, const std::string& bgPath) {
    store->SetInteger("NumHearts", s.SETNUMHEARTS);
    store->SetInteger("PicDelay", s.SETPICDELAY);
    store->SetBool("Transparent", s.TRANSPARENTHEARTS);
    store->SetBool("RandomShades", s.RANDOMSHADES);
    store->SetBool("AllowCollisions", s.HEARTCOLLISIONS);
    store->SetBool("FitScreen", s.FITSCREEN);
    store->SetBool("ShowCountdown", s.SHOWCOUNTDOWN);
    store->SetFloat("HCR", s.HCR);
    store->SetFloat("HCG", s.HCG);
    store->SetFloat("HCB", s.HCB);
    store->SetFloat("BGCR", s.BGCR);
    store->SetFloat("BGCG", s.BGCG);
    store->SetFloat("BGCB", s.BGCB);
    store->SetInteger("BGType", s.BGTYPE);
    store->SetString("BGPath", PathToStored(bgPath));
    store->SetInteger("BGRes", s.BGRES);
}

}  // namespace

std::string PathToStored(const std::string& path) {
    if (IsValidUtf8(path) && path.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return path;
    std::string out = kFileUri;
    for (unsigned char c : path) {
        if (IsUnreservedPathByte(c)) {
            out += static_cast<char>(c);
        } else {
            const char digits[] = "0123456789ABCDEF";
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string StoredToPath(const std::string& stored) {
    if (stored.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return stored;
    std::string out;
    for (size_t i = sizeof kFileUri - 1; i < stored.size(); ++i) {
        int high = i + 2 < stored.size() ? HexValue(stored[i + 1]) : -1;
        int low = i + 2 < stored.size() ? HexValue(stored[i + 2]) : -1;
        if (stored[i] == '%' && high >= 0 && low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}

void ClampSettings(SETTINGS* s) {
    s->SETNUMHEARTS = ClampInteger("NumHearts", s->SETNUMHEARTS, kMinNumHearts, kMaxNumHearts);
    s->SETPICDELAY = ClampInteger("PicDelay", s->SETPICDELAY, kMinPicDelay, kMaxPicDelay);
    s->BGTYPE = NarrowToInt32(ClampInteger("BGType", s->BGTYPE, 0, kMaxBGType));
    if (s->BGRES < 0 || s->BGRES > kMaxBGRes) s->BGRES = kMaxBGRes;
}

StoredSettings DefaultStoredSettings() {
    StoredSettings defaults;
    defaults.settings = DefaultSettings();
    return defaults;
}

bool StoreDefaults(ScreenSaverDefaults* store) {
    const StoredSettings defaults = DefaultStoredSettings();
    store->SetString("version", kPrefsVersion);
    store->SetBool("MainMonitorOnly", defaults.mainMonitorOnly);
    StoreRecord(store, defaults.settings, defaults.settings.BGPath);
    return store->Synchronize();
}

void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out) {
    bool hasVersion = store->HasKey("version");
    std::string version = store->StringForKey("version");
    if (version != kPrefsVersion) {
        // The file of another version is kept before the defaults replace
        // it; a file that could not be read is left alone (and said so once).
        std::string kept;
        if (store->CanSave() && store->KeepCopy("old", &kept)) {
            if (!kept.empty())
                HostWarning("preferences file %s has %s%s%s; kept as %s, using the defaults",
                            store->Path().c_str(), hasVersion ? "version \"" : "no version",
                            hasVersion ? version.c_str() : "", hasVersion ? "\"" : "", kept.c_str());
            StoreDefaults(store);
        }
        *out = DefaultStoredSettings();
        return;
    }
    ReadStoredValues(*store, out);
    ClampSettings(&out->settings);
}

bool SaveSettings(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath) {
    store->SetBool("MainMonitorOnly", values.mainMonitorOnly);
    StoreRecord(store, values.settings, bgPath);
    return store->Synchronize();
}
