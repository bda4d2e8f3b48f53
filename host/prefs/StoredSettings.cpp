#include "host/prefs/StoredSettings.h"

#include <cinttypes>
#include <cmath>
#include <iterator>
#include <vector>

#include "base/HostLog.h"
#include "base/Text.h"

namespace {

// Every key Dovel stores: a file holding none of them is not Dovel's.
const char* const kStoredKeys[] = {"version",
                                   "MainMonitorOnly",
                                   "NumHearts",
                                   "PicDelay",
                                   "Transparent",
                                   "RandomShades",
                                   "AllowCollisions",
                                   "FitScreen",
                                   "ShowCountdown",
                                   "BGType",
                                   "BGPath",
                                   "BGRes",
                                   "HCR",
                                   "HCG",
                                   "HCB",
                                   "BGCR",
                                   "BGCG",
                                   "BGCB"};

int64_t ClampInteger(const char* key, int64_t value, int64_t low, int64_t high) {
    int64_t sane = value < low ? low : (value > high ? high : value);
    if (sane != value)
        HostWarning("preference %s = %" PRId64 " is outside %" PRId64 "..%" PRId64 "; using %" PRId64, key,
                    value, low, high, sane);
    return sane;
}

// A colour component outside 0..1, or not a number at all (nan, inf),
// takes the nearest bound, or its default when it is not a number.
float ClampColour(const char* key, float value, float fallback) {
    float sane = !std::isfinite(value) ? fallback : value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
    if (sane != value)
        HostWarning("preference %s = %g is outside 0..1; using %g", key, static_cast<double>(value),
                    static_cast<double>(sane));
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
    return kFileUri + PercentEncode(path, "/");
}

std::string StoredToPath(const std::string& stored) {
    if (stored.compare(0, sizeof kFileUri - 1, kFileUri) != 0) return stored;
    // Escapes that are not ones (a hand-edited "%zz") stand as written.
    std::string path;
    PercentDecode(stored.substr(sizeof kFileUri - 1), &path);
    return path;
}

void ClampSettings(SETTINGS* s) {
    s->SETNUMHEARTS = ClampInteger("NumHearts", s->SETNUMHEARTS, kMinNumHearts, kMaxNumHearts);
    s->SETPICDELAY = ClampInteger("PicDelay", s->SETPICDELAY, kMinPicDelay, kMaxPicDelay);
    s->BGTYPE = NarrowToInt32(ClampInteger("BGType", s->BGTYPE, 0, kMaxBGType));
    if (s->BGRES < 0 || s->BGRES > kMaxBGRes) s->BGRES = kMaxBGRes;
    const SETTINGS d;
    s->HCR = ClampColour("HCR", s->HCR, d.HCR);
    s->HCG = ClampColour("HCG", s->HCG, d.HCG);
    s->HCB = ClampColour("HCB", s->HCB, d.HCB);
    s->BGCR = ClampColour("BGCR", s->BGCR, d.BGCR);
    s->BGCG = ClampColour("BGCG", s->BGCG, d.BGCG);
    s->BGCB = ClampColour("BGCB", s->BGCB, d.BGCB);
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
    // Another view starting at the same moment (one process per monitor)
    // or a save from the settings window waits until this one has read, and
    // reset when it must; it then reads what this one wrote.
    store->Lock();
    store->Read();
    bool hasVersion = store->HasKey("version");
    std::string version = store->StringForKey("version");
    if (version != kPrefsVersion) {
        // The file of another version is kept before the defaults replace
        // it; a file that cannot be replaced is left alone, uncopied.
        std::string kept, why;
        const std::string has = hasVersion ? "version \"" + version + "\"" : "no version";
        if (!store->CanReplace(&why)) {
            if (store->CanSave())
                HostWarning("preferences file %s has %s and is not replaced, %s; using the defaults",
                            store->Path().c_str(), has.c_str(), why.c_str());
        } else if (store->KeepCopy("old", &kept)) {
            if (!kept.empty())
                HostWarning("preferences file %s has %s; kept as %s, using the defaults",
                            store->Path().c_str(), has.c_str(), kept.c_str());
            StoreDefaults(store);
        }
        *out = DefaultStoredSettings();
        store->Unlock();
        return;
    }
    store->Unlock();
    ReadStoredValues(*store, out);
    ClampSettings(&out->settings);
}

bool CheckPreferencesFile(const std::string& path, std::string* error) {
    std::string why;
    if (ScreenSaverDefaults::HoldsAnyKey(
            path, std::vector<const char*>(std::begin(kStoredKeys), std::end(kStoredKeys)), &why))
        return true;
    *error = "preferences file " + path + " is not Dovel's (" + why + "); it is left as it is";
    return false;
}

bool SaveSettings(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath) {
    store->SetBool("MainMonitorOnly", values.mainMonitorOnly);
    StoreRecord(store, values.settings, bgPath);
    return store->Synchronize();
}
