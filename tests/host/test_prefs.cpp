// The stored preferences of module qvDovelSS: first start, version reset,
// missing and mistyped keys, damaged and unreadable files, interrupted
// saves, values brought into bounds, and the picture delay kept.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "host/StoredSettings.h"
#include "tests/host/HostTestSupport.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

struct PrefsTest : ::testing::Test {
    ScratchFolder scratch;
    std::string file = scratch.File("dovel/qvDovelSS.toml");

    StoredSettings Load() {
        ScreenSaverDefaults store(file);
        StoredSettings loaded;
        LoadSettings(&store, &loaded);
        return loaded;
    }
    void Write(const std::string& text) {
        ASSERT_TRUE(MakeFolderAt(scratch.File("dovel")));
        WriteFileText(file, text);
    }
    static bool MakeFolderAt(const std::string& folder) {
        return PathExists(folder) || mkdir(folder.c_str(), 0700) == 0;
    }
};

void ExpectDefaults(const StoredSettings& s) {
    const SETTINGS defaults;
    EXPECT_FALSE(s.mainMonitorOnly);
    EXPECT_EQ(s.settings.SETNUMHEARTS, 200);
    EXPECT_EQ(s.settings.SETPICDELAY, 20);
    EXPECT_TRUE(s.settings.HEARTCOLLISIONS);
    EXPECT_TRUE(s.settings.RANDOMSHADES);
    EXPECT_FALSE(s.settings.TRANSPARENTHEARTS);
    EXPECT_TRUE(s.settings.FITSCREEN);
    EXPECT_TRUE(s.settings.SHOWCOUNTDOWN);
    EXPECT_EQ(s.settings.BGTYPE, 0);
    EXPECT_EQ(s.settings.BGRES, 1);
    EXPECT_FLOAT_EQ(s.settings.HCR, 1.0f);
    EXPECT_FLOAT_EQ(s.settings.HCG, 0.0f);
    EXPECT_FLOAT_EQ(s.settings.HCB, 0.0f);
    EXPECT_FLOAT_EQ(s.settings.BGCR, 0.6f);
    EXPECT_FLOAT_EQ(s.settings.BGCG, 0.8f);
    EXPECT_FLOAT_EQ(s.settings.BGCB, 1.0f);
    EXPECT_STREQ(s.settings.BGPath, defaults.BGPath);
}

TEST_F(PrefsTest, FirstStartStoresAndUsesTheDefaults) {
    ASSERT_FALSE(PathExists(file));
    StoredSettings loaded = Load();
    ExpectDefaults(loaded);
    ASSERT_TRUE(PathExists(file)) << "the defaults are flushed to disk";
    ScreenSaverDefaults store(file);
    EXPECT_EQ(store.StringForKey("version"), "1.1");
    EXPECT_EQ(store.IntegerForKey("NumHearts"), 200);
    EXPECT_EQ(store.IntegerForKey("BGRes"), 1);
    EXPECT_TRUE(store.BoolForKey("AllowCollisions"));
    EXPECT_FALSE(store.BoolForKey("MainMonitorOnly"));
    EXPECT_FLOAT_EQ(store.FloatForKey("BGCR"), 0.6f);
    EXPECT_EQ(store.StringForKey("BGPath"), SETTINGS().BGPath);
    // Written as the short decimal, not as the float's binary expansion.
    EXPECT_NE(ReadFileText(file).find("BGCR = 0.6\n"), std::string::npos) << ReadFileText(file);
}

TEST_F(PrefsTest, AnOldVersionResetsEveryValueIncludingTheFolder) {
    Write(
        "version = \"1.0\"\nNumHearts = 77\nBGPath = \"/home/me/Valentines/\"\nMainMonitorOnly = true\n"
        "BGType = 2\n");
    StoredSettings loaded = Load();
    ExpectDefaults(loaded);
    ScreenSaverDefaults store(file);
    EXPECT_EQ(store.StringForKey("version"), "1.1");
    EXPECT_EQ(store.IntegerForKey("NumHearts"), 200);
    EXPECT_EQ(store.StringForKey("BGPath"), SETTINGS().BGPath);
    EXPECT_FALSE(store.BoolForKey("MainMonitorOnly"));
}

