#include "host/prefs/SettingsOverrides.h"

namespace {

// The switch row of -NAME or -no-NAME, with the value it sets.
const SettingRow* SwitchRow(const std::string& flag, bool* on) {
    const bool negated = flag.compare(0, 4, "-no-") == 0;
    const SettingRow* row = FindSettingByFlag(negated ? flag.substr(3) : flag);
    if (row == nullptr || row->kind != SettingKind::kSwitch) return nullptr;
    *on = !negated;
    return row;
}

}  // namespace

void SettingsOverrides::ApplyTo(StoredSettings* stored) const {
    // A command line giving any of XScreenSaver's settings says all of them:
    // those it leaves out take their defaults.
    bool saysAll = false;
    for (const auto& entry : given) saysAll = saysAll || entry.first->label != nullptr;
    if (saysAll) {
        const StoredSettings defaults = DefaultStoredSettings();
        for (const SettingRow& row : StoredSettingRows())
            if (row.label != nullptr) row.set(stored, row.get(defaults));
    }
    for (const auto& [row, value] : given) row->set(stored, value);
}

OverrideFlag OverrideFlagKind(const std::string& flag) {
    bool on = false;
    if (SwitchRow(flag, &on) != nullptr) return OverrideFlag::kSwitch;
    return FindSettingByFlag(flag) != nullptr ? OverrideFlag::kNeedsValue : OverrideFlag::kNotOurs;
}

bool TakeOverrideSwitch(const std::string& flag, SettingsOverrides* out) {
    bool on = false;
    const SettingRow* row = SwitchRow(flag, &on);
    if (row == nullptr) return false;
    SettingValue v;
    v.number = on;
    out->Give(*row, v);
    return true;
}

bool TakeOverrideValue(const std::string& flag, const std::string& value, SettingsOverrides* out,
                       std::string* error) {
    const SettingRow* row = FindSettingByFlag(flag);
    if (row == nullptr || row->kind == SettingKind::kSwitch) {
        *error = "unknown flag \"" + flag + "\"";
        return false;
    }
    SettingValue v;
    if (!ParseSettingValue(*row, value, &v, error)) return false;
    out->Give(*row, v);
    return true;
}
