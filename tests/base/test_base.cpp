// The base library: bounded reading that never waits, atomic writing that
// keeps the mode and links, and the text helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "base/FileIO.h"
#include "base/Text.h"
#include "tests/support/FifoWatch.h"

namespace {

namespace fs = std::filesystem;

struct BaseFiles : ::testing::Test {
    std::string folder;
    void SetUp() override {
        char name[] = "/tmp/dovel-base-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string File(const std::string& name) const { return folder + "/" + name; }
    std::string Read(const std::string& path) const {
        std::string text;
        EXPECT_EQ(ReadFileText(path, &text, nullptr, 1 << 20), ReadStatus::kRead) << path;
        return text;
    }
    mode_t Mode(const std::string& path) const {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
};

TEST_F(BaseFiles, OnlyARegularFileWithinTheCapIsReadAndAPipeIsNeverWaitedOn) {
    ASSERT_TRUE(WriteFileAtomically(File("ten"), "0123456789", nullptr));
    fs::create_directory(File("folder"));
    ASSERT_TRUE(MakeFifo(File("pipe")));
    struct Case {
        std::string path;
        uint64_t cap;
        ReadStatus status;
        const char* why;
    } cases[] = {
        {File("ten"), 10, ReadStatus::kRead, ""},
        {File("ten"), 9, ReadStatus::kRefused, "too large"},
        {File("folder"), 10, ReadStatus::kRefused, "not a regular file"},
        {File("pipe"), 10, ReadStatus::kRefused, "not a regular file"},
        {File("none"), 10, ReadStatus::kMissing, "cannot open"},
    };
    for (const Case& c : cases) {
        std::string text = "stale", error;
        ReadStatus status = ReadStatus::kRead;
        EXPECT_FALSE(
            WaitedOnFifo(File("pipe"), [&] { status = ReadFileText(c.path, &text, &error, c.cap); }));
        EXPECT_EQ(status, c.status) << c.path << " " << error;
        EXPECT_EQ(text, c.status == ReadStatus::kRead ? "0123456789" : "") << c.path;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    }
}

// A replaced file keeps its mode; a link, even one whose file is not there
// yet, stays a link; a read-only file or a failed write changes nothing and
// leaves no temporary file behind.
TEST_F(BaseFiles, AtomicWritesKeepTheModeFollowLinksAndNeverLeaveAPartialFile) {
    ASSERT_TRUE(WriteFileAtomically(File("mine"), "old", nullptr));
    ASSERT_EQ(chmod(File("mine").c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(File("mine"), "new", nullptr));
    EXPECT_EQ(Read(File("mine")), "new");
    EXPECT_EQ(Mode(File("mine")), 0640u);

    fs::create_directory(File("dotfiles"));
    fs::create_symlink("dotfiles/real", File("dangling"));
    ASSERT_TRUE(WriteFileAtomically(File("dangling"), "one", nullptr));
    ASSERT_TRUE(WriteFileAtomically(File("dangling"), "two", nullptr));
    EXPECT_TRUE(fs::is_symlink(File("dangling")));
    EXPECT_EQ(Read(File("dotfiles/real")), "two");

    ASSERT_EQ(chmod(File("mine").c_str(), 0440), 0);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(File("mine"), "lost", &error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_FALSE(WriteFileAtomically(File("no/such/folder/file"), "x", &error));
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(Read(File("mine")), "new");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dangling", "dotfiles", "mine"}));
}

TEST(BaseText, TrimHexPercentAndQuoting) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim(" \n "), "");
    struct Hex {
        const char* text;
        bool ok;
        uint8_t rgb[3];
    } hexes[] = {{"#ff8000", true, {255, 128, 0}}, {"0A0b0C", true, {10, 11, 12}}, {"#ff800", false, {}},
                 {"ff80000", false, {}},           {"gg0000", false, {}},          {"", false, {}}};
    for (const Hex& h : hexes) {
        uint8_t rgb[3] = {1, 2, 3};
        EXPECT_EQ(ParseHexBytes(h.text, rgb, 3), h.ok) << h.text;
        if (h.ok) {
            EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 3), std::vector<uint8_t>(h.rgb, h.rgb + 3));
        }
    }
    // A folder that is not UTF-8 goes through a URI and back byte for byte.
    const std::string folder = "/home/me/caf\xe9 %41/";
    EXPECT_EQ(PercentEncode(folder, "/"), "/home/me/caf%E9%20%2541/");
    std::string back;
    EXPECT_TRUE(PercentDecode(PercentEncode(folder, "/"), &back));
    EXPECT_EQ(back, folder);
    for (const char* bad : {"a%zz", "a%4", "a%00b"}) {
        EXPECT_FALSE(PercentDecode(bad, &back)) << bad;
        EXPECT_EQ(back, bad) << "a bad escape stands as written";
    }
    // Quotes, backslashes and control characters escaped; UTF-8 kept; a
    // stray byte is its own character in JSON and U+FFFD in TOML.
    const std::string text = "a\"b\\c\n\x01\x7f \xe2\x99\xa5 \xe9";
    EXPECT_EQ(JsonQuoted(text), "\"a\\\"b\\\\c\\u000a\\u0001\\u007f \xe2\x99\xa5 \\u00e9\"");
    EXPECT_EQ(TomlQuoted(text), "\"a\\\"b\\\\c\\u000a\\u0001\\u007f \xe2\x99\xa5 \xef\xbf\xbd\"");
    EXPECT_TRUE(IsValidUtf8("\xe2\x99\xa5"));
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80")) << "a surrogate";
    EXPECT_EQ(ValidUtf8("a\xc0\xafz"), "a\xef\xbf\xbd\xef\xbf\xbdz") << "an overlong form";
}

}  // namespace
