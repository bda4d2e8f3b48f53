#include "host/prefs/SettingsTable.h"

#include "base/Text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

// The class and type of a member pointer.
template <typename T>
struct MemberOf;
template <typename C, typename V>
struct MemberOf<V C::*> {
    using Class = C;
    using Value = V;
};

// The field a member pointer names, in the record or beside it.
template <auto M>
auto& Field(StoredSettings& s) {
    if constexpr (std::is_same_v<typename MemberOf<decltype(M)>::Class, SETTINGS>)
        return s.settings.*M;
    else
        return s.*M;
}

template <auto M>
SettingValue GetScalar(const StoredSettings& s) {
    SettingValue v;
    v.number = static_cast<int64_t>(Field<M>(const_cast<StoredSettings&>(s)));
    return v;
}

template <auto M>
void SetScalar(StoredSettings* s, const SettingValue& v) {
    using V = typename MemberOf<decltype(M)>::Value;
    if constexpr (std::is_same_v<V, bool>) {
        Field<M>(*s) = v.number != 0;
    } else {
        constexpr int64_t low = static_cast<int64_t>(std::numeric_limits<V>::min());
        constexpr int64_t high = static_cast<int64_t>(std::numeric_limits<V>::max());
        Field<M>(*s) = static_cast<V>(v.number < low ? low : (v.number > high ? high : v.number));
    }
}

template <float SETTINGS::*R, float SETTINGS::*G, float SETTINGS::*B>
SettingValue GetColour(const StoredSettings& s) {
    SettingValue v;
    v.rgb[0] = s.settings.*R;
    v.rgb[1] = s.settings.*G;
    v.rgb[2] = s.settings.*B;
    return v;
}

template <float SETTINGS::*R, float SETTINGS::*G, float SETTINGS::*B>
void SetColour(StoredSettings* s, const SettingValue& v) {
    s->settings.*R = v.rgb[0];
    s->settings.*G = v.rgb[1];
    s->settings.*B = v.rgb[2];
}

SettingValue GetFolder(const StoredSettings& s) {
    SettingValue v;
    v.text = s.settings.BGPath;
    return v;
}

void SetFolder(StoredSettings* s, const SettingValue& v) {
    s->settings.SetBGPath(v.text.c_str());
}

template <auto M>
SettingRow Switch(const char* key, const char* flag, const char* control, const char* label,
                  const char* help) {
    SettingRow r{SettingKind::kSwitch, {key, nullptr, nullptr}, flag, control, label, help};
    r.high = 1;
    r.get = GetScalar<M>;
    r.set = SetScalar<M>;
    return r;
}

template <auto M>
SettingRow Number(const char* key, const char* flag, const char* control, const char* label, const char* help,
                  int64_t low, int64_t high) {
    SettingRow r{SettingKind::kNumber, {key, nullptr, nullptr}, flag, control, label, help, low, high};
    r.get = GetScalar<M>;
    r.set = SetScalar<M>;
    return r;
}

template <auto M, size_t N>
SettingRow Choice(const char* key, const char* flag, const char* control, const char* label, const char* help,
                  const char* const (&items)[N], const char* const (&itemLabels)[N],
                  bool outsideMeansHighest) {
    SettingRow r{SettingKind::kChoice, {key, nullptr, nullptr}, flag, control, label, help, 0, N - 1};
    r.items = items;
    r.itemLabels = itemLabels;
    r.outsideMeansHighest = outsideMeansHighest;
    r.get = GetScalar<M>;
    r.set = SetScalar<M>;
    return r;
}

template <float SETTINGS::*R, float SETTINGS::*G, float SETTINGS::*B>
SettingRow Colour(const char* red, const char* green, const char* blue, const char* flag, const char* control,
                  const char* label, const char* help) {
    SettingRow r{SettingKind::kColour, {red, green, blue}, flag, control, label, help};
    r.get = GetColour<R, G, B>;
    r.set = SetColour<R, G, B>;
    return r;
}

SettingRow Folder(const char* key, const char* flag, const char* control, const char* label,
                  const char* help) {
    SettingRow r{SettingKind::kFolder, {key, nullptr, nullptr}, flag, control, label, help};
    r.get = GetFolder;
    r.set = SetFolder;
    return r;
}

// The item names are what -background and -detail take; their places are
// the values of BGType and BGRes.
const char* const kBackgroundItems[] = {"snapshot", "desktop", "folder", "colour"};
const char* const kBackgroundLabels[] = {"Background: snapshot of the screen", "Background: desktop picture",
                                         "Background: slideshow from a folder", "Background: plain colour"};
