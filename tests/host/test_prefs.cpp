// The stored preferences of module qvDovelSS: first start, version reset,
// damaged, unreadable and read-only files, pipes, links, interrupted saves,
// and what is saved read back the same. (Each setting's round trip, missing,
// mistyped and out-of-range values: the settings table test.)
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "host/prefs/StoredSettings.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/XTestSupport.h"
#include "tests/support/FifoWatch.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
namespace fs = std::filesystem;

const std::string kPictures = DefaultSettings().BGPath;
const std::string kDefaults = "0 200 20 0 1 1 1 1 0 " + kPictures + " 1 1,0,0 0.6,0.8,1 10";

struct PrefsTest : ::testing::Test {
    ScratchFolder scratch;
    std::string file = scratch.File("dovel/qvDovelSS.toml");

    StoredSettings Load(std::string* warnings = nullptr) { return LoadStoredSettings(file, warnings); }
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
// back gives them again; the file of another version is kept beside it.
TEST_F(PrefsTest, FirstStartAndAnOldVersionStoreAndUseTheDefaults) {
    ASSERT_FALSE(fs::exists(file));
    EXPECT_EQ(Describe(Load()), kDefaults);
    EXPECT_EQ(ScreenSaverDefaults(file).StringForKey("version"), "1.1");
    EXPECT_EQ(Describe(Load()), kDefaults) << ReadFileText(file);
    EXPECT_FALSE(fs::exists(file + ".old")) << "a first start has nothing to keep";
    // Written as the short decimal, not as the float's binary expansion.
    EXPECT_NE(ReadFileText(file).find("BGCR = 0.6\n"), std::string::npos) << ReadFileText(file);

    const std::string old = "version = \"1.0\"\nNumHearts = 77\nBGPath = \"/home/me/Valentines/\"\n";
    const std::string unversioned = "NumHearts = 78\n";
    for (const std::string& text : {old, unversioned}) {
        Write(text);
        EXPECT_EQ(Describe(Load()), kDefaults) << "every value is reset, the folder included";
        EXPECT_EQ(Describe(Load()), kDefaults) << ReadFileText(file);
    }
    EXPECT_EQ(ReadFileText(file + ".old"), old) << "the user's file is kept byte for byte";
    EXPECT_EQ(ReadFileText(file + ".old-1"), unversioned);
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

    // Neither a folder nor a pipe where the file should be is read (nor
    // waited on) as preferences, and neither is replaced.
    fs::remove(file);
    fs::create_directories(file);
    WriteFileText(file + "/inside", "mine");
    EXPECT_EQ(Describe(Load(&warnings)), kDefaults);
    EXPECT_EQ(ReadFileText(file + "/inside"), "mine");
    EXPECT_NE(warnings.find("cannot read"), std::string::npos) << warnings;
    fs::remove_all(file);
    ASSERT_TRUE(MakeFifo(file));
    EXPECT_FALSE(WaitedOnFifo(file, [&] { EXPECT_EQ(Describe(Load(&warnings)), kDefaults); }));
    EXPECT_EQ(warnings, "dovel: warning: cannot read preferences file " + file +
                            " (not a regular file); using defaults and leaving it untouched\n")
        << "one line";
    EXPECT_TRUE(fs::is_fifo(file));
}

// A read-only file is never replaced, not even by a version reset; a file
// reached through a symbolic link is replaced where it lies and the link
// stays.
TEST_F(PrefsTest, ReadOnlyFilesStayAndLinksAreFollowed) {
    Write("version = \"1.0\"\nNumHearts = 5\n");
    chmod(file.c_str(), 0444);
    std::string warnings;
    for (int start = 0; start < 2; ++start) {
        EXPECT_EQ(Describe(Load(&warnings)), kDefaults);
        EXPECT_NE(warnings.find("read-only"), std::string::npos) << warnings;
    }
    EXPECT_EQ(ReadFileText(file), "version = \"1.0\"\nNumHearts = 5\n");
    EXPECT_EQ(ListFolder(scratch.File("dovel")),
              (std::vector<std::string>{"qvDovelSS.toml", "qvDovelSS.toml.lock"}))
        << "a file that cannot be replaced is not copied at every start";

    fs::remove(file);
    const std::string real = scratch.File("dotfiles.toml");
    WriteFileText(real, PrefsText(3));
    fs::create_symlink(real, file);
    StoredSettings s = Load();
    s.settings.SETNUMHEARTS = 66;
    Save(s, "/p/");
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(Load().settings.SETNUMHEARTS, 66);
    EXPECT_NE(ReadFileText(real).find("NumHearts = 66"), std::string::npos);
}

TEST_F(PrefsTest, WhatIsSavedWholeIsWhatEveryNewViewUses) {
    StoredSettings first = Load();
    first.settings.SETPICDELAY = 45;
    first.settings.BGTYPE = BG_SLIDESHOW;
    first.mainMonitorOnly = true;
    first.settings.FITSCREEN = false;
    Save(first, "/a/very/long/folder/");
    EXPECT_EQ(ListFolder(scratch.File("dovel")),
              (std::vector<std::string>{"qvDovelSS.toml", "qvDovelSS.toml.lock"}))
        << "no temporary file is left after a save";
    // A save that died before its rename leaves a half-written temporary file.
    WriteFileText(file + ".tmp-Ab12Cd", "version = \"1.1\"\nNumHearts = 9");
    EXPECT_EQ(Describe(Load()), "1 200 45 0 1 1 0 1 2 /a/very/long/folder/ 1 1,0,0 0.6,0.8,1 10");
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

// A view reads the store when it is made and sets its record up a moment
// later: a save that lands in between (the settings window, on the first
// start) is what the view uses, and is neither replaced nor copied aside.
TEST_F(PrefsTest, ASaveBetweenAViewsReadAndItsSetUpIsKept) {
    ScreenSaverDefaults view(file);
    StoredSettings mine = DefaultStoredSettings();
    mine.settings.SETNUMHEARTS = 7;
    {
        ScreenSaverDefaults window(file);
        window.SetString("version", kPrefsVersion);
        ASSERT_TRUE(SaveSettings(&window, mine, "/p/"));
    }
    std::string warnings;
    CaptureStderr();
    StoredSettings used;
    LoadSettings(&view, &used);
    warnings = GetCapturedStderr();
    EXPECT_EQ(used.settings.SETNUMHEARTS, 7);
    EXPECT_EQ(Load().settings.SETNUMHEARTS, 7) << ReadFileText(file);
    EXPECT_EQ(warnings, "");
    EXPECT_FALSE(fs::exists(file + ".old"));
}

// Saving edits the file as the user wrote it: comments, blank lines, key
// order and keys Dovel does not know stay, a changed value is rewritten in
// its line (a comment after it stays), new keys come after the last value,
// and the file keeps its mode. Saving the same values again changes nothing.
TEST_F(PrefsTest, SavingRewritesOnlyTheValuesThatChangedAndKeepsTheMode) {
    Write("# mine\nversion = \"1.1\"\n\nNumHearts = 50   # plenty\nZebra = 'z'\nHCR = 1.0\n[sub]\na = 1\n");
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    StoredSettings s = Load();
    s.settings.SETNUMHEARTS = 7;
    Save(s, "/p/");
    const std::string text = ReadFileText(file);
    EXPECT_EQ(text.rfind("# mine\nversion = \"1.1\"\n\nNumHearts = 7   # plenty\nZebra = 'z'\nHCR = 1.0\n"
                         "MainMonitorOnly = false\nPicDelay = 20\n",
                         0),
              0u)
        << text;
    EXPECT_EQ(text.substr(text.size() - 12), "[sub]\na = 1\n") << text;
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    Save(Load(), "/p/");
    EXPECT_EQ(ReadFileText(file), text);
}

// Every key and value that Dovel writes reads back the same: keys that need
// quoting, strings with quotes, escapes and control characters, colours to
// the last bit, and a folder whose name is not UTF-8, byte for byte.
TEST_F(PrefsTest, WhatIsWrittenReadsBackTheSame) {
    Write(PrefsText(3, "Comment = \"written by hand\"\n[sub]\na = 1.5\n[[arr]]\nb = 2\n"));
    const std::vector<std::pair<std::string, std::string>> awkward = {
        {"it's", "a 'quoted' \"value\""},    {"a\"b\\c", "back\\slash"},
        {"tab\tkey", "line\nbreak\x01\x7f"}, {"", "empty key"},
        {"c\xc3\xa6ur", "\xe2\x99\xa5"},     {"[x]", "= 1"}};
    {
        ScreenSaverDefaults store(file);
        for (const auto& [key, value] : awkward) store.SetString(key.c_str(), value);
        ASSERT_TRUE(store.Synchronize());
    }
    StoredSettings s = Load();
    s.settings.HCR = 0.123456789f;
    s.settings.BGCG = 1.0f / 3.0f;
    for (std::string path :
         {std::string("/home/me/caf\xe9 %41/"), std::string("file:///x%41/"), std::string("/plain/")}) {
        Save(s, path);
        StoredSettings back = Load();
        EXPECT_EQ(std::string(back.settings.BGPath), path);
        EXPECT_EQ(back.settings.HCR, 0.123456789f);
        EXPECT_EQ(back.settings.BGCG, 1.0f / 3.0f);
    }
    ScreenSaverDefaults reread(file);
    std::string text = ReadFileText(file);
    EXPECT_TRUE(reread.MovedAsidePath().empty()) << "what was saved parses again:\n" << text;
    for (const auto& [key, value] : awkward) EXPECT_EQ(reread.StringForKey(key.c_str()), value) << text;
    EXPECT_EQ(reread.StringForKey("Comment"), "written by hand");
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
    // Without HOME, the account's own home folder.
    const std::string home = getenv("HOME");
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ScreenSaverDefaults::PathForModule("qvDovelSS"),
              std::string(getpwuid(getuid())->pw_dir) + "/.config/dovel/qvDovelSS.toml");
    setenv("HOME", home.c_str(), 1);
    old != nullptr ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace

// Real dovel processes on one preferences file, as XScreenSaver starts one
// per monitor: each runs one headless frame.
struct PrefsProcessesTest : PrefsTest {
    // Starts dovel with the arguments, what it says going to outFile.
    void Start(ChildProcess* child, std::vector<std::string> args, const std::string& outFile) {
        args.insert(args.begin(), BuiltDovel());
        ASSERT_TRUE(child->Start(args, {}, outFile));
    }
    // Waits for the process to exit; its exit status, or -1.
    static int Wait(ChildProcess* child) {
        int status = -2;
        return child->WaitExit(60.0, &status) ? status : -2;
    }
    // Starts n views together on the file; what they said on standard
    // error, all together.
    std::string StartViews(int n) {
        std::vector<ChildProcess> views(n);
        for (int i = 0; i < n; ++i)
            Start(&views[i], {"-headless", "-size", "32x24", "-frames", "1", "-prefs", file},
                  scratch.File("err-" + std::to_string(i)));
        std::string said;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(Wait(&views[i]), 0);
            said += ReadFileText(scratch.File("err-" + std::to_string(i)));
        }
        return said;
    }
};

// Views starting together on the file of an older version: one keeps a
// copy and says so, the others read the defaults it stored, and none warns
// falsely.
TEST_F(PrefsProcessesTest, ViewsStartingTogetherResetAnOldFileOnce) {
    const std::string old = "version = \"1.0\"\nNumHearts = 77\n";
    Write(old);
    std::string said = StartViews(4);
    size_t first = said.find("kept as");
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("warning", said.find('\n', first)), std::string::npos) << said;
    EXPECT_EQ(said.rfind("warning", first), said.find("warning")) << said;
    EXPECT_EQ(ReadFileText(file + ".old"), old);
    EXPECT_EQ(ListFolder(scratch.File("dovel")),
              (std::vector<std::string>{"qvDovelSS.toml", "qvDovelSS.toml.lock", "qvDovelSS.toml.old"}));
    EXPECT_EQ(Describe(Load()), kDefaults);
}

// A file named with -prefs that is not Dovel's is refused with one line and
// left as it is.
TEST_F(PrefsProcessesTest, AFileThatIsNotDovelsIsRefusedAndLeftAlone) {
    for (const std::string text : {"export PATH=$HOME/bin:$PATH\n", "[user]\nname = \"me\"\n"}) {
        const std::string bashrc = scratch.File(".bashrc");
        WriteFileText(bashrc, text);
        ChildProcess refused;
        Start(&refused, {"-headless", "-frames", "1", "-prefs", bashrc}, scratch.File("err"));
        EXPECT_EQ(Wait(&refused), 1);
        const std::string said = ReadFileText(scratch.File("err"));
        EXPECT_NE(said.find("is not Dovel's"), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
        EXPECT_EQ(ReadFileText(bashrc), text);
        EXPECT_FALSE(fs::exists(bashrc + ".damaged"));
        EXPECT_FALSE(fs::exists(bashrc + ".old"));
    }
}
