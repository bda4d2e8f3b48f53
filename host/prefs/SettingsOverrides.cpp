#include "host/prefs/SettingsOverrides.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/Text.h"

namespace {

struct Switch {
    const char* flag;
    std::optional<bool> SettingsOverrides::*field;
    bool value;
};

const Switch kSwitches[] = {
    {"-fit", &SettingsOverrides::fitScreen, true},
    {"-no-fit", &SettingsOverrides::fitScreen, false},
    {"-countdown", &SettingsOverrides::showCountdown, true},
    {"-no-countdown", &SettingsOverrides::showCountdown, false},
    {"-collisions", &SettingsOverrides::collisions, true},
    {"-no-collisions", &SettingsOverrides::collisions, false},
    {"-transparent", &SettingsOverrides::transparent, true},
    {"-no-transparent", &SettingsOverrides::transparent, false},
    {"-random-shades", &SettingsOverrides::randomShades, true},
    {"-no-random-shades", &SettingsOverrides::randomShades, false},
    {"-main-monitor-only", &SettingsOverrides::mainMonitorOnly, true},
    {"-no-main-monitor-only", &SettingsOverrides::mainMonitorOnly, false},
};

const char* const kValueFlags[] = {"-hearts",       "-background",        "-folder", "-picture-delay",
                                   "-heart-colour", "-background-colour", "-detail"};

// The names of the background kinds and detail levels, at their values.
const char* const kBackgroundNames[] = {"snapshot", "desktop", "folder", "colour"};
const char* const kDetailNames[] = {"low", "medium", "high"};

bool ParseWhole(const std::string& text, int64_t low, int64_t high, int64_t* out) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if ((c < '0' || c > '9') && c != '-' && c != '+') return false;
    errno = 0;
    char* end = nullptr;
    long long value = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    *out = value;
    return true;
}

// "#RRGGBB" (the "#" may be left out: a shell line would read it as a
// comment) as components 0.0 to 1.0.
bool ParseColour(const std::string& text, SettingsOverrides::Colour* out) {
    uint8_t rgb[3];
    if (!ParseHexBytes(text, rgb, 3)) return false;
    *out = SettingsOverrides::Colour{rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f};
    return true;
}

// The index of text in names (also "color" for "colour"), or -1.
template <size_t N>
int32_t IndexOfName(const std::string& text, const char* const (&names)[N]) {
    std::string name = text == "color" ? "colour" : text;
    for (size_t i = 0; i < N; ++i)
        if (name == names[i]) return static_cast<int32_t>(i);
    return -1;
}

bool Fail(std::string* error, const std::string& flag, const char* wants, const std::string& value) {
    *error = flag + " wants " + wants + ", not \"" + value + "\"";
    return false;
}

}  // namespace

void SettingsOverrides::ApplyTo(StoredSettings* stored) const {
    SETTINGS& s = stored->settings;
    if (numHearts) s.SETNUMHEARTS = *numHearts;
    if (bgType) s.BGTYPE = *bgType;
    if (folder) s.SetBGPath(folder->c_str());
    if (picDelay) s.SETPICDELAY = *picDelay;
    if (fitScreen) s.FITSCREEN = *fitScreen;
    if (showCountdown) s.SHOWCOUNTDOWN = *showCountdown;
    if (collisions) s.HEARTCOLLISIONS = *collisions;
    if (transparent) s.TRANSPARENTHEARTS = *transparent;
    if (randomShades) s.RANDOMSHADES = *randomShades;
    if (heartColour) {
        s.HCR = heartColour->r;
        s.HCG = heartColour->g;
        s.HCB = heartColour->b;
    }
    if (bgColour) {
        s.BGCR = bgColour->r;
        s.BGCG = bgColour->g;
        s.BGCB = bgColour->b;
    }
    if (detail) s.BGRES = *detail;
    if (mainMonitorOnly) stored->mainMonitorOnly = *mainMonitorOnly;
}

OverrideFlag OverrideFlagKind(const std::string& flag) {
    for (const Switch& s : kSwitches)
        if (flag == s.flag) return OverrideFlag::kSwitch;
    for (const char* name : kValueFlags)
        if (flag == name) return OverrideFlag::kNeedsValue;
    return OverrideFlag::kNotOurs;
}

bool TakeOverrideSwitch(const std::string& flag, SettingsOverrides* out) {
    for (const Switch& s : kSwitches) {
        if (flag != s.flag) continue;
        out->*(s.field) = s.value;
        return true;
    }
    return false;
}

bool TakeOverrideValue(const std::string& flag, const std::string& value, SettingsOverrides* out,
                       std::string* error) {
    int64_t n = 0;
    if (flag == "-hearts") {
        if (!ParseWhole(value, kMinNumHearts, kMaxNumHearts, &n))
            return Fail(error, flag, "0 to 1000", value);
        out->numHearts = n;
    } else if (flag == "-picture-delay") {
        if (!ParseWhole(value, kMinPicDelay, kMaxPicDelay, &n))
            return Fail(error, flag, "seconds, 1 to 86400", value);
        out->picDelay = n;
    } else if (flag == "-background") {
        int32_t kind = IndexOfName(value, kBackgroundNames);
        if (kind < 0) return Fail(error, flag, "snapshot, desktop, folder or colour", value);
        out->bgType = kind;
    } else if (flag == "-detail") {
        int32_t level = IndexOfName(value, kDetailNames);
        if (level < 0) return Fail(error, flag, "low, medium or high", value);
        out->detail = level;
    } else if (flag == "-heart-colour" || flag == "-background-colour") {
        SettingsOverrides::Colour colour;
        if (!ParseColour(value, &colour)) return Fail(error, flag, "a colour #RRGGBB", value);
        (flag == "-heart-colour" ? out->heartColour : out->bgColour) = colour;
    } else if (flag == "-folder") {
        if (value.empty()) return Fail(error, flag, "a folder", value);
        out->folder = value;
    } else {
        *error = "unknown flag \"" + flag + "\"";
        return false;
    }
    return true;
}

const char* SettingsOverridesHelpText() {
    return "Settings for this run only (they win over the preferences file and are never saved):\n"
           "  -hearts N                  number of hearts, 0 to 1000 (0: the archer flies alone)\n"
           "  -background KIND           snapshot, desktop, folder or colour\n"
           "  -folder DIR                folder of the slideshow pictures\n"
           "  -picture-delay S           seconds each slideshow picture stays, 1 to 86400\n"
           "  -fit, -no-fit              scale slideshow pictures to the screen, or not\n"
           "  -countdown, -no-countdown  show the countdown to 14 February, or not\n"
           "  -collisions, -no-collisions        hearts bounce off one another, or not\n"
           "  -transparent, -no-transparent      draw the hearts see-through, or not\n"
           "  -random-shades, -no-random-shades  a colour of its own for each heart, or not\n"
           "  -heart-colour #RRGGBB      colour of the hearts when not in random shades\n"
           "  -background-colour #RRGGBB colour behind the slideshow, or the plain background\n"
           "  -detail LEVEL              detail of the screen snapshot: low, medium or high\n"
           "  -main-monitor-only, -no-main-monitor-only  draw only on the main monitor, or on all\n";
}
