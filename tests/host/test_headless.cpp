// dovel -headless: its flags, replayable runs, the statistics, and the built
// program run from start to end (under the sanitizers in that build).
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <climits>
#include <cstdio>
#include <fstream>

#include "host/DovelOptions.h"
#include "host/HeadlessRun.h"
#include "host/PngWriter.h"
#include "host/SnapshotFile.h"
#include "host/ResourcePath.h"
#include "tests/host/HostTestSupport.h"

extern char** environ;

namespace {

ParseResult Parse(std::vector<const char*> args, DovelOptions* o, std::string* error) {
    args.insert(args.begin(), "dovel");
    return ParseDovelOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(DovelOptions, DefaultsAndEveryFlag) {
    DovelOptions o;
    std::string error;
    ASSERT_EQ(Parse({}, &o, &error), ParseResult::kRun);
    EXPECT_FALSE(o.headless);
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_EQ(o.frames, 600);
    EXPECT_EQ(o.every, 1);
    EXPECT_FALSE(o.seedGiven);
    EXPECT_TRUE(o.outDir.empty());

    ASSERT_EQ(Parse({"-headless", "--size", "320x200", "-frames=90", "--out=frames/", "-every", "3", "--seed",
                     "4294967295", "-preview", "-prefs", "p.toml", "--snapshot", "s.png", "--stats"},
                    &o, &error),
              ParseResult::kRun)
        << error;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 200);
    EXPECT_EQ(o.frames, 90);
    EXPECT_EQ(o.outDir, "frames/");
    EXPECT_EQ(o.every, 3);
    EXPECT_TRUE(o.seedGiven);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_TRUE(o.preview);
    EXPECT_EQ(o.prefsFile, "p.toml");
    EXPECT_EQ(o.snapshotFile, "s.png");
    EXPECT_TRUE(o.stats);

    EXPECT_EQ(Parse({"--help"}, &o, &error), ParseResult::kHelp);
    for (const char* flag : {"-headless", "-size", "-frames", "-out", "-every", "-seed", "-preview", "-prefs",
                             "-snapshot", "-stats", "-help"})
        EXPECT_NE(std::string(DovelHelpText()).find(flag), std::string::npos) << flag;
}

TEST(DovelOptions, UnknownFlagsAndBadValuesAreErrors) {
    const std::vector<std::vector<const char*>> bad = {
        {"-bogus"},         {"-size", "0x10"},
        {"-size", "100"},   {"-size", "20000x10"},
        {"-size", "12x-3"}, {"-frames", "-1"},
        {"-frames", "ten"}, {"-frames"},
        {"-every", "0"},    {"-seed", "4294967296"},
        {"-seed", "-1"},    {"-out", ""},
        {"-headless=yes"},  {"stray"},
        {"-frames", "1e3"}, {"-size", "99999999999999999999x1"},
    };
    for (const auto& args : bad) {
        DovelOptions o;
        std::string error;
        EXPECT_EQ(Parse(args, &o, &error), ParseResult::kError) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

struct HeadlessTest : ::testing::Test {
    ScratchFolder scratch;
    HeadlessPaths paths{DataFolder(), scratch.File("qvDovelSS.toml")};

    DovelOptions Options(const std::string& out, uint32_t seed) {
        DovelOptions o;
        o.headless = true;
        o.width = 160;
        o.height = 120;
        o.frames = 61;
        o.outDir = out;
        o.every = 20;
        o.seedGiven = true;
        o.seed = seed;
        return o;
    }
};

TEST_F(HeadlessTest, TheSameSeedGivesTheSameFramesByteForByte) {
    WriteFileText(paths.prefsPath, PrefsText(BG_COLOUR));
    RunStats a, b, c;
    ASSERT_EQ(RunHeadless(Options(scratch.File("a"), 7), paths, 0.0, &a), 0);
    ASSERT_EQ(RunHeadless(Options(scratch.File("b"), 7), paths, 0.0, &b), 0);
    ASSERT_EQ(RunHeadless(Options(scratch.File("c"), 8), paths, 0.0, &c), 0);
    std::vector<std::string> names = {"frame-000000.png", "frame-000020.png", "frame-000040.png"};
    EXPECT_EQ(ListFolder(scratch.File("a")), names);
    bool anyDiffers = false;
    for (const std::string& name : names) {
        std::string fa = ReadFileText(scratch.File("a/" + name));
        ASSERT_GT(fa.size(), 8u);
        EXPECT_EQ(fa.substr(1, 3), "PNG");
        EXPECT_EQ(fa, ReadFileText(scratch.File("b/" + name))) << name;
        anyDiffers = anyDiffers || fa != ReadFileText(scratch.File("c/" + name));
    }
    EXPECT_TRUE(anyDiffers) << "another seed gives another scene";
    EXPECT_EQ(a.arrowsLoosed, b.arrowsLoosed);
    EXPECT_EQ(a.heartsBurst, b.heartsBurst);
}

TEST_F(HeadlessTest, StatisticsCountTicksFramesAndTheWorld) {
    WriteFileText(paths.prefsPath, PrefsText(BG_COLOUR));
    DovelOptions o = Options("", 3);
    o.frames = 180;
    RunStats stats;
    ASSERT_EQ(RunHeadless(o, paths, MonotonicSeconds(), &stats), 0);
    EXPECT_EQ(stats.ticks, 180);
    EXPECT_EQ(stats.frames, 179) << "the first tick sets up and draws nothing";
    EXPECT_EQ(stats.frameMs.values.size(), 179u);
    EXPECT_EQ(stats.worldUs.values.size(), 179u);
    EXPECT_GT(stats.startupMs, 0.0);
    EXPECT_GT(stats.heartsLiveFrames, 0);
    double live = stats.heartsLiveSum / static_cast<double>(stats.heartsLiveFrames);
    EXPECT_GT(live, 0.0);
    EXPECT_LE(live, 80.0) << "at most twice NumHearts slots";
    EXPECT_GT(stats.peakRssMb, 1.0);
    std::string json = stats.ToJson();
    for (const char* key : {"\"frames\":179", "\"ticks\":180", "\"startup_ms\":", "\"frame_ms\":{\"mean\":",
                            "\"p50\":", "\"p99\":", "\"world_us\":", "\"hearts_live_mean\":",
                            "\"arrows_loosed\":", "\"hearts_burst\":", "\"peak_rss_mb\":"})
        EXPECT_NE(json.find(key), std::string::npos) << key << " in " << json;
}

TEST(RunStatsSeries, MeanAndNearestRankPercentiles) {
    SampleSeries s;
    EXPECT_EQ(s.Mean(), 0.0);
    EXPECT_EQ(s.Percentile(99), 0.0);
    for (int i = 100; i >= 1; --i) s.Add(i);
    EXPECT_DOUBLE_EQ(s.Mean(), 50.5);
    EXPECT_EQ(s.Percentile(50), 50.0);
    EXPECT_EQ(s.Percentile(99), 99.0);
    EXPECT_EQ(s.Percentile(100), 100.0);
}

TEST_F(HeadlessTest, AnUnreadableSnapshotPictureIsABadValue) {
    DovelOptions o = Options("", 1);
    o.snapshotFile = scratch.File("missing.png");
    RunStats stats;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(o, paths, 0.0, &stats), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read snapshot picture"), std::string::npos);
}

TEST(SnapshotFile, APictureIsScaledToTheDisplayAndDeliveredBottomRowFirst) {
    ScratchFolder scratch;
    // 4 x 2 pixels: the upper row red, the lower row blue (rows given bottom up).
    std::vector<uint8_t> rgba(4 * 2 * 4, 255);
    for (int x = 0; x < 4; ++x) {
        uint8_t* bottom = &rgba[x * 4];
        uint8_t* top = &rgba[(4 + x) * 4];
        bottom[0] = 0, bottom[1] = 0, bottom[2] = 255;
        top[0] = 255, top[1] = 0, top[2] = 0;
    }
    std::string error, file = scratch.File("shot.png");
    ASSERT_TRUE(WritePngRgb(file, 4, 2, rgba, &error)) << error;
    SnapshotImage shot;
    ASSERT_TRUE(LoadSnapshotFile(file, 8, 6, &shot, &error)) << error;
    ASSERT_EQ(shot.width, 8);
    ASSERT_EQ(shot.height, 6);
    ASSERT_EQ(shot.rgba.size(), 8u * 6u * 4u);
    EXPECT_GT(shot.rgba[2], 200) << "row 0 is the bottom: blue";
    EXPECT_LT(shot.rgba[0], 50);
    const uint8_t* last = &shot.rgba[(5 * 8 + 7) * 4];
    EXPECT_GT(last[0], 200) << "the last row is the top: red";
    EXPECT_EQ(last[3], 255);

    WriteFileText(scratch.File("junk.png"), "\x89PNG\r\n\x1a\n but then nothing of the sort");
    EXPECT_FALSE(LoadSnapshotFile(scratch.File("junk.png"), 8, 6, &shot, &error));
    EXPECT_FALSE(error.empty());
}

TEST(ResourceFolder, IsShareDovelBesideTheProgramsFolder) {
    EXPECT_EQ(ResourceFolderFor("/nonexistent/prefix/bin/dovel"), "/nonexistent/prefix/bin/../share/dovel/");
    std::string mine = ResourceFolderOfExecutable();
    EXPECT_EQ(mine.back(), '/');
    EXPECT_NE(mine.find("share/dovel/"), std::string::npos);
}

// Runs a program, collecting its standard output and error; returns its
// exit status (or -1 when it could not be run or did not exit).
int RunProgram(const std::vector<std::string>& args, const std::string& outFile, const std::string& errFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string DovelProgram() {
    char exe[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", exe, PATH_MAX);
    if (n <= 0) return "dovel";
    exe[n] = '\0';
    std::string path = exe;
    return path.substr(0, path.find_last_of('/') + 1) + "dovel";
}

TEST_F(HeadlessTest, TheBuiltProgramRunsAWholeHeadlessLife) {
    WriteFileText(paths.prefsPath, PrefsText(BG_SNAPSHOT));
    std::string out = scratch.File("out.txt"), err = scratch.File("err.txt");
    int status =
        RunProgram({DovelProgram(), "-headless", "-size", "200x150", "-frames", "120", "-seed", "5", "-prefs",
                    paths.prefsPath, "-out", scratch.File("frames"), "-every", "50", "-stats"},
                   out, err);
    ASSERT_EQ(status, 0) << ReadFileText(err);
    std::string json = ReadFileText(out);
    EXPECT_EQ(json.front(), '{');
    EXPECT_NE(json.find("\"frames\":119,\"ticks\":120"), std::string::npos) << json;
    EXPECT_EQ(ListFolder(scratch.File("frames")),
              (std::vector<std::string>{"frame-000000.png", "frame-000050.png", "frame-000100.png"}));
    EXPECT_NE(ReadFileText(err).find("wrote 3 frames to"), std::string::npos) << ReadFileText(err);
}

TEST_F(HeadlessTest, TheBuiltProgramRejectsBadFlagsWithAUsageLine) {
    std::string out = scratch.File("out.txt"), err = scratch.File("err.txt");
    EXPECT_EQ(RunProgram({DovelProgram(), "-headless", "--frames", "many"}, out, err), 2);
    EXPECT_NE(ReadFileText(err).find("usage: dovel"), std::string::npos) << ReadFileText(err);
    EXPECT_EQ(RunProgram({DovelProgram(), "--no-such-flag"}, out, err), 2);
    EXPECT_EQ(RunProgram({DovelProgram(), "-help"}, out, err), 0);
    EXPECT_NE(ReadFileText(out).find("-snapshot FILE"), std::string::npos);
}

}  // namespace
