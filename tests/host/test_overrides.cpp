// Settings given as flags: every one parsed, bad values named, the flags
// winning over the preferences for the run without being stored, and
// XScreenSaver's settings description naming only flags dovel takes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "host/view/DovelOptions.h"
#include "tests/host/HostTestSupport.h"

namespace {

// MainMonitorOnly, NumHearts, PicDelay, the five switches (collisions,
// shades, transparent, fit, countdown), BGType, BGRes, heart colour,
// background colour, BGPath.
std::string Describe(const StoredSettings& stored) {
    const SETTINGS& s = stored.settings;
    std::ostringstream os;
    os << stored.mainMonitorOnly << ' ' << s.SETNUMHEARTS << ' ' << s.SETPICDELAY << ' ' << s.HEARTCOLLISIONS
       << s.RANDOMSHADES << s.TRANSPARENTHEARTS << s.FITSCREEN << s.SHOWCOUNTDOWN << ' ' << s.BGTYPE << ' '
       << s.BGRES << ' ' << s.HCR << ',' << s.HCG << ',' << s.HCB << ' ' << s.BGCR << ',' << s.BGCG << ','
       << s.BGCB << ' ' << s.BGPath;
    return os.str();
}

ParseResult Parse(std::vector<std::string> args, DovelOptions* o, std::string* error) {
    std::vector<const char*> argv = {"dovel"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return ParseDovelOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

// The defaults with the settings of args put over them.
std::string Applied(const std::vector<std::string>& args) {
    DovelOptions o;
    std::string error;
    EXPECT_EQ(Parse(args, &o, &error), ParseResult::kRun) << error;
    StoredSettings stored;
    stored.settings.SetBGPath("/p/");
    o.settings.ApplyTo(&stored);
    return Describe(stored);
}

TEST(SettingsFlags, EveryFlagSetsItsValueTheLastWinsAndABadValueNamesTheFlag) {
    EXPECT_EQ(Applied({}), "0 200 20 11011 0 1 1,0,0 0.6,0.8,1 /p/");
    EXPECT_EQ(Applied({"-hearts", "7", "-background", "folder", "-folder", "/pics/", "-picture-delay", "45",
                       "-no-fit", "-no-countdown", "-no-collisions", "-transparent", "-no-random-shades",
                       "-heart-colour", "#ff0033", "--background-colour=00FF00", "-detail", "high",
                       "--main-monitor-only"}),
              "1 7 45 00100 2 2 1,0,0.2 0,1,0 /pics/");
    EXPECT_EQ(
        Applied({"-no-fit", "-fit", "-transparent", "-no-transparent", "-no-random-shades", "-random-shades",
                 "-main-monitor-only", "-no-main-monitor-only", "-background", "color", "-background",
                 "desktop", "-detail", "low", "-hearts", "1000", "-picture-delay", "1"}),
        "0 1000 1 11011 1 0 1,0,0 0.6,0.8,1 /p/");

    const std::vector<std::vector<std::string>> bad = {
        {"-hearts", "-1"},
        {"-hearts", "1001"},
        {"-hearts", "many"},
        {"-picture-delay", "0"},
        {"-picture-delay", "86401"},
        {"-background", "plaid"},
        {"-detail", "ultra"},
        {"-heart-colour", "#12345"},
        {"-background-colour", "#GG0000"},
        {"-folder", ""},
        {"-fit=yes"},
        {"-hearts"},
    };
    for (const auto& args : bad) {
        DovelOptions o;
        std::string error;
        EXPECT_EQ(Parse(args, &o, &error), ParseResult::kError) << args[0];
        EXPECT_NE(error.find(args[0].substr(0, args[0].find('='))), std::string::npos) << error;
    }
    for (const char* flag : {"-hearts", "-background", "-folder", "-picture-delay", "-no-fit",
                             "-no-countdown", "-no-collisions", "-transparent", "-no-random-shades",
                             "-heart-colour", "-background-colour", "-detail", "-main-monitor-only"})
        EXPECT_NE(std::string(DovelHelpText()).find(flag), std::string::npos) << flag;
}

struct OverrideTest : ::testing::Test {
    ScratchFolder scratch;
    VirtualClock clock;
    HostEnvironment env{&clock, scratch.File("qvDovelSS.toml"), DataFolder(), {}};
};

TEST_F(OverrideTest, FlagsWinOverTheStoreForTheRunAndAreNeverWrittenBack) {
    DovelOptions o;
    std::string error;
    ASSERT_EQ(Parse({"-hearts", "3", "-no-random-shades", "-heart-colour", "00ff00", "-background", "colour",
                     "-background-colour", "000000", "-main-monitor-only"},
                    &o, &error),
              ParseResult::kRun);
    env.overrides = o.settings;
    const std::string want = "1 3 20 10011 3 1 0,1,0 0,0,0 /nonexistent/";
    WriteFileText(env.prefsPath, PrefsText(BG_SLIDESHOW));
    const std::string before = ReadFileText(env.prefsPath);
    {
        auto view = MakeView(env, 64, 48);
        ASSERT_TRUE(view);
        StoredSettings seen{view->mySettings, view->MainMonitorOnly};
        EXPECT_EQ(Describe(seen), want);
        view->startAnimation();
        for (int t = 0; t < 3; ++t) {
            clock.SetTick(t);
            view->animateOneFrame();
        }
        EXPECT_GT(view->framesPresented, 0);
    }
    EXPECT_EQ(ReadFileText(env.prefsPath), before);

    // A first start stores the defaults, not the flags.
    std::filesystem::remove(env.prefsPath);
    auto view = MakeView(env, 64, 48);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->mySettings.SETNUMHEARTS, 3);
    ScreenSaverDefaults stored(env.prefsPath);
    EXPECT_TRUE(stored.IntegerForKey("NumHearts") == 200 && stored.BoolForKey("RandomShades") &&
                !stored.BoolForKey("MainMonitorOnly"))
        << ReadFileText(env.prefsPath);
}

// XScreenSaver shows dovel.xml as dovel's settings and passes an element's
// arg only when the user moved it off its default.
TEST_F(OverrideTest, TheXScreenSaverDescriptionIsWellFormedAndNamesOnlyFlagsDovelTakes) {
    const std::string xml = std::string(DOVEL_SOURCE_DIR) + "/packaging/xscreensaver/dovel.xml";
    ASSERT_EQ(std::system(("xmllint --noout '" + xml + "'").c_str()), 0)
        << "xmllint (libxml2-utils) on " << xml;
    const std::string text = ReadFileText(xml);
    EXPECT_NE(text.find("<screensaver name=\"dovel\" _label=\"Dovel\" gl=\"yes\">"), std::string::npos);
    EXPECT_NE(text.find("<command arg=\"--root\"/>"), std::string::npos);

    const std::regex element(R"(<(number|boolean|option|file|string)\b([^>]*)>)");
    const std::regex attribute(R"(([-\w]+)="([^"]*)\")");
    const std::string defaults = Applied({});
    std::vector<std::string> everyArg;
    int elements = 0;
    for (std::sregex_iterator e(text.begin(), text.end(), element), end; e != end; ++e) {
        std::map<std::string, std::string> attrs;
        const std::string body = (*e)[2];
        for (std::sregex_iterator a(body.begin(), body.end(), attribute); a != end; ++a)
            attrs[(*a)[1]] = (*a)[2];
        const std::string kind = (*e)[1];
        std::string sample = kind == "number" ? attrs["default"] : kind == "file" ? scratch.path : "ff8000";
        for (const char* name : {"arg", "arg-set", "arg-unset"}) {
            if (attrs.count(name) == 0) continue;
            std::vector<std::string> args;
            std::istringstream words(std::regex_replace(attrs[name], std::regex("%"), sample));
            for (std::string w; words >> w;) args.push_back(w);
            DovelOptions o;
            std::string error;
            ASSERT_EQ(Parse(args, &o, &error), ParseResult::kRun) << attrs[name] << ": " << error;
            // A number at its default changes nothing; a switch or option
            // that XScreenSaver passes changes something (the frame rate
            // is the one switch that is no setting of the scene).
            if (kind == "number") {
                EXPECT_EQ(Applied(args), defaults) << attrs[name];
            } else if (kind != "file" && kind != "string" && attrs["id"] != "showfps") {
                EXPECT_NE(Applied(args), defaults) << attrs[name];
            }
            everyArg.insert(everyArg.end(), args.begin(), args.end());
        }
        ++elements;
    }
    EXPECT_EQ(elements, 20)
        << "11 settings of their own, the 4 + 3 options of the two lists, -fps and -max-fps";

    const std::string dovel = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dovel";
    std::string command = "'" + dovel + "' -headless -frames 2 -size 64x36 -prefs '" + env.prefsPath + "'";
    for (const std::string& a : everyArg) command += " '" + a + "'";
    int status = std::system((command + " 2>" + scratch.File("err.txt")).c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n"
                                                               << ReadFileText(scratch.File("err.txt"));
    status = std::system(
        ("'" + dovel + "' -headless -frames 2 -detail ultra 2>" + scratch.File("err.txt")).c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_NE(ReadFileText(scratch.File("err.txt")).find("-detail"), std::string::npos);
}

}  // namespace