const char* const kDetailItems[] = {"low", "medium", "high"};
const char* const kDetailLabels[] = {"Snapshot detail: low", "Snapshot detail: medium",
                                     "Snapshot detail: high"};

const SettingRow kRows[] = {
    Switch<&StoredSettings::mainMonitorOnly>("MainMonitorOnly", "-main-monitor-only", "oMainMonitorOnly",
                                             "Draw on the main monitor only",
                                             "draw only on the main monitor (the others stay black)"),
    Number<&SETTINGS::SETNUMHEARTS>("NumHearts", "-hearts", "oNumHearts", "Number of hearts",
                                    "number of hearts (0: the archer flies alone)", 0, 1000),
    Number<&SETTINGS::SETPICDELAY>("PicDelay", "-picture-delay", "oPicDelay",
                                   "Seconds each slideshow picture stays",
                                   "seconds each slideshow picture stays", 1, 24 * 60 * 60),
    Switch<&SETTINGS::TRANSPARENTHEARTS>("Transparent", "-transparent", "oTransparent", "Transparent hearts",
                                         "draw the hearts see-through"),
    Switch<&SETTINGS::RANDOMSHADES>("RandomShades", "-random-shades", "oRandomShades", "Random shades",
                                    "a colour of its own for each heart"),
    Switch<&SETTINGS::HEARTCOLLISIONS>("AllowCollisions", "-collisions", "oAllowCollisions",
                                       "Hearts bounce off each other", "hearts bounce off one another"),
    Switch<&SETTINGS::FITSCREEN>("FitScreen", "-fit", "oFitScreen", "Fit slideshow pictures to the screen",
                                 "scale slideshow pictures to the screen"),
    Switch<&SETTINGS::SHOWCOUNTDOWN>("ShowCountdown", "-countdown", "oShowCountdown",
                                     "Show the countdown to Valentine's Day",
                                     "show the countdown to 14 February"),
    Choice<&SETTINGS::BGTYPE>("BGType", "-background", "oBGType", "Background",
                              "what is drawn behind the scene", kBackgroundItems, kBackgroundLabels, false),
    Folder("BGPath", "-folder", "oBGPath", "Slideshow folder", "folder of the slideshow pictures"),
    Choice<&SETTINGS::BGRES>("BGRes", "-detail", "oBGRes", "Snapshot detail", "detail of the screen snapshot",
                             kDetailItems, kDetailLabels, true),
    Colour<&SETTINGS::HCR, &SETTINGS::HCG, &SETTINGS::HCB>("HCR", "HCG", "HCB", "-heart-colour", "oHeartCol",
                                                           "Heart colour without random shades",
                                                           "colour of the hearts without random shades"),
    Colour<&SETTINGS::BGCR, &SETTINGS::BGCG, &SETTINGS::BGCB>(
        "BGCR", "BGCG", "BGCB", "-background-colour", "oBGCol", "Background colour",
        "colour behind the slideshow, or the plain background"),
    // The idle service's, not the scene's: XScreenSaver has its own.
    Number<&StoredSettings::idleMinutes>("IdleMinutes", "-idle-minutes", "oIdleMinutes", nullptr,
                                         "minutes without input before dovel -on-idle shows Dovel (0: never)",
                                         0, 24 * 60),
};

// "#RRGGBB" (the "#" may be left out: a shell line would read it as a
// comment) as components 0.0 to 1.0.
bool ParseColour(const std::string& text, float* rgb) {
    uint8_t bytes[3];
    if (!ParseHexBytes(text, bytes, 3)) return false;
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<float>(bytes[i]) / 255.0f;
    return true;
}

// A choice's item names: "a|b|c", or "a, b or c".
std::string Items(const SettingRow& row, const char* between, const char* beforeLast) {
    std::string out;
    for (int64_t i = 0; i <= row.high; ++i) {
        if (i > 0) out += i == row.high ? beforeLast : between;
        out += row.items[i];
    }
    return out;
}

std::string ValueName(const SettingRow& row) {
    switch (row.kind) {
        case SettingKind::kNumber:
            return "N";
        case SettingKind::kChoice:
            return Items(row, "|", "|");
        case SettingKind::kColour:
            return "#RRGGBB";
        case SettingKind::kFolder:
            return "DIR";
        case SettingKind::kSwitch:
            break;
    }
    return "";
}

