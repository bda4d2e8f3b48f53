// The stored preferences of module qvDovelSS: first start, version reset,
// missing and mistyped keys, damaged and unreadable files, interrupted
// saves, values brought into bounds, and what is saved kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "host/StoredSettings.h"
#include "tests/host/HostTestSupport.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
namespace fs = std::filesystem;

// The whole record in one line: MainMonitorOnly, NumHearts, PicDelay,
// AllowCollisions, RandomShades, Transparent, FitScreen, ShowCountdown,
// BGType, BGRes, the heart colour, the background colour and BGPath.
std::string Describe(const StoredSettings& stored) {
    const SETTINGS& s = stored.settings;
    std::ostringstream os;
    os << stored.mainMonitorOnly << ' ' << s.SETNUMHEARTS << ' ' << s.SETPICDELAY << ' ' << s.HEARTCOLLISIONS
       << s.RANDOMSHADES << s.TRANSPARENTHEARTS << s.FITSCREEN << s.SHOWCOUNTDOWN << ' ' << s.BGTYPE << ' '
       << s.BGRES << ' ' << s.HCR << ' ' << s.HCG << ' ' << s.HCB << ' ' << s.BGCR << ' ' << s.BGCG << ' '
       << s.BGCB << ' ' << s.BGPath;
    return os.str();
}
const std::string kDefaults = "0 200 20 11011 0 1 1 0 0 0.6 0.8 1 " + std::string(SETTINGS().BGPath);

struct PrefsTest : ::testing::Test {
    ScratchFolder scratch;
    std::string file = scratch.File("dovel/qvDovelSS.toml");

    // Loads the record as a new view does; *warnings gets standard error.
    StoredSettings Load(std::string* warnings = nullptr) {
        CaptureStderr();
        StoredSettings loaded;
        {
            ScreenSaverDefaults store(file);
            LoadSettings(&store, &loaded);
        }
        std::string captured = GetCapturedStderr();
        if (warnings != nullptr) *warnings = captured;
        return loaded;
    }
    void Write(const std::string& text) {
        fs::create_directories(scratch.File("dovel"));
        WriteFileText(file, text);
    }
    void Save(const StoredSettings& s, const std::string& bgPath) {
        ScreenSaverDefaults store(file);
        ASSERT_TRUE(SaveSettings(&store, s, bgPath));
    }
};

// The defaults are used and stored (the version first), so reading the file
// back gives them again.
TEST_F(PrefsTest, FirstStartAndAnOldVersionStoreAndUseTheDefaults) {
    ASSERT_FALSE(fs::exists(file));
    EXPECT_EQ(Describe(Load()), kDefaults);
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1");
    EXPECT_EQ(Describe(Load()), kDefaults) << ReadFileText(file);
    // Written as the short decimal, not as the float's binary expansion.
    EXPECT_NE(ReadFileText(file).find("BGCR = 0.6\n"), std::string::npos) << ReadFileText(file);

    Write("version = \"1.0\"\nNumHearts = 77\nBGPath = \"/home/me/Valentines/\"\nMainMonitorOnly = true\n");
    EXPECT_EQ(Describe(Load()), kDefaults) << "every value is reset, the folder included";
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1");
    EXPECT_EQ(Describe(Load()), kDefaults) << ReadFileText(file);
}

// Values of the current version are used as they stand, brought into
// bounds where they would crash or hang the scene (with a warning), and the
// file is never rewritten by reading it.
TEST_F(PrefsTest, ValuesOfTheCurrentVersionAreUsedWithinBoundsAndNeverRewritten) {
    struct Case {
        const char* lines;
        const char* record;
        bool clamped;
    } cases[] = {
        {"MainMonitorOnly = true\nNumHearts = 77\nPicDelay = 45\nTransparent = true\nRandomShades = false\n"
         "AllowCollisions = false\nFitScreen = false\nShowCountdown = false\nBGType = 2\n"
         "BGPath = \"/home/me/Valentines/\"\nBGRes = 0\nHCR = 0.25\nHCG = 0.5\nHCB = 0.75\nBGCR = 0.1\n"
         "BGCG = 0.2\nBGCB = 0.3\nSomeoneElses = \"kept\"\n",
         "1 77 45 00100 2 0 0.25 0.5 0.75 0.1 0.2 0.3 /home/me/Valentines/", false},
        {"NumHearts = -5\nPicDelay = 0\nBGType = -1\nBGRes = -2\n", "0 1 1 00000 0 0 0 0 0 0 0 0 ", true},
        {"NumHearts = 5000000000\nPicDelay = -30\nBGType = 7\nBGRes = 9\n", "0 1000 1 00000 3 2 0 0 0 0 0 0 ",
         true},
        {"NumHearts = 1000\nPicDelay = 1\nBGType = 3\nBGRes = 2\n", "0 1000 1 00000 3 2 0 0 0 0 0 0 ", false},
        {"NumHearts = 0\nPicDelay = 9223372036854775807\nBGType = 4294967296\nBGRes = 1\n",
         "0 1 86400 00000 3 1 0 0 0 0 0 0 ", true},
        // Missing and mistyped keys read as zero (an integer serves for a
        // float); 0 hearts would leave the archer nothing to aim at.
        {"NumHearts = \"lots\"\nFitScreen = 1\nHCR = \"red\"\nBGCR = 1\n", "0 1 1 00000 0 0 0 0 0 1 0 0 ",
         true},
    };
    std::string warnings;
    for (const Case& c : cases) {
        std::string text = std::string("version = \"1.1\"\n") + c.lines;
        Write(text);
        EXPECT_EQ(Describe(Load(&warnings)), c.record) << c.lines;
        EXPECT_EQ(ReadFileText(file), text);
        EXPECT_EQ(warnings.find("outside") != std::string::npos, c.clamped) << c.lines << warnings;
    }
    // The last case warns about each mistyped key and each value clamped.
    for (const char* text :
         {"NumHearts should be an integer", "FitScreen should be true or false", "PicDelay = 0"})
        EXPECT_NE(warnings.find(text), std::string::npos) << warnings;
}

