// The settings record's defaults and the user's pictures folder that stands
// for the default slideshow folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "scene/Settings.h"
#include "tests/scene/PictureFiles.h"

namespace {

// Sets or unsets an environment variable for the life of the object.
struct ScopedEnv {
    std::string name;
    std::string old;
    bool had;
    ScopedEnv(const char* n, const char* value) : name(n) {
        const char* current = getenv(n);
        had = current != nullptr;
        if (had) old = current;
        if (value != nullptr)
            setenv(n, value, 1);
        else
            unsetenv(n);
    }
    ~ScopedEnv() {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

std::string PicturesFolder() {
    char folder[kBGPathSize];
    DefaultPicturesFolder(folder, kBGPathSize);
    return folder;
}

}  // namespace

TEST(Settings, Defaults) {
    ScopedEnv pictures("XDG_PICTURES_DIR", "/srv/photos");
    SETTINGS s;
    EXPECT_EQ(s.BGTYPE, 0);
    EXPECT_FLOAT_EQ(s.BGCR, 0.6f);
    EXPECT_FLOAT_EQ(s.BGCG, 0.8f);
    EXPECT_FLOAT_EQ(s.BGCB, 1.0f);
    EXPECT_FLOAT_EQ(s.HCR, 1.0f);
    EXPECT_FLOAT_EQ(s.HCG, 0.0f);
    EXPECT_FLOAT_EQ(s.HCB, 0.0f);
    EXPECT_TRUE(s.FITSCREEN);
    EXPECT_EQ(s.SETPICDELAY, 20);
    EXPECT_TRUE(s.RANDOMSHADES);
    EXPECT_TRUE(s.HEARTCOLLISIONS);
    EXPECT_FALSE(s.TRANSPARENTHEARTS);
    EXPECT_EQ(s.SETNUMHEARTS, 200);
    EXPECT_STREQ(s.BGPath, "/srv/photos/");
    EXPECT_TRUE(s.SHOWCOUNTDOWN);
    EXPECT_EQ(s.BGRES, 1);
}

TEST(Settings, PicturesFolderFromEnvironmentUserDirsOrHome) {
    TempFolder config;
    ScopedEnv home("HOME", "/home/ana");
    ScopedEnv configHome("XDG_CONFIG_HOME", config.path.c_str());
    {
        ScopedEnv pictures("XDG_PICTURES_DIR", nullptr);
        EXPECT_EQ(PicturesFolder(), "/home/ana/Pictures/") << "no user-dirs.dirs";
        ASSERT_TRUE(WriteBytes(config.File("user-dirs.dirs"), [] {
            std::string text =
                "# written by xdg-user-dirs-update\n"
                "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
            return std::vector<uint8_t>(text.begin(), text.end());
        }()));
        EXPECT_EQ(PicturesFolder(), "/home/ana/Bilder/");
    }
    ScopedEnv pictures("XDG_PICTURES_DIR", "/media/pictures/");
    EXPECT_EQ(PicturesFolder(), "/media/pictures/");
}

TEST(Settings, LongPathsAreCut) {
    SETTINGS s;
    std::string longPath(2000, 'p');
    s.SetBGPath(longPath.c_str());
    EXPECT_EQ(std::string(s.BGPath), longPath.substr(0, kBGPathMaxLength));
    s.SetBGPath(nullptr);
    EXPECT_STREQ(s.BGPath, "");
    char small[8];
    ScopedEnv pictures("XDG_PICTURES_DIR", "/a/very/long/folder");
    DefaultPicturesFolder(small, sizeof small);
    EXPECT_STREQ(small, "/a/very");
}
