// Settings given on dovel's command line (XScreenSaver's settings pass them
// this way): each one replaces the stored value for this run only and is
// never written back to the preferences file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/prefs/StoredSettings.h"

struct SettingsOverrides {
    struct Colour {
        float r = 0.0f;
        float g = 0.0f;
        float b = 0.0f;
    };

    std::optional<int64_t> numHearts;     // -hearts N
    std::optional<int32_t> bgType;        // -background snapshot|desktop|folder|colour
    std::optional<std::string> folder;    // -folder DIR
    std::optional<int64_t> picDelay;      // -picture-delay S
    std::optional<bool> fitScreen;        // -fit / -no-fit
    std::optional<bool> showCountdown;    // -countdown / -no-countdown
    std::optional<bool> collisions;       // -collisions / -no-collisions
    std::optional<bool> transparent;      // -transparent / -no-transparent
    std::optional<bool> randomShades;     // -random-shades / -no-random-shades
    std::optional<Colour> heartColour;    // -heart-colour #RRGGBB
    std::optional<Colour> bgColour;       // -background-colour #RRGGBB
    std::optional<int32_t> detail;        // -detail low|medium|high
    std::optional<bool> mainMonitorOnly;  // -main-monitor-only / -no-main-monitor-only

    // Puts every value given into *stored, over what the store held. The
    // folder is cut to the record's length.
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

// The help lines of these flags.
const char* SettingsOverridesHelpText();
