// Settings given as flags reach the view for the run and are never written
// back: with any of them the others take their defaults, without any the
// preferences file holds every setting. (Each flag itself is walked in the
// settings table test.)
#include <gtest/gtest.h>

#include <filesystem>

#include "host/view/DovelOptions.h"
#include "tests/host/HostTestSupport.h"

namespace {

struct OverrideTest : ::testing::Test {
    ScratchFolder scratch;
    VirtualClock clock;
    HostEnvironment env{&clock, scratch.File("qvDovelSS.toml"), DataFolder(), {}};

    // The settings a view made with args starts with.
    std::string ViewSettings(const std::vector<std::string>& args) {
        DovelOptions o;
        std::string error;
        EXPECT_EQ(ParseFlags(args, &o, &error), ParseResult::kRun) << error;
        env.overrides = o.settings;
        auto view = MakeView(env, 64, 48);
        if (!view) return "";
        view->startAnimation();
        for (int t = 0; t < 3; ++t) {
            clock.SetTick(t);
            view->animateOneFrame();
        }
        EXPECT_GT(view->framesPresented, 0);
        return Describe(StoredSettings{view->mySettings, view->MainMonitorOnly});
    }
};

TEST_F(OverrideTest, FlagsSayEverySettingForTheRunAndAreNeverWrittenBack) {
    WriteFileText(env.prefsPath, PrefsText(BG_COLOUR));
    const std::string before = ReadFileText(env.prefsPath);
    StoredSettings want = DefaultStoredSettings();
    EXPECT_NE(ViewSettings({}), Describe(want)) << "the file's values";
    EXPECT_EQ(ViewSettings({}).substr(0, 5), "0 40 ") << "the file's 40 hearts";
    want.settings.SETNUMHEARTS = 3;
    want.mainMonitorOnly = true;
    want.settings.BGTYPE = BG_DESKTOP;  // the default snapshot, which a headless view cannot take
    EXPECT_EQ(ViewSettings({"-hearts", "3", "--main-monitor-only"}), Describe(want))
        << "the file's background and colours give way to the defaults";
    EXPECT_EQ(ReadFileText(env.prefsPath), before);

    // A first start stores the defaults, not the flags.
    std::filesystem::remove(env.prefsPath);
    ViewSettings({"-hearts", "3"});
    ScreenSaverDefaults stored(env.prefsPath);
    EXPECT_TRUE(stored.IntegerForKey("NumHearts") == 200 && !stored.BoolForKey("MainMonitorOnly"))
        << ReadFileText(env.prefsPath);
}

}  // namespace
