// The table of settings walked through every place a setting lives: the
// preferences file (round trip, a missing key, values outside the range),
// dovel's flag, and dovel.xml with the command lines XScreenSaver's settings
// write from it. The settings window's ranges are walked in its own tests.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "host/view/DovelOptions.h"
#include "tests/host/HostTestSupport.h"

namespace {

// Every stored setting with the flag that gives it, its default as the flag
// writes it, and the range a stored value or a flag may take.
struct Expected {
    const char* key;
    const char* flag;
    const char* defaultText;
    int64_t low, high;
};
const Expected kExpected[] = {
    {"MainMonitorOnly", "-main-monitor-only", "", 0, 1},
    {"NumHearts", "-hearts", "200", 0, 1000},
    {"PicDelay", "-picture-delay", "20", 1, 86400},
    {"Transparent", "-transparent", "", 0, 1},
    {"RandomShades", "-random-shades", "", 0, 1},
    {"AllowCollisions", "-collisions", "", 0, 1},
    {"FitScreen", "-fit", "", 0, 1},
    {"ShowCountdown", "-countdown", "", 0, 1},
    {"BGType", "-background", "snapshot", 0, 3},
    {"BGPath", "-folder", "", 0, 0},
    {"BGRes", "-detail", "medium", 0, 2},
    {"HCR", "-heart-colour", "FF0000", 0, 0},
    {"BGCR", "-background-colour", "99CCFF", 0, 0},
    {"IdleMinutes", "-idle-minutes", "10", 0, 1440},
};
const char kDefaults[] = "0 200 20 0 1 1 1 1 0 /pictures/ 1 1,0,0 0.6,0.8,1 10";

// The defaults with the settings of args put over a record that differs from
// them in every setting (so a setting the command line does not set shows).
// A stored record that differs from the defaults in every one of
// XScreenSaver's settings (the idle time keeps its default).
StoredSettings Differing() {
    StoredSettings stored;
    for (const SettingRow& row : StoredSettingRows()) {
        if (row.label == nullptr) continue;
        SettingValue v = row.get(stored);
        v.number = v.number == row.high ? row.low : row.high;
        v.rgb[0] = 0.5f;
        v.text = "/stored/";
        row.set(&stored, v);
    }
    return stored;
}

std::string Applied(const std::vector<std::string>& args) {
    DovelOptions o;
    std::string error;
    EXPECT_EQ(ParseFlags(args, &o, &error), ParseResult::kRun) << error;
    StoredSettings stored = Differing();
    o.settings.ApplyTo(&stored);
    return Describe(stored);
}

// A value of the row other than its default.
SettingValue Sample(const SettingRow& row) {
    SettingValue v = DefaultValue(row);
    v.number = v.number == row.high ? row.low : row.high;
    v.rgb[0] = 51 / 255.0f;
    v.rgb[1] = 102 / 255.0f;
    v.rgb[2] = 204 / 255.0f;
    v.text = "/home/me/caf\xe9/";
    return v;
}

std::vector<std::string> FlagFor(const SettingRow& row, const SettingValue& v) {
    if (row.kind == SettingKind::kSwitch) return {v.number != 0 ? row.flag : "-no" + std::string(row.flag)};
    return {row.flag, FormatSettingValue(row, v)};
}

struct SettingsTableTest : ::testing::Test {
    ScratchFolder scratch;
    std::string file = scratch.File("qvDovelSS.toml");
    std::string pictures = getenv("XDG_PICTURES_DIR") != nullptr ? getenv("XDG_PICTURES_DIR") : "";
    void SetUp() override { setenv("XDG_PICTURES_DIR", "/pictures", 1); }
    void TearDown() override {
        pictures.empty() ? unsetenv("XDG_PICTURES_DIR") : setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    }
    StoredSettings Load(std::string* warnings) { return LoadStoredSettings(file, warnings); }
};

TEST_F(SettingsTableTest, EverySettingRoundTripsThroughTheStoreAndItsFlagAndBadValuesAreNamed) {
    const SettingRows rows = StoredSettingRows();
    ASSERT_EQ(rows.size(), std::size(kExpected));
    EXPECT_EQ(Describe(DefaultStoredSettings()), kDefaults);
    std::string warnings;
    for (size_t i = 0; i < rows.size(); ++i) {
        const SettingRow& row = rows[i];
        const Expected& want = kExpected[i];
        SCOPED_TRACE(want.key);
        EXPECT_STREQ(row.keys[0], want.key);
        EXPECT_STREQ(row.flag, want.flag);
        if (row.kind != SettingKind::kSwitch && row.kind != SettingKind::kFolder) {
            EXPECT_EQ(FormatSettingValue(row, DefaultValue(row)), want.defaultText);
        }
        if (row.kind == SettingKind::kNumber || row.kind == SettingKind::kChoice) {
            EXPECT_EQ(row.low, want.low);
            EXPECT_EQ(row.high, want.high);
        }

        // Saved and read back; every other setting keeps its default, and a
        // file without the key gives the default.
        StoredSettings values = DefaultStoredSettings();
        row.set(&values, Sample(row));
        const SettingValue sample = row.get(values);
        WriteFileText(file, "version = \"1.1\"\n");
        {
            ScreenSaverDefaults store(file);
            ASSERT_TRUE(SaveSettings(&store, values, values.settings.BGPath));
        }
        StoredSettings loaded = Load(&warnings);
        EXPECT_EQ(row.get(loaded), sample) << ReadFileText(file);
        EXPECT_EQ(Describe(loaded), Describe(values));
        EXPECT_EQ(warnings, "");
        WriteFileText(file, "version = \"1.1\"\n");
        EXPECT_EQ(Describe(Load(&warnings)), kDefaults);

        // The flag sets the value; one of XScreenSaver's says all of theirs,
        // the idle time's leaves the stored ones alone. A value it cannot
        // take is named.
        StoredSettings stored = Differing();
        row.set(&stored, sample);
        EXPECT_EQ(Applied(FlagFor(row, sample)), Describe(row.label != nullptr ? values : stored));
        std::vector<std::vector<std::string>> bad = {{row.flag}};
        if (row.kind == SettingKind::kSwitch) bad = {{std::string(row.flag) + "=yes"}};
        if (row.kind == SettingKind::kNumber)
            bad = {{row.flag, std::to_string(want.low - 1)},
                   {row.flag, std::to_string(want.high + 1)},
                   {row.flag, "2x"}};
        if (row.kind == SettingKind::kChoice) bad = {{row.flag, "plaid"}};
        if (row.kind == SettingKind::kColour) bad = {{row.flag, "#12345"}, {row.flag, "GG0000"}};
        if (row.kind == SettingKind::kFolder) bad = {{row.flag, ""}};
        for (const auto& args : bad) {
            DovelOptions o;
            std::string error;
            EXPECT_EQ(ParseFlags(args, &o, &error), ParseResult::kError) << args.back();
            EXPECT_NE(error.find(row.flag), std::string::npos) << error;
        }
        EXPECT_NE(std::string(DovelHelpText()).find(row.flag), std::string::npos);
    }
}

// A stored value outside its range is brought in with one warning naming
// the key; a detail outside the list means the largest texture, silently;
// a colour that is not a number (nan, inf), or a value of another type,
// takes its default; integers stand for floats.
TEST_F(SettingsTableTest, StoredValuesOutsideTheirRangeAreBroughtIn) {
    const struct {
        const char* lines;
        const char* record;
        const char* warned;
    } cases[] = {
        {"NumHearts = -1\nPicDelay = 0\nBGType = -1\nBGRes = -1\n",
         "0 0 1 0 1 1 1 1 0 /pictures/ 2 1,0,0 0.6,0.8,1 10", "NumHearts PicDelay BGType"},
        {"NumHearts = 1001\nPicDelay = 86401\nBGType = 4294967296\nBGRes = 3\n",
         "0 1000 86400 0 1 1 1 1 3 /pictures/ 2 1,0,0 0.6,0.8,1 10", "NumHearts PicDelay BGType"},
        {"NumHearts = 0\nPicDelay = 86400\nBGType = 3\nBGRes = 0\nHCG = 1.0\n",
         "0 0 86400 0 1 1 1 1 3 /pictures/ 0 1,1,0 0.6,0.8,1 10", ""},
        {"HCR = nan\nHCG = -0.5\nBGCG = inf\nBGCB = 2.0\n",
         "0 200 20 0 1 1 1 1 0 /pictures/ 1 1,0,0 0.6,0.8,1 10", "HCR HCG BGCG BGCB"},
        // Of another type: the default, with a warning.
        {"NumHearts = \"lots\"\nFitScreen = 0\nHCR = \"red\"\nBGCR = 0\nBGPath = 5\nBGType = 2\n",
         "0 200 20 0 1 1 1 1 2 /pictures/ 1 1,0,0 0,0.8,1 10", "NumHearts FitScreen HCR BGPath"},
    };
    std::string warnings;
    for (const auto& c : cases) {
        const std::string text = std::string("version = \"1.1\"\n") + c.lines;
        WriteFileText(file, text);
        EXPECT_EQ(Describe(Load(&warnings)), c.record) << c.lines;
        std::istringstream keys(c.warned);
        int named = 0;
        for (std::string key; keys >> key; ++named)
            EXPECT_NE(warnings.find(" " + key + " "), std::string::npos) << key << "\n" << warnings;
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), named) << warnings;
        EXPECT_EQ(ReadFileText(file), text) << "reading never rewrites the file";
    }
}

