#include "settings/SheetValues.h"

namespace {

int32_t IntoRange(int64_t value, int32_t low, int32_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return static_cast<int32_t>(value);
}

}  // namespace

SheetValues ValuesFromRecord(const StoredSettings& record, const std::string& wholePath) {
    const SETTINGS& s = record.settings;
    SheetValues v;
    v.mainMonitorOnly = record.mainMonitorOnly;
    v.numHearts = IntoRange(s.SETNUMHEARTS, kSheetMinHearts, kSheetMaxHearts);
    v.picDelay = IntoRange(s.SETPICDELAY, kSheetMinPicDelay, kSheetMaxPicDelay);
    v.collisions = s.HEARTCOLLISIONS;
    v.randomShades = s.RANDOMSHADES;
    v.transparent = s.TRANSPARENTHEARTS;
    v.fitScreen = s.FITSCREEN;
    v.showCountdown = s.SHOWCOUNTDOWN;
    v.bgType = IntoRange(s.BGTYPE, 0, kMaxBGType);
    v.bgRes = IntoRange(s.BGRES, 0, kMaxBGRes);
    v.bgPath = wholePath;
    v.heartColour = SheetColour{s.HCR, s.HCG, s.HCB};
    v.bgColour = SheetColour{s.BGCR, s.BGCG, s.BGCB};
    return v;
}

SheetValues DefaultSheetValues(const std::string& currentPath) {
    StoredSettings defaults;
    return ValuesFromRecord(defaults, currentPath);
}

SheetEnabling EnablingRules(const SheetValues& v) {
    SheetEnabling e;
    e.heartColour = !v.randomShades;
    e.bgRes = v.bgType == BG_SNAPSHOT;
    e.bgPath = v.bgType == BG_SLIDESHOW;
    e.fitScreen = v.bgType == BG_SLIDESHOW;
    e.picDelay = v.bgType == BG_SLIDESHOW;
    e.bgColour = v.bgType > BG_DESKTOP;
    return e;
}

StoredSettings RecordFromValues(const SheetValues& v) {
    StoredSettings record;
    SETTINGS& s = record.settings;
    record.mainMonitorOnly = v.mainMonitorOnly;
    s.SETNUMHEARTS = v.numHearts;
    s.SETPICDELAY = v.picDelay;
    s.HEARTCOLLISIONS = v.collisions;
    s.TRANSPARENTHEARTS = v.transparent;
    s.RANDOMSHADES = v.randomShades;
    s.FITSCREEN = v.fitScreen;
    s.SHOWCOUNTDOWN = v.showCountdown;
    s.BGTYPE = v.bgType;
    s.BGRES = v.bgRes;
    s.HCR = v.heartColour.r;
    s.HCG = v.heartColour.g;
    s.HCB = v.heartColour.b;
    s.BGCR = v.bgColour.r;
    s.BGCG = v.bgColour.g;
    s.BGCB = v.bgColour.b;
    s.SetBGPath(v.bgPath.c_str());
    return record;
}

SettingsOverrides PreviewOverrides(const SheetValues& v) {
    SettingsOverrides o;
    o.mainMonitorOnly = v.mainMonitorOnly;
    o.numHearts = v.numHearts;
    o.picDelay = v.picDelay;
    o.collisions = v.collisions;
    o.transparent = v.transparent;
    o.randomShades = v.randomShades;
    o.fitScreen = v.fitScreen;
    o.showCountdown = v.showCountdown;
    o.bgType = v.bgType;
    o.detail = v.bgRes;
    o.folder = v.bgPath;
    o.heartColour = SettingsOverrides::Colour{v.heartColour.r, v.heartColour.g, v.heartColour.b};
    o.bgColour = SettingsOverrides::Colour{v.bgColour.r, v.bgColour.g, v.bgColour.b};
    return o;
}