// XML attribute text: the five characters XML reserves, escaped.
std::string XmlText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// "--hearts": XScreenSaver's settings write the two-dash form.
std::string LongFlag(const char* flag) {
    return std::string("-") + flag;
}

// The id of the row in dovel.xml: its flag without dashes.
std::string XmlId(const SettingRow& row) {
    std::string id;
    for (const char* p = row.flag; *p != '\0'; ++p)
        if (*p != '-') id += *p;
    return id;
}

std::string XmlElement(const SettingRow& row, const SettingValue& def) {
    const std::string id = XmlId(row), label = XmlText(row.label), flag = LongFlag(row.flag);
    std::string out = "      ";
    switch (row.kind) {
        case SettingKind::kSwitch:
            // At its default XScreenSaver passes nothing; the box passes the
            // flag that turns it away from the default.
            out += "<boolean id=\"" + id + "\" _label=\"" + label + "\" " +
                   (def.number != 0 ? "arg-unset=\"--no" + std::string(row.flag) : "arg-set=\"" + flag) +
                   "\"/>";
            break;
        case SettingKind::kNumber:
            out += "<number id=\"" + id + "\" type=\"spinbutton\" arg=\"" + flag +
                   " %\"\n              _label=\"" + label + "\" low=\"" + std::to_string(row.low) +
                   "\" high=\"" + std::to_string(row.high) + "\" default=\"" + std::to_string(def.number) +
                   "\"/>";
            break;
        case SettingKind::kChoice:
            // Every item carries its flag, the default's too: a command line
            // written by XScreenSaver's settings always names a setting.
            // The default item comes first, which is what XScreenSaver's
            // settings show for a command line without the flag.
            out += "<select id=\"" + id + "\">\n";
            for (int64_t n = -1; n <= row.high; ++n) {
                const int64_t i = n < 0 ? def.number : n;
                if (n >= 0 && n == def.number) continue;
                out += "        <option id=\"" + std::string(row.items[i]) + "\" _label=\"" +
                       XmlText(row.itemLabels[i]) + "\" arg-set=\"" + flag + " " + row.items[i] + "\"/>\n";
            }
            out += "      </select>";
            break;
        case SettingKind::kColour:
            out += "<string id=\"" + id + "\" _label=\"" + label + " (RRGGBB)\" arg=\"" + flag + " %\"/>";
            break;
        case SettingKind::kFolder:
            out += "<file id=\"" + id + "\" _label=\"" + label + "\" arg=\"" + flag + " %\"/>";
            break;
    }
    return out + "\n";
}

}  // namespace

SettingRows StoredSettingRows() {
    return SettingRows{kRows, sizeof kRows / sizeof kRows[0]};
}

const SettingRow* FindSettingByKey(const std::string& key) {
    for (const SettingRow& row : kRows)
        if (key == row.keys[0]) return &row;
    return nullptr;
}

const SettingRow* FindSettingByFlag(const std::string& flag) {
    for (const SettingRow& row : kRows)
        if (flag == row.flag) return &row;
    return nullptr;
}

StoredSettings DefaultStoredSettings() {
    StoredSettings defaults;
    DefaultPicturesFolder(defaults.settings.BGPath, kBGPathSize);
    return defaults;
}

SettingValue DefaultValue(const SettingRow& row) {
    if (row.kind == SettingKind::kFolder) return row.get(DefaultStoredSettings());
    return row.get(StoredSettings{});
}

bool BringIntoRange(const SettingRow& row, SettingValue* v) {
    const SettingValue before = *v;
    if (row.kind == SettingKind::kSwitch) {
        v->number = v->number != 0;
    } else if (row.kind == SettingKind::kNumber || row.kind == SettingKind::kChoice) {
        if (row.outsideMeansHighest && (v->number < row.low || v->number > row.high)) v->number = row.high;
        v->number = v->number < row.low ? row.low : (v->number > row.high ? row.high : v->number);
    } else if (row.kind == SettingKind::kColour) {
        const SettingValue def = DefaultValue(row);
        for (int i = 0; i < 3; ++i) {
            float& c = v->rgb[i];
            c = !std::isfinite(c) ? def.rgb[i] : (c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c));
        }
    }
    // A BGRes outside its items means the largest texture: not a fault.
    return *v != before && !row.outsideMeansHighest;
}