TEST_F(PrefsTest, StoredValuesOfTheCurrentVersionAreUsedAsTheyStand) {
    Write(
        "version = \"1.1\"\nMainMonitorOnly = true\nNumHearts = 77\nPicDelay = 45\nTransparent = true\n"
        "RandomShades = false\nAllowCollisions = false\nFitScreen = false\nShowCountdown = false\n"
        "BGType = 2\nBGPath = \"/home/me/Valentines/\"\nBGRes = 0\nHCR = 0.25\nHCG = 0.5\nHCB = 0.75\n"
        "BGCR = 0.1\nBGCG = 0.2\nBGCB = 0.3\nSomeoneElses = \"kept\"\n");
    const std::string before = ReadFileText(file);
    StoredSettings s = Load();
    EXPECT_TRUE(s.mainMonitorOnly);
    EXPECT_EQ(s.settings.SETNUMHEARTS, 77);
    EXPECT_EQ(s.settings.SETPICDELAY, 45) << "the stored picture delay is honoured";
    EXPECT_TRUE(s.settings.TRANSPARENTHEARTS);
    EXPECT_FALSE(s.settings.RANDOMSHADES);
    EXPECT_FALSE(s.settings.HEARTCOLLISIONS);
    EXPECT_FALSE(s.settings.FITSCREEN);
    EXPECT_FALSE(s.settings.SHOWCOUNTDOWN);
    EXPECT_EQ(s.settings.BGTYPE, 2);
    EXPECT_STREQ(s.settings.BGPath, "/home/me/Valentines/");
    EXPECT_EQ(s.settings.BGRES, 0);
    EXPECT_FLOAT_EQ(s.settings.HCG, 0.5f);
    EXPECT_FLOAT_EQ(s.settings.BGCB, 0.3f);
    EXPECT_EQ(ReadFileText(file), before) << "reading never rewrites the file";
}