// XScreenSaver's settings show dovel.xml and pass an element's flag only
// when the choice differs from the element's default (a select always
// passes its item's flag). What they show must be what runs: the command
// line of the default choices sets every setting to its default over a
// stored record that differs in every one, and each other choice changes
// exactly its own setting.
TEST_F(SettingsTableTest, TheShippedXScreenSaverSettingsShowWhatRuns) {
    const std::string xml = DOVEL_XSCREENSAVER_XML;
    ASSERT_EQ(std::system(("xmllint --noout '" + xml + "'").c_str()), 0)
        << "xmllint (libxml2-utils) on " << xml;
    const std::string text = ReadFileText(xml);
    EXPECT_EQ(text, XScreenSaverSettingsXml()) << "the shipped file is what the table gives";
    EXPECT_NE(text.find("<command arg=\"--root\"/>"), std::string::npos);

    struct Element {
        std::string kind;
        std::map<std::string, std::string> attrs;
        std::vector<std::string> options;  // a select's arg-sets, the first shown by default
    };
    std::map<std::string, Element> elements;
    const std::regex element(R"(<(number|boolean|select|file|string)\b([^>]*)>)");
    const std::regex option(R"(<option\b[^>]*arg-set="([^"]*)\")");
    const std::regex attribute(R"(([-\w]+)="([^"]*)\")");
    for (std::sregex_iterator e(text.begin(), text.end(), element), end; e != end; ++e) {
        Element el{(*e)[1], {}, {}};
        const std::string body = (*e)[2];
        for (std::sregex_iterator a(body.begin(), body.end(), attribute); a != end; ++a)
            el.attrs[(*a)[1]] = (*a)[2];
        if (el.kind == "select") {
            const size_t from = e->position() + e->length(), to = text.find("</select>", from);
            const std::string inside = text.substr(from, to - from);
            for (std::sregex_iterator o(inside.begin(), inside.end(), option); o != end; ++o)
                el.options.push_back((*o)[1]);
        }
        elements[el.attrs["id"]] = el;
    }
    auto words = [](const std::string& line) {
        std::vector<std::string> out;
        std::istringstream in(line);
        for (std::string w; in >> w;) out.push_back(w);
        return out;
    };

    std::vector<std::string> defaultChoices;
    for (const SettingRow& row : StoredSettingRows()) {
        std::string id;
        for (const char* p = row.flag; *p != '\0'; ++p)
            if (*p != '-') id += *p;
        SCOPED_TRACE(id);
        if (row.label == nullptr) {  // not one of XScreenSaver's settings
            EXPECT_EQ(elements.count(id), 0u);
            continue;
        }
        ASSERT_EQ(elements.count(id), 1u);
        const Element& el = elements[id];
        std::vector<std::vector<std::string>> others;
        if (el.kind == "number") {
            EXPECT_EQ(el.attrs.at("low") + ".." + el.attrs.at("high"),
                      std::to_string(row.low) + ".." + std::to_string(row.high));
            EXPECT_EQ(el.attrs.at("default"), FormatSettingValue(row, DefaultValue(row)));
            const std::string arg = el.attrs.at("arg");
            for (int64_t n : {row.low, row.high})
                if (std::to_string(n) != el.attrs.at("default"))
                    others.push_back(words(std::regex_replace(arg, std::regex("%"), std::to_string(n))));
        } else if (el.kind == "boolean") {
            others.push_back(
                words(el.attrs.count("arg-set") ? el.attrs.at("arg-set") : el.attrs.at("arg-unset")));
        } else if (el.kind == "select") {
            ASSERT_EQ(el.options.size(), static_cast<size_t>(row.high + 1));
            for (const std::string& o : el.options) {
                if (&o == &el.options[0])
                    for (const std::string& w : words(o)) defaultChoices.push_back(w);
                else
                    others.push_back(words(o));
            }
        } else {
            const std::string value = el.kind == "file" ? "/chosen/" : "3366CC";
            others.push_back(words(std::regex_replace(el.attrs.at("arg"), std::regex("%"), value)));
        }
        for (const auto& args : others) {
            const std::string got = Applied(args), defaults = Applied({"-background", "snapshot"});
            EXPECT_NE(got, defaults) << args[0];
            // Only this row's value differs from the defaults.
            StoredSettings want = DefaultStoredSettings();
            DovelOptions o;
            std::string error;
            ASSERT_EQ(ParseFlags(args, &o, &error), ParseResult::kRun) << error;
            StoredSettings applied;
            o.settings.ApplyTo(&applied);
            row.set(&want, row.get(applied));
            EXPECT_EQ(got, Describe(want)) << args[0];
        }
    }
    EXPECT_EQ(Applied(defaultChoices), kDefaults) << "every setting is set by the default choices";

    // The program runs with that command line.
    const std::string dovel = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dovel";
    std::string command = "'" + dovel + "' -headless -frames 2 -size 64x36 -prefs '" + file + "'";
    for (const std::string& a : defaultChoices) command += " '" + a + "'";
    int status = std::system((command + " 2>" + scratch.File("err.txt")).c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n"
                                                               << ReadFileText(scratch.File("err.txt"));
}

}  // namespace
