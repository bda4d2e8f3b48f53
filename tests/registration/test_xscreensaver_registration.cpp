// Registering Dovel in a copy of a user's ~/.xscreensaver: the line goes in
// once, nothing else of the user's file moves, and unregistering gives the
// very same bytes back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/FileIO.h"
#include "settings/XScreenSaverRegistration.h"
#include "tests/support/FifoWatch.h"

namespace {

namespace fs = std::filesystem;

const std::string kFixtures = DOVEL_REGISTRATION_FIXTURES;
const std::string kDovelLine = "  GL: \t\t\t\tdovel --root\t\t\t\t    \\n\\";

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

// Each starting point: the user's file (absent when empty) and the line the
// list starts with once Dovel is in it.
struct StartingPoint {
    const char* name;
    std::string before;  // "" means no ~/.xscreensaver at all
    std::string header;  // the programs: line Dovel's line follows
};

TEST_F(FakeHome, RegisteringTwiceAddsOneLineAndUnregisteringGivesTheSameBytesBack) {
    std::string withList = ReadText(kFixtures + "/xscreensaver-with-programs.txt");
    std::string systemHeader = "programs:\t\t\t\t\t\t\t\t      \\\n";
    StartingPoint points[] = {
        {"a programs: list", withList, "programs:\t\t\t\t\t\t\t\t      \\\n"},
        {"no programs: list", ReadText(kFixtures + "/xscreensaver-without-programs.txt"), systemHeader},
        {"no file", "", systemHeader},
        {"a list on one line", "timeout: 0:05:00\nprograms: maze -root\nlock: False\n", "programs:\\\n"},
    };
    for (const StartingPoint& p : points) {
        SCOPED_TRACE(p.name);
        fs::remove(files.UserFile());
        if (!p.before.empty()) WriteText(files.UserFile(), p.before);

        ASSERT_TRUE(Register()) << error;
        std::string once = UserText();
        EXPECT_EQ(Count(once, "dovel"), 1u);
        EXPECT_NE(("\n" + once).find("\n" + p.header + kDovelLine + "\n"), std::string::npos) << once;
        if (!p.before.empty()) {
            EXPECT_EQ(ReadText(files.BackupFile()), p.before);
        }
        // Every line of the user's stays; without a list of their own, the
        // system's savers come along.
        std::istringstream lines(p.before);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("programs:", 0) != 0) {
                EXPECT_NE(once.find(line + "\n"), std::string::npos) << line;
            }
        if (p.before.find("programs:") == std::string::npos) {
            EXPECT_NE(once.find("superquadrics --root"), std::string::npos);
        }

        ASSERT_TRUE(Register()) << error;
        EXPECT_EQ(UserText(), once);
        EXPECT_NE(message.find("already"), std::string::npos) << message;

        ASSERT_TRUE(Unregister()) << error;
        if (p.before.empty()) {
            EXPECT_FALSE(fs::exists(files.UserFile())) << UserText();
        } else {
            EXPECT_EQ(UserText(), p.before);
        }
        ASSERT_TRUE(Unregister()) << error;
        EXPECT_NE(message.find("was not"), std::string::npos) << message;
    }
}

TEST_F(FakeHome, RegistrationEditsOnlyDovelsOwnEntries) {
    struct Case {
        const char* name;
        std::string before, afterRegister, afterUnregister;
    };
    const std::string top = "programs:\t\\\n  maze --root \\n\\\n";
    const Case cases[] = {
        // A user who disabled Dovel and now registers it wants it to run.
        {"disabled entry", top + "-  GL: dovel --root \\n\\\n  qix --root \\n\n",
         top + "  GL: dovel --root \\n\\\n  qix --root \\n\n", top + "  qix --root \\n\n"},
        // XScreenSaver's settings write the options the user picked into the
        // command, and a full path works too: still Dovel's entry.
        {"entry with options",
         top + "  GL: /usr/libexec/xscreensaver/dovel --root --hearts 50 \\n\\\n  qix --root \\n\n",
         top + "  GL: /usr/libexec/xscreensaver/dovel --root --hearts 50 \\n\\\n  qix --root \\n\n",
         top + "  qix --root \\n\n"},
        // Dovel last in the list: the line before it ends the value.
        {"last entry", top + "  GL: dovel --root \\n\n", top + "  GL: dovel --root \\n\n",
         "programs:\t\\\n  maze --root \\n\n"},
        // A file cut short just after a continuation.
        {"cut short", "programs:\t\\\n  maze --root \\n\\\n", "", ""},
        // Not Dovel, though the name is close.
        {"similar names", top + "  dovelish --root \\n\n", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(files.UserFile(), c.before);
        ASSERT_TRUE(Register()) << error;
        if (!c.afterRegister.empty()) {
            EXPECT_EQ(UserText(), c.afterRegister);
        }
        ASSERT_TRUE(Unregister()) << error;
        EXPECT_EQ(UserText(), c.afterUnregister.empty() ? c.before : c.afterUnregister);
    }
}

TEST_F(FakeHome, AnEntrySharingItsLineIsLeftAloneWithAReason) {
    std::string shared = "programs: maze --root \\n  GL: dovel --root \\n\\\n  qix --root \\n\n";
    WriteText(files.UserFile(), shared);
    EXPECT_FALSE(Unregister());
    EXPECT_NE(error.find("by hand"), std::string::npos) << error;
    EXPECT_EQ(UserText(), shared);
}

TEST_F(FakeHome, ALinkedFileStaysALinkAndKeepsItsMode) {
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
    // A link to a file that is not there yet stays a link too.
    fs::remove(files.UserFile());
    fs::create_symlink(files.home + "/not-yet", files.UserFile());
    ASSERT_TRUE(Register()) << error;
    EXPECT_TRUE(fs::is_symlink(files.UserFile()));
    EXPECT_EQ(Count(ReadText(files.home + "/not-yet"), "dovel --root"), 1u);
    // A pipe in the file's place is refused without waiting on it.
    fs::remove(files.UserFile());
    ASSERT_TRUE(MakeFifo(files.UserFile()));
    EXPECT_FALSE(WaitedOnFifo(files.UserFile(), [&] { EXPECT_FALSE(Register()); }));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST_F(FakeHome, TheCommandWorksOnTheHomeFolderAndRejectsOtherFlags) {
    const char* oldHome = getenv("HOME");
    std::string saved = oldHome != nullptr ? oldHome : "";
    setenv("HOME", files.home.c_str(), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunRegistrationCommand("--register-xscreensaver"), 0);
    EXPECT_EQ(Count(UserText(), "dovel --root"), 1u);
    EXPECT_EQ(RunRegistrationCommand("--unregister-xscreensaver"), 0);
    testing::internal::GetCapturedStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunRegistrationCommand("--register"), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("--register"), std::string::npos);
    setenv("HOME", saved.c_str(), 1);
}

}  // namespace
