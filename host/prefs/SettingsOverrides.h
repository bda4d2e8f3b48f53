// Settings given on dovel's command line (XScreenSaver's settings pass them
// this way), one flag per row of the settings table. They are for this run
// only and are never written back to the preferences file.
//
// A command line that gives any of XScreenSaver's settings says every one of
// them: those it leaves out take their defaults, not the stored values.
// XScreenSaver's settings pass no flag for a value at its default and show
// that default, so what they show is what runs; a bare command line uses
// the preferences file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/prefs/StoredSettings.h"

struct SettingsOverrides {
    // The settings given, in the order given (a later one wins).
    std::vector<std::pair<const SettingRow*, SettingValue>> given;

    bool Empty() const { return given.empty(); }
    void Give(const SettingRow& row, const SettingValue& value) { given.emplace_back(&row, value); }
    // With any of XScreenSaver's settings given (a row with a label), all of
    // those take their defaults first; then the given values go over *stored
    // (the folder cut to the record's length). Without any, *stored stays as
    // it is.
    void ApplyTo(StoredSettings* stored) const;
};

enum class OverrideFlag { kNotOurs, kSwitch, kNeedsValue };

// What kind of flag (one dash, already stripped of a second one) this is.
OverrideFlag OverrideFlagKind(const std::string& flag);

// Takes a switch such as -no-fit; false for a flag that is not one.
bool TakeOverrideSwitch(const std::string& flag, SettingsOverrides* out);

// Takes a flag with its value; false with *error naming the flag and what it
// wants when the value is unusable.
bool TakeOverrideValue(const std::string& flag, const std::string& value, SettingsOverrides* out,
                       std::string* error);