bool ParseSettingValue(const SettingRow& row, const std::string& text, SettingValue* out,
                       std::string* error) {
    std::string wants;
    switch (row.kind) {
        case SettingKind::kNumber:
            if (ParseInteger(text, row.low, row.high, &out->number)) return true;
            wants = "a whole number from " + std::to_string(row.low) + " to " + std::to_string(row.high);
            break;
        case SettingKind::kChoice: {
            const std::string name = text == "color" ? "colour" : text;
            for (int64_t i = 0; i <= row.high; ++i) {
                if (name != row.items[i]) continue;
                out->number = i;
                return true;
            }
            wants = Items(row, ", ", " or ");
            break;
        }
        case SettingKind::kColour:
            if (ParseColour(text, out->rgb)) return true;
            wants = "a colour #RRGGBB";
            break;
        case SettingKind::kFolder:
            out->text = text;
            if (!text.empty()) return true;
            wants = "a folder";
            break;
        case SettingKind::kSwitch:
            wants = "no value";
            break;
    }
    *error = std::string(row.flag) + " wants " + wants + ", not \"" + text + "\"";
    return false;
}

std::string FormatSettingValue(const SettingRow& row, const SettingValue& v) {
    switch (row.kind) {
        case SettingKind::kNumber:
            return std::to_string(v.number);
        case SettingKind::kChoice:
            return v.number >= 0 && v.number <= row.high ? row.items[v.number] : row.items[row.high];
        case SettingKind::kColour: {
            char hex[8];
            int parts[3];
            for (int i = 0; i < 3; ++i) {
                float c = std::isfinite(v.rgb[i]) ? v.rgb[i] : 0.0f;
                parts[i] = static_cast<int>(std::lround((c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c)) * 255.0f));
            }
            std::snprintf(hex, sizeof hex, "%02X%02X%02X", parts[0], parts[1], parts[2]);
            return hex;
        }
        case SettingKind::kFolder:
            return v.text;
        case SettingKind::kSwitch:
            break;
    }
    return "";
}

std::string SettingFlagsHelpText() {
    std::string text =
        "Settings for this run only (never saved). Without any of them the preferences file\n"
        "holds every setting; with any of them, those not given take their defaults:\n";
    for (const SettingRow& row : kRows) {
        std::string use = row.flag;
        if (row.kind == SettingKind::kSwitch)
            use += ", -no" + std::string(row.flag);
        else
            use += " " + ValueName(row);
        std::string help = row.help;
        if (row.kind == SettingKind::kNumber)
            help += ", " + std::to_string(row.low) + " to " + std::to_string(row.high);
        if (row.kind == SettingKind::kSwitch) help += ", or not";
        text += "  " + use +
                (use.size() < 36 ? std::string(36 - use.size(), ' ') : "\n" + std::string(38, ' ')) + help +
                "\n";
    }
    return text;
}

std::string XScreenSaverSettingsXml() {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- Made by dovel-xml from Dovel's table of settings; not edited by hand. -->\n\n"
        "<screensaver name=\"dovel\" _label=\"Dovel\" gl=\"yes\">\n\n"
        "  <command arg=\"--root\"/>\n\n"
        "  <hgroup>\n"
        "    <vgroup>\n";
    for (const SettingRow& row : kRows) {
        if (row.label == nullptr) continue;
        // The background settings go in a column of their own.
        if (std::strcmp(row.keys[0], "BGType") == 0) out += "    </vgroup>\n\n    <vgroup>\n";
        out += XmlElement(row, row.kind == SettingKind::kFolder ? SettingValue{} : DefaultValue(row));
    }
    out +=
        "      <boolean id=\"showfps\" _label=\"Show frame rate\" arg-set=\"--fps\"/>\n"
        "      <number id=\"maxfps\" type=\"spinbutton\" arg=\"--max-fps %\"\n"
        "              _label=\"Frames per second at most (0: 30 on a software renderer, else 60)\"\n"
        "              low=\"0\" high=\"60\" default=\"0\"/>\n"
        "    </vgroup>\n"
        "  </hgroup>\n\n"
        "  <_description>\n"
        "A winged archer flies among floating 3D hearts and now and then looses an\n"
        "arrow that bursts one of them. Behind the scene: a snapshot of the screen,\n"
        "the desktop picture, a slideshow of your own pictures or a plain colour.\n\n"
        "What these settings show is what runs: a setting left at its default (or\n"
        "empty) takes Dovel's default. Only a bare \"dovel --root\" reads Dovel's own\n"
        "preferences, which dovel-settings edits.\n"
        "  </_description>\n"
        "</screensaver>\n";
    return out;
}
