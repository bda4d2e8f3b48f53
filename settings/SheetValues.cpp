#include "settings/SheetValues.h"

SheetValues ValuesFromRecord(const StoredSettings& record, const std::string& wholeFolder) {
    SheetValues v{record, wholeFolder};
    for (const SettingRow& row : StoredSettingRows()) {
        SettingValue value = row.get(record);
        BringIntoRange(row, &value);
        row.set(&v.record, value);
    }
    v.record.settings.SetBGPath(wholeFolder.c_str());
    return v;
}

SheetValues DefaultSheetValues(const std::string& currentFolder) {
    return ValuesFromRecord(StoredSettings{}, currentFolder);
}

SettingValue SheetValue(const SheetValues& values, const SettingRow& row) {
    SettingValue v = row.get(values.record);
    if (row.kind == SettingKind::kFolder) v.text = values.folder;
    return v;
}

void SetSheetValue(SheetValues* values, const SettingRow& row, const SettingValue& value) {
    row.set(&values->record, value);
    if (row.kind == SettingKind::kFolder) values->folder = value.text;
}

SheetEnabling EnablingRules(const SheetValues& values) {
    const SETTINGS& s = values.record.settings;
    SheetEnabling e;
    e.heartColour = !s.RANDOMSHADES;
    e.bgRes = s.BGTYPE == BG_SNAPSHOT;
    e.bgPath = s.BGTYPE == BG_SLIDESHOW;
    e.fitScreen = s.BGTYPE == BG_SLIDESHOW;
    e.picDelay = s.BGTYPE == BG_SLIDESHOW;
    e.bgColour = s.BGTYPE > BG_DESKTOP;
    return e;
}

SettingsOverrides PreviewOverrides(const SheetValues& values) {
    SettingsOverrides o;
    for (const SettingRow& row : StoredSettingRows()) o.Give(row, SheetValue(values, row));
    return o;
}
