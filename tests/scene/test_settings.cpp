// The user's pictures folder that stands for the default slideshow folder,
// cut to its buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "assets/Alerts.h"
#include "scene/Settings.h"
#include "tests/scene/PictureFiles.h"
#include "tests/support/FifoWatch.h"

namespace {

// Sets (or, given null, unsets) an environment variable for the life of the object.
struct ScopedEnv {
    std::string name, old;
    bool had;
    ScopedEnv(const char* n, const char* value) : name(n), had(getenv(n) != nullptr) {
        if (had) old = getenv(n);
        value != nullptr ? setenv(n, value, 1) : unsetenv(n);
    }
    ~ScopedEnv() { had ? setenv(name.c_str(), old.c_str(), 1) : unsetenv(name.c_str()); }
};

std::string PicturesFolder(int size = kBGPathSize) {
    char folder[kBGPathSize];
    DefaultPicturesFolder(folder, size);
    return folder;
}

}  // namespace

TEST(Settings, PicturesFolderFromEnvironmentUserDirsOrHome) {
    TempFolder config;
    ScopedEnv home("HOME", "/home/ana");
    ScopedEnv configHome("XDG_CONFIG_HOME", config.path.c_str());
    {
        ScopedEnv pictures("XDG_PICTURES_DIR", nullptr);
        EXPECT_EQ(PicturesFolder(), "/home/ana/Pictures/") << "no user-dirs.dirs";
        const std::string text =
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
            "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
        ASSERT_TRUE(
            WriteBytes(config.File("user-dirs.dirs"), std::vector<uint8_t>(text.begin(), text.end())));
        EXPECT_EQ(PicturesFolder(), "/home/ana/Bilder/");
        // A pipe in its place is neither read nor waited on.
        ASSERT_EQ(remove(config.File("user-dirs.dirs").c_str()), 0);
        ASSERT_TRUE(MakeFifo(config.File("user-dirs.dirs")));
        static std::string said;
        SetErrorHookSink([](const char* message) { said += message; });
        EXPECT_FALSE(WaitedOnFifo(config.File("user-dirs.dirs"), [] {
            EXPECT_EQ(PicturesFolder(), "/home/ana/Pictures/");
            EXPECT_STREQ(SETTINGS().BGPath, "") << "a new record reads nothing from disk";
        }));
        SetErrorHookSink(nullptr);
        EXPECT_EQ(said.rfind("user-dirs.dirs: not a regular file; not read"), said.size() - 44) << said;
    }
    ScopedEnv pictures("XDG_PICTURES_DIR", "/media/pictures");
    EXPECT_EQ(PicturesFolder(), "/media/pictures/");
    EXPECT_STREQ(DefaultSettings().BGPath, "/media/pictures/") << "the default slideshow folder";
    EXPECT_EQ(PicturesFolder(8), "/media/") << "cut to the buffer";
}
