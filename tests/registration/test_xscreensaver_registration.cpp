// Registering Dovel in a copy of a user's ~/.xscreensaver: the line goes in
// once, nothing else of the user's file moves, and unregistering gives the
// very same bytes back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <sstream>

#include "base/FileIO.h"
#include "settings/XScreenSaverRegistration.h"
#include "tests/support/FifoWatch.h"

namespace {

namespace fs = std::filesystem;

const std::string kFixtures = DOVEL_REGISTRATION_FIXTURES;

std::string ReadText(const std::string& path) {
    std::string text;
    ReadFileText(path, &text, nullptr, uint64_t{1} << 20);
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteFileAtomically(path, text, nullptr)) << path;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct FakeHome : testing::Test {
    XScreenSaverFiles files;
    std::string message, error;

    void SetUp() override {
        char pattern[] = "/tmp/dovel-registration-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        files.home = pattern;
        files.appDefaults = kFixtures + "/app-defaults.txt";
    }
    void TearDown() override { fs::remove_all(files.home); }

    bool Register() { return RegisterWithXScreenSaver(files, &message, &error); }
    bool Unregister() { return UnregisterFromXScreenSaver(files, &message, &error); }
    std::string UserText() const { return ReadText(files.UserFile()); }
};

// The entries of the last programs: list, in order.
std::vector<std::string> Programs(const std::string& text) {
    // Where "programs:" starts a line of text (the newline put first is one
    // character, so the place found is the place in text).
    const size_t at = ("\n" + text).rfind("\nprograms:");
    if (at == std::string::npos) return {};
    std::string value;
    for (size_t i = text.find(':', at) + 1; i < text.size() && text[i] != '\n'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        value += text[i];
    }
    std::vector<std::string> entries;
    for (size_t from = 0; from <= value.size();) {
        size_t end = std::min(value.find("\\n", from), value.size());
        std::string entry = value.substr(from, end - from);
        entry.erase(0, entry.find_first_not_of(" \t"));
        entry.erase(entry.find_last_not_of(" \t") + 1);
        if (!entry.empty()) entries.push_back(entry);
        from = end + 2;
    }
    return entries;
}

TEST_F(FakeHome, RegisteringAppendsDovelSoEverySaverKeepsItsPlaceAndUnregisteringGivesTheSameBytesBack) {
    std::string real = ReadText(kFixtures + "/xscreensaver-with-programs.txt");
    // As XScreenSaver's settings write it when the user picks one saver:
    // "selected: 3" counts the list, and names blitspin.
    std::string one = real;
    one.replace(one.find("mode:\t\trandom\nselected:\t-1"), 26, "mode:\t\tone\nselected:\t3");
    const std::string top = "programs:\t\\\n  maze --root \\n\\\n";
    struct Case {
        const char* name;
        std::string before;  // "" and absent: no ~/.xscreensaver
        bool absent;
        std::vector<std::string> programsBefore;  // when the file has none: the system's
    };
    const std::vector<std::string> system = {"maze --root", "GL: \t\t\t\tsuperquadrics --root",
                                             "-\t\t\t\tnoseguy --root", "GL: \t\t\t\tsquirtorus --root"};
    const Case cases[] = {
        {"mode one", one, false, {}},
        {"no programs: list", ReadText(kFixtures + "/xscreensaver-without-programs.txt"), false, system},
        {"no file", "", true, system},
        {"an empty file", "", false, system},
        {"a list on one line without a final newline", "timeout: 0:05:00\nprograms: maze -root", false, {}},
        {"a file ending in a backslash", top, false, {}},
        {"two lists: the last counts", "programs: qix -root \\n\n" + top + "  GL: gears \\n\n", false, {}},
        {"a disabled dovel entry", top + "-  GL: dovel --root \\n\\\n  qix --root \\n\n", false, {}},
        {"the user's own dovel entry",
         top + "  GL: /usr/libexec/xscreensaver/dovel --root --hearts 50 \\n\\\n  qix --root \\n\n",
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(files.UserFile());
        if (!c.absent) WriteText(files.UserFile(), c.before);
        std::vector<std::string> programs = c.programsBefore.empty() ? Programs(c.before) : c.programsBefore;

        ASSERT_TRUE(Register()) << error;
        std::string once = UserText();
        std::vector<std::string> after = Programs(once);
        // Every saver keeps its place; Dovel, new, comes last, and runs.
        const bool had = Count(c.before, "dovel") > 0;
        ASSERT_EQ(after.size(), programs.size() + (had ? 0 : 1)) << once;
        for (size_t i = 0; i < programs.size(); ++i) {
            if (programs[i].find("dovel") == std::string::npos) {
                EXPECT_EQ(after[i], programs[i]);
            }
        }
        if (!had) {
            EXPECT_NE(after.back().find("dovel --root"), std::string::npos) << once;
        }
        EXPECT_EQ(Count(once, "dovel"), 1u) << once;
        EXPECT_EQ(once.find("-  GL: dovel"), std::string::npos) << "enabled";
        if (c.name == std::string("mode one")) {
            EXPECT_EQ(after[3].find("blitspin"), 0u);
            EXPECT_NE(once.find("mode:\t\tone\nselected:\t3\n"), std::string::npos);
        }
        if (c.name == std::string("two lists: the last counts")) {
            EXPECT_EQ(once.find("programs: qix -root \\n\n"), 0u) << "the first list is left alone";
        }

        ASSERT_TRUE(Register()) << error;
        EXPECT_EQ(UserText(), once);
        EXPECT_NE(message.find("already"), std::string::npos) << message;

        ASSERT_TRUE(Unregister()) << error;
        if (c.absent) {
            EXPECT_FALSE(fs::exists(files.UserFile())) << UserText();
        } else {
            EXPECT_EQ(UserText(), c.before);
        }
        EXPECT_FALSE(fs::exists(files.BackupFile())) << "the backup goes with the registration";
    }
}

TEST_F(FakeHome, AFileChangedSinceRegisteringLosesEveryDovelEntryAndKeepsTheChange) {
    const std::string top = "timeout: 0:10:00\nprograms:\t\\\n  maze --root \\n\\\n  qix --root \\n\n";
    WriteText(files.UserFile(), top);
    ASSERT_TRUE(Register()) << error;
    // XScreenSaver's settings saved another timeout meanwhile.
    std::string changed = UserText();
    changed.replace(changed.find("0:10:00"), 7, "0:20:00");
    WriteText(files.UserFile(), changed);
    ASSERT_TRUE(Unregister()) << error;
    std::string expected = top;
    EXPECT_EQ(UserText(), expected.replace(expected.find("0:10:00"), 7, "0:20:00"));
    EXPECT_FALSE(fs::exists(files.BackupFile()));
}

TEST_F(FakeHome, AnEntrySharingItsLineIsLeftAloneWithAReason) {
    std::string shared = "programs: maze --root \\n  GL: dovel --root \\n\\\n  qix --root \\n\n";
    WriteText(files.UserFile(), shared);
    EXPECT_FALSE(Unregister());
    EXPECT_NE(error.find("by hand"), std::string::npos) << error;
    EXPECT_EQ(UserText(), shared);
}

TEST_F(FakeHome, ALinkStaysALinkEvenDanglingAndKeepsItsMode) {
    std::string target = files.home + "/dotfiles-xscreensaver";
    WriteText(target, ReadText(kFixtures + "/xscreensaver-with-programs.txt"));
    chmod(target.c_str(), 0600);
    fs::create_symlink(target, files.UserFile());
    ASSERT_TRUE(Register()) << error;
    EXPECT_TRUE(fs::is_symlink(files.UserFile()));
    EXPECT_EQ(Count(ReadText(target), "dovel --root"), 1u);
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A link to a file yet to be made: the file is made behind the link.
    fs::remove(files.UserFile());
    fs::remove(target);
    fs::create_symlink("dotfiles-xscreensaver", files.UserFile());
    ASSERT_TRUE(Register()) << error;
    EXPECT_TRUE(fs::is_symlink(files.UserFile()));
    EXPECT_EQ(Count(ReadText(target), "dovel --root"), 1u);
    ASSERT_TRUE(Unregister()) << error;
    EXPECT_TRUE(fs::is_symlink(files.UserFile()));
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(FakeHome, AReadOnlyFileAFifoOrADeviceIsRefusedAndLeftAsItIs) {
    const std::string text = "programs:\t\\\n  maze --root \\n\n";
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* reason;
    };
    const Case cases[] = {
        {"read-only", [&] { WriteText(files.UserFile(), text), chmod(files.UserFile().c_str(), 0444); },
         "read-only"},
        {"fifo", [&] { ASSERT_TRUE(MakeFifo(files.UserFile())); }, "not a regular file"},
        {"device", [&] { fs::create_symlink("/dev/null", files.UserFile()); }, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(files.UserFile());
        c.make();
        for (bool add : {true, false}) {
            error.clear();
            const auto refused = [&] { EXPECT_FALSE(add ? Register() : Unregister()); };
            if (fs::is_fifo(files.UserFile())) {
                EXPECT_FALSE(WaitedOnFifo(files.UserFile(), refused))
                    << "a pipe is refused without waiting on it";
            } else {
                refused();
            }
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
        }
        EXPECT_FALSE(fs::exists(files.BackupFile()));
        if (std::string(c.name) == "read-only") {
            EXPECT_EQ(UserText(), text);
        }
    }
    EXPECT_TRUE(fs::is_symlink(files.UserFile()));
}

TEST_F(FakeHome, TheProgramRegistersInTheHomeFolderAndRejectsOtherFlagsNamingItself) {
    const std::string program = DOVEL_SETTINGS_PATH;
    const std::string env = "HOME='" + files.home + "' ";
    const std::string out = files.home + "/out.txt";
    auto run = [&](const std::string& flags) {
        int raw = std::system((env + program + " " + flags + " >'" + out + "' 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(run("--register-xscreensaver"), 0);
    EXPECT_EQ(ReadText(out).rfind("dovel-settings: ", 0), 0u) << ReadText(out);
    std::string registered = UserText();
    EXPECT_EQ(Count(registered, "dovel --root"), 1u);
    for (const char* bad : {"--register-xscreensaver=no", "--unregister-xscreensaver=1", "--register",
                            "--register-xscreensaver --unregister-xscreensaver"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(run(bad), 2);
        EXPECT_EQ(ReadText(out).rfind("dovel-settings: ", 0), 0u) << ReadText(out);
        EXPECT_EQ(UserText(), registered);
    }
    EXPECT_EQ(run("-unregister-xscreensaver"), 0);
    EXPECT_FALSE(fs::exists(files.UserFile()));
}

}  // namespace
