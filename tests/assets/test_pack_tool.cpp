// dovel-pack, run as a program on good and bad files: exit codes, output and
// the files it writes.
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/FileIO.h"
#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "model/MS3DWriter.h"
#include "tests/assets/AssetTestSupport.h"
#include "tests/support/FifoWatch.h"

#ifndef DOVEL_PACK_PATH
#error "DOVEL_PACK_PATH must name the dovel-pack executable"
#endif

namespace {

using Args = std::vector<std::string>;

struct ToolRun {
    int status = -1;  // exit status; -1 if it did not exit normally
    std::string out, err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    EXPECT_TRUE(ReadFileBytes(path, &bytes, nullptr)) << path;
    return bytes;
}

std::string ReadText(const std::string& path) {
    Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs dovel-pack with args, its output captured in files of dir.
ToolRun Tool(const ScratchDir& dir, const Args& args) {
    std::string command = Quote(DOVEL_PACK_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(dir.path + "tool.out") + " 2>" + Quote(dir.path + "tool.err") + " </dev/null";
    ToolRun run;
    int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    run.out = ReadText(dir.path + "tool.out");
    run.err = ReadText(dir.path + "tool.err");
    return run;
}

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// Expects every piece somewhere in text.
void ExpectHas(const std::string& text, const Args& pieces) {
    for (const std::string& piece : pieces)
        EXPECT_NE(text.find(piece), std::string::npos) << piece << "\n" << text;
}

TEST(PackTool, CreateListAndExtractRoundTrip) {
    ScratchDir dir;
    Bytes image = PatternTGA(3, 2, 24), upper = PatternTGA(2, 2, 32, true);
    std::string tga = dir.Write("a.tga", image), other = dir.Write("notes.bin", {1, 2, 3});
    std::string pack = dir.path + "out.ple";
    ToolRun create =
        Tool(dir, {"create", pack, tga + ":alpha=2", other, dir.Write("B.TGA", upper) + ":type=9:alpha=1"});
    ASSERT_EQ(create.status, 0) << create.err;
    EXPECT_EQ(ReadBytes(pack), EncodePack({{image, 1, 2}, {{1, 2, 3}, 0, 0}, {upper, 9, 1}}));

    ToolRun list = Tool(dir, {"list", pack});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(Lines(list.out), 4);
    char row[80];
    std::snprintf(row, sizeof row, "%5u %10u %10u %10u %5u", 1u, 24u + 3 * 28 + unsigned(image.size()), 3u,
                  0u, 0u);
    ExpectHas(list.out, {row});

    ToolRun extract = Tool(dir, {"extract", pack, "0", dir.path + "x.tga"});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(ReadBytes(dir.path + "x.tga"), image);
}

// Each run: its arguments, its exit status and pieces of what it prints:
// on standard output when done (0), on standard error for bad input (1,
// then in one line that names the file) and for usage errors (2).
TEST(PackTool, RunsExitWithTheirStatusAndSayWhatTheyFound) {
    ScratchDir dir;
    Bytes good = EncodePack({{PatternTGA(2, 2, 24), 1, 0}}), extended = good, cut = PatternTGA(4, 4, 24);
    extended.push_back(0);
    cut.pop_back();
    const std::string bad = dir.Write("extended.ple", extended), missing = dir.path + "missing.ple",
                      pack = dir.Write("good.ple", good), junk = dir.Write("junk.tga", Bytes(40, 0xAB)),
                      out = dir.path + "o.ple", wrongKind = "TGA file be type 2 or type 10";
    std::string broken = dir.Pack({{PatternTGA(2, 2, 24), 1, 0}, {cut, 1, 0}});
    // A lump cut short decodes only by reading into the next lump: the pack
    // is damaged all the same.
    std::string overrun = dir.Pack({{cut, 1, 0}, {PatternTGA(2, 2, 24), 1, 0}});
    // With --model every lump after the model is an image, whatever its
    // type; without it lumps of type 0 are skipped.
    std::string typed = dir.Pack({{EncodeSampleMS3D(false), 0, 0}, {{1}, 0, 0}});
    std::string model = dir.Pack({{EncodeSampleMS3D(true), 0, 1}, {PatternTGA(2, 2, 24), 0, 0}});
    std::string notes = dir.Pack({{PatternTGA(2, 2, 24), 1, 0}, {{9, 9}, 0, 0}});
    Bytes image = PatternTGA(5, 3, 32, true, true);
    std::string imagePack = dir.Pack({{image, 1, 2}}), tga = dir.Write("i.tga", image);
    MS3DSource source = SampleMS3DSource();
    ASSERT_FALSE(source.joints.empty());
    const MS3DSourceJoint& last = source.joints.back();
    struct Run {
        Args args;
        int status;
        Args pieces;
    };
    std::vector<Run> runs = {
        {{}, 2, {"usage: dovel-pack COMMAND"}},
        {{"frobnicate"}, 2, {"unknown command 'frobnicate'"}},
        {{"create", out}, 2, {"needs an output and at least one file"}},
        {{"create", out, pack + ":alpha=3"}, 2, {"bad alpha mode"}},
        {{"create", out, pack + ":type=-1"}, 2, {"bad type"}},
        {{"list"}, 2, {"needs exactly one pack"}},
        {{"extract", pack, "one", dir.path + "x"}, 2, {"bad lump index 'one'"}},
        {{"verify", "--frob", pack}, 2, {"unknown option '--frob'"}},
        {{"inspect", pack, pack}, 2, {"needs exactly one file"}},
        {{"convert", "--alpha=5", "a.tga", "b.png"}, 2, {"bad alpha mode '5'"}},
        {{"--help"}, 0, {"usage: dovel-pack COMMAND"}},
        {{"list", bad}, 1, {bad, "length check"}},
        {{"verify", bad}, 1, {bad, "length check"}},
        {{"list", missing}, 1, {missing, "cannot open"}},
        {{"create", out, missing}, 1, {missing, "cannot open"}},
        // Measured before it is read: an endless input is refused at once.
        {{"create", out, "/dev/zero"}, 1, {"/dev/zero", "not a regular file"}},
        {{"extract", pack, "1", dir.path + "x"}, 1, {pack, "no such lump"}},
        {{"inspect", junk}, 1, {junk, wrongKind}},
        {{"convert", junk, dir.path + "j.png"}, 1, {junk, wrongKind}},
        {{"convert", tga, dir.path + "no/such/folder.png"}, 1, {"folder.png", "cannot write"}},
        {{"verify", broken}, 1, {broken, "lump 1: Could not read image data"}},
        {{"verify", overrun}, 1, {overrun, "lump 0: image runs past the end of its lump"}},
        {{"verify", "--model", pack}, 1, {pack, "lump 0: not a valid MS3D model"}},
        {{"verify", "--model", typed}, 1, {typed, "lump 1: Could not read file header"}},
        {{"verify", notes}, 0, {"1 image"}},
        {{"verify", "--model", model}, 0, {}},
        {{"verify", model}, 0, {}},
        {{"inspect", imagePack},
         0,
         {"\"kind\": \"pack\"", "\"lumpCount\": 1",
          "{\"index\": 0, \"offset\": 52, \"size\": " + std::to_string(image.size()) +
              ", \"type\": 1, \"alphaMode\": 2}"}},
        {{"inspect", tga},
         0,
         {"\"width\": 5", "\"height\": 3", "\"bpp\": 32", "\"type\": 10", "\"topOrigin\": true"}},
        {{"inspect", dir.Write("m.ms3d", EncodeSampleMS3D(true))},
         0,
         {"\"numVertices\": " + std::to_string(source.vertices.size()),
          "\"numJoints\": " + std::to_string(source.joints.size()),
          "\"totalFrames\": " + std::to_string(source.totalFrames),
          "\"name\": \"" + last.name + "\", \"parentName\": \"" + last.parentName +
              "\", \"numKeyFramesRot\": " + std::to_string(last.rotKeys.size()),
          "\"name\": \"" + source.groups[0].name + "\"", "\"boundingBox\": {\"min\": ["}}};
    for (const char* command : {"create", "list", "extract", "verify", "inspect", "convert"})
        runs.push_back({{command, "--help"}, 0, {std::string("dovel-pack ") + command}});
    for (const Run& expected : runs) {
        SCOPED_TRACE(testing::PrintToString(expected.args));
        ToolRun run = Tool(dir, expected.args);
        EXPECT_EQ(run.status, expected.status) << run.err;
        EXPECT_TRUE(expected.status != 1 || Lines(run.err) == 1) << "bad input takes one line";
        ExpectHas(expected.status == 0 ? run.out : run.err, expected.pieces);
    }
    // A pipe is refused by every command, never waited on.
    const std::string pipe = dir.path + "pipe";
    ASSERT_TRUE(MakeFifo(pipe));
    for (const Args& args : {Args{"create", out, pipe}, Args{"list", pipe}, Args{"inspect", pipe}})
        EXPECT_FALSE(WaitedOnFifo(pipe, [&] { EXPECT_EQ(Tool(dir, args).status, 1) << args[0]; })) << args[0];
    // Garbage of every kind: an error, never a crash.
    for (const Bytes& bytes :
         {Bytes{'P', 'L', 'E', 'F'}, Bytes{'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0', 4, 0, 0, 0, 9},
          Bytes()}) {
        std::string file = dir.Write("garbage", bytes);
        for (const char* command : {"list", "verify", "inspect"})
            EXPECT_EQ(Tool(dir, {command, file}).status, 1) << command;
    }
}

// Reads a PNG as 8-bit RGB or RGBA rows from the top; empty if it is not one.
Bytes ReadPng(const std::string& path, int* width, int* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Bytes pixels;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return pixels;
    image.format = (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
    return pixels;
}

TEST(PackTool, ConvertWritesThePictureUpright) {
    ScratchDir dir;
    int w = 0, h = 0;
    for (bool topOrigin : {false, true}) {
        std::string tga = dir.Write("in.tga", PatternTGA(4, 3, 24, topOrigin, topOrigin));
        ASSERT_EQ(Tool(dir, {"convert", tga, dir.path + "out.png"}).status, 0);
        Bytes pixels = ReadPng(dir.path + "out.png", &w, &h), pattern = PatternPixels(4, 3, 24);
        ASSERT_EQ(pixels.size(), 4u * 3 * 3);  // RGB
        EXPECT_EQ(w, 4);
        EXPECT_EQ(h, 3);
        // PNG row 0 is the top: the pattern's row 2 (rows count from the bottom).
        EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + 12), Bytes(pattern.begin() + 24, pattern.end()));
    }
    // With an alpha mode the PNG has the alpha Dovel makes.
    ASSERT_EQ(Tool(dir, {"convert", "--alpha=2", dir.Write("probe.tga", ModeProbeTGA()), dir.path + "a.png"})
                  .status,
              0);
    EXPECT_EQ(ReadPng(dir.path + "a.png", &w, &h), (Bytes{200, 10, 30, 200, 50, 60, 70, 70}));
}

}  // namespace
