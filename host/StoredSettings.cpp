#include "host/StoredSettings.h"

#include <cinttypes>

#include "host/HostLog.h"

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
// then the record's fields.
void ReadStoredValues(const ScreenSaverDefaults& store, StoredSettings* out) {
    SETTINGS& s = out->settings;
    out->mainMonitorOnly = store.BoolForKey("MainMonitorOnly");
    s.SETNUMHEARTS = store.IntegerForKey("NumHearts");
    s.SETPICDELAY = store.IntegerForKey("PicDelay");
    s.TRANSPARENTHEARTS = store.BoolForKey("Transparent");
    s.RANDOMSHADES = store.BoolForKey("RandomShades");
    s.HEARTCOLLISIONS = store.BoolForKey("AllowCollisions");
    s.FITSCREEN = store.BoolForKey("FitScreen");
    s.SHOWCOUNTDOWN = store.BoolForKey("ShowCountdown");
    // Kept wide until clamped, so 4294967296 does not wrap to a valid 0.
    int64_t bgType = store.IntegerForKey("BGType");
    s.SetBGPath(store.StringForKey("BGPath").c_str());
    int64_t bgRes = store.IntegerForKey("BGRes");
    s.HCR = store.FloatForKey("HCR");
    s.HCG = store.FloatForKey("HCG");
    s.HCB = store.FloatForKey("HCB");
    s.BGCR = store.FloatForKey("BGCR");
    s.BGCG = store.FloatForKey("BGCG");
    s.BGCB = store.FloatForKey("BGCB");
    s.BGTYPE = static_cast<int32_t>(ClampInteger("BGType", bgType, 0, kMaxBGType));
    s.BGRES = static_cast<int32_t>(ClampInteger("BGRes", bgRes, 0, kMaxBGRes));
}

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
    store->SetString("BGPath", bgPath);
    store->SetInteger("BGRes", s.BGRES);
}

}  // namespace

void ClampSettings(SETTINGS* s) {
    s->SETNUMHEARTS = ClampInteger("NumHearts", s->SETNUMHEARTS, kMinNumHearts, kMaxNumHearts);
    s->SETPICDELAY = ClampInteger("PicDelay", s->SETPICDELAY, kMinPicDelay, kMaxPicDelay);
    s->BGTYPE = NarrowToInt32(ClampInteger("BGType", s->BGTYPE, 0, kMaxBGType));
    s->BGRES = NarrowToInt32(ClampInteger("BGRes", s->BGRES, 0, kMaxBGRes));
}

bool StoreDefaults(ScreenSaverDefaults* store) {
    const SETTINGS defaults;
    store->SetString("version", kPrefsVersion);
    store->SetBool("MainMonitorOnly", false);
    StoreRecord(store, defaults, defaults.BGPath);
    return store->Synchronize();
}

void LoadSettings(ScreenSaverDefaults* store, StoredSettings* out) {
    std::string version = store->StringForKey("version");
    ReadStoredValues(*store, out);
    if (version != kPrefsVersion) {
        StoreDefaults(store);
        *out = StoredSettings();
        return;
    }
    ClampSettings(&out->settings);
}

bool SaveSettings(ScreenSaverDefaults* store, const StoredSettings& values, const std::string& bgPath) {
    store->SetBool("MainMonitorOnly", values.mainMonitorOnly);
    StoreRecord(store, values.settings, bgPath);
    return store->Synchronize();
}