TEST_F(PrefsTest, ADamagedFileIsMovedAsideAndAnUnreadableOneIsNeverOverwritten) {
    const std::string damaged = "version = \"1.1\"\nNumHearts = [unterminated\n\x01\xff garbage";
    Write(damaged);
    std::string warnings;
    EXPECT_EQ(Describe(Load(&warnings)), kDefaults);
    EXPECT_EQ(ReadFileText(file + ".damaged"), damaged) << "the damaged file is kept byte for byte";
    EXPECT_NE(warnings.find("damaged"), std::string::npos) << warnings;
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1") << "a fresh file replaces it";
    // A second damaged file does not overwrite the first one kept aside.
    Write("this is = = not toml");
    Load();
    EXPECT_EQ(ReadFileText(file + ".damaged"), damaged);
    EXPECT_EQ(ReadFileText(file + ".damaged-1"), "this is = = not toml");

    // A folder where the file should be cannot be read as preferences.
    fs::remove(file);
    fs::create_directories(file);
    WriteFileText(file + "/inside", "mine");
    EXPECT_EQ(Describe(Load(&warnings)), kDefaults);
    EXPECT_EQ(ReadFileText(file + "/inside"), "mine");
    EXPECT_NE(warnings.find("cannot read"), std::string::npos) << warnings;
}

TEST_F(PrefsTest, WhatIsSavedWholeIsWhatEveryNewViewUses) {
    StoredSettings first = Load();
    first.settings.SETPICDELAY = 45;
    first.settings.BGTYPE = BG_SLIDESHOW;
    first.mainMonitorOnly = true;
    Save(first, "/a/very/long/folder/");
    EXPECT_EQ(ListFolder(scratch.File("dovel")), std::vector<std::string>{"qvDovelSS.toml"})
        << "no temporary file is left after a save";
    // A save that died before its rename leaves a half-written temporary file.
    WriteFileText(file + ".tmp-Ab12Cd", "version = \"1.1\"\nNumHearts = 9");
    EXPECT_EQ(Describe(Load()), "1 200 45 11011 2 1 1 0 0 0.6 0.8 1 /a/very/long/folder/");
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1") << "saving keeps the version";

    // A long folder is stored whole and cut in the record.
    std::string longPath = "/" + std::string(1500, 'p') + "/";
    Save(first, longPath);
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("BGPath"), longPath);
    EXPECT_EQ(std::string(Load().settings.BGPath), longPath.substr(0, kBGPathMaxLength));

    // A save that cannot be done reports it and changes nothing.
    WriteFileText(scratch.File("blocker"), "a file, not a folder");
    ScreenSaverDefaults blocked(scratch.File("blocker/dovel/qvDovelSS.toml"));
    blocked.SetInteger("NumHearts", 5);
    CaptureStderr();
    EXPECT_FALSE(blocked.Synchronize());
    EXPECT_NE(GetCapturedStderr().find("not saved"), std::string::npos);
    EXPECT_EQ(ReadFileText(scratch.File("blocker")), "a file, not a folder");
}

TEST_F(PrefsTest, SavingKeepsKeysOfOthersAndColoursExactly) {
    Write(PrefsText(3, "Comment = \"written by hand\"\n\"odd key\" = 3\n[sub]\na = 1.5\n[[arr]]\nb = 2\n"));
    StoredSettings s = Load();
    s.settings.HCR = 0.123456789f;
    s.settings.BGCG = 1.0f / 3.0f;
    Save(s, s.settings.BGPath);
    StoredSettings back = Load();
    EXPECT_EQ(back.settings.HCR, 0.123456789f);
    EXPECT_EQ(back.settings.BGCG, 1.0f / 3.0f);
    ScreenSaverDefaults reread(file);
    std::string text = ReadFileText(file);
    EXPECT_TRUE(reread.MovedAsidePath().empty()) << "what was saved parses again:\n" << text;
    EXPECT_EQ(reread.StringForKey("Comment"), "written by hand");
    EXPECT_EQ(reread.IntegerForKey("odd key"), 3);
    EXPECT_NE(text.find("[sub]\na = 1.5"), std::string::npos) << text;
    EXPECT_NE(text.find("[[arr]]\nb = 2"), std::string::npos) << text;
}

TEST(PrefsPath, FollowsXdgConfigHome) {
    const char* old = getenv("XDG_CONFIG_HOME");
    std::string saved = old != nullptr ? old : "";
    setenv("XDG_CONFIG_HOME", "/cfg/here", 1);
    EXPECT_EQ(ScreenSaverDefaults::PathForModule("qvDovelSS"), "/cfg/here/dovel/qvDovelSS.toml");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", getenv("HOME") != nullptr ? getenv("HOME") : "/home/x", 1);
    EXPECT_EQ(ScreenSaverDefaults::PathForModule("qvDovelSS"),
              std::string(getenv("HOME")) + "/.config/dovel/qvDovelSS.toml");
    old != nullptr ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