TEST_F(PrefsTest, MissingAndMistypedKeysReadAsZeroAndAreBroughtIntoBounds) {
    Write("version = \"1.1\"\nNumHearts = \"lots\"\nFitScreen = 1\nHCR = \"red\"\nBGCR = 1\n");
    const std::string before = ReadFileText(file);
    CaptureStderr();
    StoredSettings s = Load();
    std::string warnings = GetCapturedStderr();
    EXPECT_EQ(s.settings.SETNUMHEARTS, kMinNumHearts) << "0 hearts would leave the archer nothing to aim at";
    EXPECT_EQ(s.settings.SETPICDELAY, kMinPicDelay);
    EXPECT_FALSE(s.settings.FITSCREEN);
    EXPECT_FALSE(s.settings.RANDOMSHADES);
    EXPECT_EQ(s.settings.BGTYPE, 0);
    EXPECT_STREQ(s.settings.BGPath, "");
    EXPECT_FLOAT_EQ(s.settings.HCR, 0.0f);
    EXPECT_FLOAT_EQ(s.settings.BGCR, 1.0f) << "an integer serves for a float";
    EXPECT_NE(warnings.find("NumHearts should be an integer"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("FitScreen should be true or false"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("PicDelay = 0"), std::string::npos) << warnings;
    EXPECT_EQ(ReadFileText(file), before);
}

TEST_F(PrefsTest, ValuesThatWouldCrashOrHangTheSceneAreClampedWithAWarning) {
    struct Case {
        const char* lines;
        int64_t hearts, delay;
        int32_t bgType, bgRes;
    } cases[] = {
        {"NumHearts = -5\nPicDelay = 0\nBGType = -1\nBGRes = -2\n", 1, 1, 0, 0},
        {"NumHearts = 5000000000\nPicDelay = -30\nBGType = 7\nBGRes = 9\n", kMaxNumHearts, 1, 3, 2},
        {"NumHearts = 1000\nPicDelay = 1\nBGType = 3\nBGRes = 2\n", 1000, 1, 3, 2},
        {"NumHearts = 0\nPicDelay = 9223372036854775807\nBGType = 4294967296\nBGRes = 1\n", 1, kMaxPicDelay,
         3, 1},
    };
    for (const Case& c : cases) {
        Write(std::string("version = \"1.1\"\n") + c.lines);
        const std::string before = ReadFileText(file);
        CaptureStderr();
        StoredSettings s = Load();
        std::string warnings = GetCapturedStderr();
        EXPECT_EQ(s.settings.SETNUMHEARTS, c.hearts) << c.lines;
        EXPECT_EQ(s.settings.SETPICDELAY, c.delay) << c.lines;
        EXPECT_EQ(s.settings.BGTYPE, c.bgType) << c.lines;
        EXPECT_EQ(s.settings.BGRES, c.bgRes) << c.lines;
        EXPECT_EQ(ReadFileText(file), before) << "the file stays as the user wrote it";
        bool anyClamped = std::strstr(c.lines, "NumHearts = 1000\n") == nullptr;
        EXPECT_EQ(warnings.find("outside") != std::string::npos, anyClamped) << c.lines << warnings;
    }
}

TEST_F(PrefsTest, ADamagedFileIsMovedAsideAndTheDefaultsAreUsed) {
    const std::string damaged = "version = \"1.1\"\nNumHearts = [unterminated\n\x01\xff garbage";
    Write(damaged);
    CaptureStderr();
    StoredSettings s = Load();
    std::string warnings = GetCapturedStderr();
    ExpectDefaults(s);
    ASSERT_TRUE(PathExists(file + ".damaged"));
    EXPECT_EQ(ReadFileText(file + ".damaged"), damaged) << "the damaged file is kept byte for byte";
    EXPECT_NE(warnings.find("damaged"), std::string::npos) << warnings;
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1") << "a fresh file replaces it";

    // A second damaged file does not overwrite the first one kept aside.
    Write("this is = = not toml");
    CaptureStderr();
    Load();
    GetCapturedStderr();
    EXPECT_EQ(ReadFileText(file + ".damaged"), damaged);
    EXPECT_EQ(ReadFileText(file + ".damaged-1"), "this is = = not toml");
}

TEST_F(PrefsTest, AFileThatCannotBeReadIsNeverOverwritten) {
    // A folder where the file should be: it cannot be read as preferences.
    ASSERT_TRUE(MakeFolderAt(scratch.File("dovel")));
    ASSERT_EQ(mkdir(file.c_str(), 0700), 0);
    WriteFileText(file + "/inside", "mine");
    CaptureStderr();
    StoredSettings s = Load();
    std::string warnings = GetCapturedStderr();
    ExpectDefaults(s);
    EXPECT_EQ(ReadFileText(file + "/inside"), "mine");
    EXPECT_NE(warnings.find("cannot read"), std::string::npos) << warnings;
}

TEST_F(PrefsTest, AnInterruptedSaveLeavesThePreviousValues) {
    StoredSettings saved;
    saved.settings.SETNUMHEARTS = 123;
    {
        ScreenSaverDefaults store(file);
        StoreDefaults(&store);
        ASSERT_TRUE(SaveSettings(&store, saved, "/pics/"));
    }
    EXPECT_EQ(ListFolder(scratch.File("dovel")), std::vector<std::string>{"qvDovelSS.toml"})
        << "no temporary file is left after a save";
    // A save that died before its rename leaves a half-written temporary file.
    WriteFileText(file + ".tmp-Ab12Cd", "version = \"1.1\"\nNumHearts = 9");
    EXPECT_EQ(Load().settings.SETNUMHEARTS, 123);

    // A save that cannot be done reports it and changes nothing.
    WriteFileText(scratch.File("blocker"), "a file, not a folder");
    ScreenSaverDefaults blocked(scratch.File("blocker/dovel/qvDovelSS.toml"));
    blocked.SetInteger("NumHearts", 5);
    CaptureStderr();
    EXPECT_FALSE(blocked.Synchronize());
    EXPECT_NE(GetCapturedStderr().find("not saved"), std::string::npos);
    EXPECT_EQ(ReadFileText(scratch.File("blocker")), "a file, not a folder");
}

TEST_F(PrefsTest, ThePictureDelaySavedIsTheOneEveryNewViewUses) {
    StoredSettings first = Load();
    ASSERT_EQ(first.settings.SETPICDELAY, 20);
    first.settings.SETPICDELAY = 45;
    first.settings.BGTYPE = BG_SLIDESHOW;
    first.mainMonitorOnly = true;
    {
        ScreenSaverDefaults store(file);
        ASSERT_TRUE(SaveSettings(&store, first, "/a/very/long/folder/"));
        EXPECT_EQ(store.IntegerForKey("PicDelay"), 45);
    }
    StoredSettings next = Load();
    EXPECT_EQ(next.settings.SETPICDELAY, 45);
    EXPECT_EQ(next.settings.BGTYPE, BG_SLIDESHOW);
    EXPECT_TRUE(next.mainMonitorOnly);
    EXPECT_STREQ(next.settings.BGPath, "/a/very/long/folder/");
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1") << "saving keeps the version";
}

TEST_F(PrefsTest, SavingKeepsKeysOfOthersAndColoursExactly) {
    Write(PrefsText(3, "Comment = \"written by hand\"\n\"odd key\" = 3\n[sub]\na = 1.5\n[[arr]]\nb = 2\n"));
    StoredSettings s = Load();
    s.settings.HCR = 0.123456789f;
    s.settings.BGCG = 1.0f / 3.0f;
    {
        ScreenSaverDefaults store(file);
        ASSERT_TRUE(SaveSettings(&store, s, s.settings.BGPath));
    }
    StoredSettings back = Load();
    EXPECT_EQ(back.settings.HCR, 0.123456789f);
    EXPECT_EQ(back.settings.BGCG, 1.0f / 3.0f);
    ScreenSaverDefaults reread(file);
    EXPECT_TRUE(reread.MovedAsidePath().empty()) << "what was saved parses again:\n" << ReadFileText(file);
    EXPECT_EQ(reread.StringForKey("Comment"), "written by hand");
    EXPECT_EQ(reread.IntegerForKey("odd key"), 3);
    std::string text = ReadFileText(file);
    EXPECT_NE(text.find("[sub]\na = 1.5"), std::string::npos) << text;
    EXPECT_NE(text.find("[[arr]]\nb = 2"), std::string::npos) << text;
}

TEST_F(PrefsTest, ALongFolderIsCutInTheRecordButStoredWhole) {
    std::string longPath = "/" + std::string(1500, 'p') + "/";
    StoredSettings s = Load();
    {
        ScreenSaverDefaults store(file);
        ASSERT_TRUE(SaveSettings(&store, s, longPath));
    }
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("BGPath"), longPath);
    StoredSettings back = Load();
    EXPECT_EQ(std::strlen(back.settings.BGPath), static_cast<size_t>(kBGPathMaxLength));
    EXPECT_EQ(std::string(back.settings.BGPath), longPath.substr(0, kBGPathMaxLength));
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
    if (old != nullptr)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
