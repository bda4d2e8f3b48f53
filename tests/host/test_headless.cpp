// dovel -headless: its flags, replayable runs, the snapshot picture, and the
// built program run from start to end with its statistics (under the
// sanitizers in that build).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "assets/PackWriter.h"
#include "host/view/DovelOptions.h"
#include "host/headless/HeadlessRun.h"
#include "host/headless/PngWriter.h"
#include "host/view/ResourcePath.h"
#include "host/headless/SnapshotFile.h"
#include "tests/host/HostTestSupport.h"

namespace {

TEST(DovelOptions, DefaultsEveryFlagAndTheHelp) {
    DovelOptions o;
    std::string error;
    ASSERT_EQ(ParseFlags({}, &o, &error), ParseResult::kRun);
    EXPECT_TRUE(!o.headless && o.width == 1280 && o.height == 720 && o.frames == 600 && o.every == 1);
    EXPECT_TRUE(!o.seedGiven && o.outDir.empty());

    ASSERT_EQ(
        ParseFlags({"-headless", "--size", "320x200", "-frames=90", "--out=frames/", "-every", "3", "--seed",
                    "4294967295", "-preview", "-prefs", "p.toml", "--snapshot", "s.png", "--stats"},
                   &o, &error),
        ParseResult::kRun)
        << error;
    EXPECT_TRUE(o.headless && o.width == 320 && o.height == 200 && o.frames == 90 && o.every == 3);
    EXPECT_TRUE(o.seedGiven && o.seed == 4294967295u && o.preview && o.stats);
    EXPECT_EQ(o.outDir + " " + o.prefsFile + " " + o.snapshotFile, "frames/ p.toml s.png");

    EXPECT_TRUE(o.mode == DisplayMode::kWindow && !o.modeGiven && !o.showFps && o.exitOnInput &&
                o.maxFps == 0);
    ASSERT_EQ(ParseFlags({"-fullscreen", "--root", "-window-id", "0x1A", "--fps", "-no-exit-on-input",
                          "-max-fps", "12"},
                         &o, &error),
              ParseResult::kRun)
        << error;
    EXPECT_TRUE(o.mode == DisplayMode::kWindowId && o.windowId == 26 && o.showFps && !o.exitOnInput);
    EXPECT_EQ(o.maxFps, 12);
    ASSERT_EQ(ParseFlags({"--window", "-fullscreen", "-root"}, &o, &error), ParseResult::kRun);
    EXPECT_TRUE(o.mode == DisplayMode::kRoot && o.modeGiven) << "-root wins over the other modes";
    ASSERT_EQ(ParseFlags({"-window", "--fullscreen", "--window-id=4294967295"}, &o, &error),
              ParseResult::kRun);
    EXPECT_TRUE(o.mode == DisplayMode::kWindowId && o.windowId == 4294967295ul);

    EXPECT_EQ(ParseFlags({"--help"}, &o, &error), ParseResult::kHelp);
    for (const char* flag : {"-headless", "-size", "-frames", "-out", "-every", "-seed", "-preview", "-prefs",
                             "-snapshot", "-stats", "-help", "-window", "-fullscreen", "-root", "-window-id",
                             "-fps", "-no-exit-on-input", "-max-fps"})
        EXPECT_NE(std::string(DovelHelpText()).find(flag), std::string::npos) << flag;
}

TEST(DovelOptions, UnknownFlagsAndBadValuesAreErrors) {
    std::vector<std::vector<std::string>> bad = {
        {"-bogus"},         {"-size", "0x10"},
        {"-size", "100"},   {"-size", "20000x10"},
        {"-size", "12x-3"}, {"-frames", "-1"},
        {"-frames", "ten"}, {"-frames"},
        {"-every", "0"},    {"-seed", "4294967296"},
        {"-seed", "-1"},    {"-out", ""},
        {"-headless=yes"},  {"stray"},
        {"-frames", "1e3"}, {"-size", "99999999999999999999x1"},
    };
    // The display modes' flags.
    bad.insert(bad.end(), {{"-window-id", "0"},
                           {"-window-id", "0x"},
                           {"-window-id", "12ab"},
                           {"-window-id", "0x100000000"},
                           {"-window-id"},
                           {"-fps=1"},
                           {"-max-fps", "61"},
                           {"-max-fps", "-1"},
                           {"-max-fps", "30.5"},
                           {"-max-fps"}});
    for (const auto& args : bad) {
        DovelOptions o;
        std::string error;
        EXPECT_EQ(ParseFlags(args, &o, &error), ParseResult::kError) << args[0];
        EXPECT_FALSE(error.empty());
        if (args[0] == "-max-fps") {
            EXPECT_EQ(error.find("-max-fps"), 0u) << error;
        }
    }
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

struct HeadlessTest : ::testing::Test {
    ScratchFolder scratch;
    HeadlessPaths paths{DataFolder(), scratch.File("qvDovelSS.toml")};

    // 160 x 120, 61 ticks, every 20th frame written to out, the given seed.
    DovelOptions Options(const std::string& out, uint32_t seed) {
        DovelOptions o;
        std::string error, seedText = std::to_string(seed);
        ParseFlags(
            {"-headless", "-size", "160x120", "-frames", "61", "-every", "20", "-seed", seedText.c_str()}, &o,
            &error);
        o.outDir = out;
        return o;
    }
    // Runs a program, its standard output and error going to files in the
    // scratch folder; returns its exit status (-1 when it did not exit).
    int Run(const std::vector<std::string>& args) {
        std::string command;
        for (const std::string& a : args) command += "'" + a + "' ";
        int status =
            std::system((command + ">" + scratch.File("out.txt") + " 2>" + scratch.File("err.txt")).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    EXPECT_TRUE(a.arrowsLoosed == b.arrowsLoosed && a.heartsBurst == b.heartsBurst);
    // Frames that cannot be written: the run says that, and only that.
    std::filesystem::create_directories(scratch.File("d/frame-000000.png"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(Options(scratch.File("d"), 7), paths, 0.0, &c), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("dovel: cannot write " + scratch.File("d/frame-000000.png")), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // The first tick sets up and draws nothing; every drawn frame is timed.
    EXPECT_TRUE(a.ticks == 61 && a.frames == 60 && a.frameMs.values.size() == 60u &&
                a.worldUs.values.size() == 60u)
        << a.ticks << " " << a.frames << " " << a.frameMs.values.size() << " " << a.worldUs.values.size();
}

TEST_F(HeadlessTest, ASnapshotPictureIsScaledAndDeliveredBottomRowFirstAndAnUnreadableOneIsABadValue) {
    // 4 x 2 pixels: the upper row red, the lower row blue (rows given bottom up).
    std::vector<uint8_t> rgba;
    for (int x = 0; x < 8; ++x)
        rgba.insert(rgba.end(), {uint8_t(x < 4 ? 0 : 255), 0, uint8_t(x < 4 ? 255 : 0), 255});
    std::string error, file = scratch.File("shot.png");
    ASSERT_TRUE(WritePngRgb(file, 4, 2, rgba, &error)) << error;
    SnapshotImage shot;
    ASSERT_TRUE(LoadSnapshotFile(file, 8, 6, &shot, &error)) << error;
    ASSERT_TRUE(shot.width == 8 && shot.height == 6 && shot.rgba.size() == 8u * 6u * 4u);
    EXPECT_TRUE(shot.rgba[2] > 200 && shot.rgba[0] < 50) << "row 0 is the bottom: blue";
    const uint8_t* last = &shot.rgba[(5 * 8 + 7) * 4];
    EXPECT_TRUE(last[0] > 200 && last[3] == 255) << "the last row is the top: red";

    WriteFileText(scratch.File("junk.png"), "\x89PNG\r\n\x1a\n but then nothing of the sort");
    EXPECT_FALSE(LoadSnapshotFile(scratch.File("junk.png"), 8, 6, &shot, &error));
    EXPECT_FALSE(error.empty());
    DovelOptions o = Options("", 1);
    o.snapshotFile = scratch.File("missing.png");
    RunStats stats;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(o, paths, 0.0, &stats), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read snapshot picture"), std::string::npos);
}

// A damaged pack: the run says once which file and why (the model loader's
// own reason), -stats carries it, and the program exits with 1.
TEST_F(HeadlessTest, AFailedSetUpIsReportedOnceCarriedByTheStatsAndExitsOne) {
    const std::string res = scratch.File("res/");
    std::filesystem::create_directories(res);
    for (const char* pack : {"tarnwick.works", "obj.ple"})
        std::filesystem::copy_file(DataFolder() + pack, res + pack);
    PackLump model;
    const std::string notModel = "MS3D000000\x04";  // a header cut short
    model.data.assign(notModel.begin(), notModel.end());
    std::vector<uint8_t> pack = EncodePack({model});
    WriteFileText(res + "dovel.ple", std::string(pack.begin(), pack.end()));
    WriteFileText(paths.prefsPath, PrefsText(BG_COLOUR));
    paths.resourcePath = res;
    RunStats stats;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunHeadless(Options("", 1), paths, 0.0, &stats), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string why = res + "dovel.ple: lump 0: ";
    EXPECT_NE(err.find("cannot set the scene up: " + why), std::string::npos) << err;
    EXPECT_EQ(err.find("cannot set the scene up"), err.rfind("cannot set the scene up")) << "once: " << err;
    EXPECT_EQ(stats.error.find(why), 0u) << stats.error;
    EXPECT_NE(stats.ToJson().find(",\"error\":\"" + why), std::string::npos) << stats.ToJson();
    EXPECT_EQ(stats.frames, 60) << "frames of the background colour are still presented";
}

TEST(ResourceFolder, IsShareDovelBesideTheProgramsFolder) {
    EXPECT_EQ(ResourceFolderFor("/nonexistent/prefix/bin/dovel"), "/nonexistent/prefix/bin/../share/dovel/");
    std::string mine = ResourceFolderOfExecutable();
    EXPECT_EQ(mine.back(), '/');
    EXPECT_NE(mine.find("share/dovel/"), std::string::npos);
}

TEST_F(HeadlessTest, TheBuiltProgramRunsAWholeHeadlessLifeAndRejectsBadFlagsWithAUsageLine) {
    const std::string dovel = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dovel";
    WriteFileText(paths.prefsPath, PrefsText(BG_SNAPSHOT));
    int status = Run({dovel, "-headless", "-size", "200x150", "-frames", "120", "-seed", "5", "-prefs",
                      paths.prefsPath, "-out", scratch.File("frames"), "-every", "50", "-stats"});
    std::string out = ReadFileText(scratch.File("out.txt")), err = ReadFileText(scratch.File("err.txt"));
    ASSERT_EQ(status, 0) << err;
    // -stats prints one JSON object: the first tick sets up and draws nothing.
    EXPECT_EQ(out.find("{\"frames\":119,\"ticks\":120,\"startup_ms\":"), 0u) << out;
    auto number = [&out](const std::string& key) {
        size_t at = out.find("\"" + key + "\":");
        return at == std::string::npos ? -1.0 : std::atof(out.c_str() + at + key.size() + 3);
    };
    EXPECT_GT(number("startup_ms"), 0.0);
    EXPECT_GT(number("peak_rss_mb"), 1.0);
    EXPECT_DOUBLE_EQ(number("fps"), 60.0) << "the headless clock ticks at exactly 60 Hz";
    EXPECT_TRUE(number("hearts_live_mean") > 0.0 && number("hearts_live_mean") <= 80.0)
        << "twice NumHearts at most";
    for (const char* key : {"\"frame_ms\":{\"mean\":", "\"p50\":", "\"p99\":", "\"world_us\":",
                            "\"arrows_loosed\":", "\"hearts_burst\":"})
        EXPECT_NE(out.find(key), std::string::npos) << key << " in " << out;
    EXPECT_EQ(ListFolder(scratch.File("frames")),
              (std::vector<std::string>{"frame-000000.png", "frame-000050.png", "frame-000100.png"}));
    EXPECT_NE(err.find("wrote 3 frames to"), std::string::npos) << err;

    EXPECT_EQ(Run({dovel, "-headless", "--frames", "many"}), 2);
    EXPECT_NE(ReadFileText(scratch.File("err.txt")).find("usage: dovel"), std::string::npos);
    EXPECT_EQ(Run({dovel, "--no-such-flag"}), 2);
    EXPECT_EQ(Run({dovel, "-help"}), 0);
    EXPECT_NE(ReadFileText(scratch.File("out.txt")).find("-snapshot FILE"), std::string::npos);
}

}  // namespace
