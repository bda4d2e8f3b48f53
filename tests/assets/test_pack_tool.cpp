// dovel-pack, run as a program on good and bad files: exit codes, output and
// the files it writes.
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/FileBytes.h"
#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "model/MS3DWriter.h"
#include "tests/assets/AssetTestSupport.h"

#ifndef DOVEL_PACK_PATH
#error "DOVEL_PACK_PATH must name the dovel-pack executable"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

struct ToolRun {
    int status = -1;  // exit status; -1 if it did not exit normally
    std::string out;
    std::string err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs dovel-pack with args, its output captured in files of dir.
ToolRun Tool(const ScratchDir& dir, const std::vector<std::string>& args) {
    std::string command = Quote(DOVEL_PACK_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(dir.path + "tool.out") + " 2>" + Quote(dir.path + "tool.err") + " </dev/null";
    ToolRun run;
    int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    run.out = Slurp(dir.path + "tool.out");
    run.err = Slurp(dir.path + "tool.err");
    return run;
}

int Lines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

// A failure must be one line on standard error that names the file.
void ExpectBadInput(const ToolRun& run, const std::string& file, const std::string& what) {
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(Lines(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(what), std::string::npos) << run.err;
}

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    EXPECT_TRUE(ReadFileBytes(path, &bytes, nullptr));
    return bytes;
}

TEST(PackTool, CreateListAndExtractRoundTrip) {
    ScratchDir dir;
    Bytes image = PatternTGA(3, 2, 24);
    std::string tga = dir.Write("a.tga", image);
    std::string other = dir.Write("notes.bin", {1, 2, 3});
    std::string upper = dir.Write("B.TGA", PatternTGA(2, 2, 32, true));
    std::string pack = dir.path + "out.ple";
    ToolRun create = Tool(dir, {"create", pack, tga + ":alpha=2", other, upper + ":type=9:alpha=1"});
    ASSERT_EQ(create.status, 0) << create.err;
    Bytes expected = EncodePack({{image, 1, 2}, {{1, 2, 3}, 0, 0}, {PatternTGA(2, 2, 32, true), 9, 1}});
    EXPECT_EQ(ReadBytes(pack), expected);

    ToolRun list = Tool(dir, {"list", pack});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(Lines(list.out), 4);
    char row[80];
    std::snprintf(row, sizeof row, "%5u %10u %10u %10u %5u", 1u, 24u + 3 * 28 + unsigned(image.size()), 3u,
                  0u, 0u);
    EXPECT_NE(list.out.find(row), std::string::npos) << list.out;

    ToolRun extract = Tool(dir, {"extract", pack, "0", dir.path + "x.tga"});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(ReadBytes(dir.path + "x.tga"), image);
}

TEST(PackTool, UsageErrorsExitWithTwo) {
    ScratchDir dir;
    std::string pack = dir.Write("p.ple", EncodePack({{PatternTGA(1, 1, 24), 1, 0}}));
    EXPECT_EQ(Tool(dir, {}).status, 2);
    EXPECT_EQ(Tool(dir, {"frobnicate"}).status, 2);
    EXPECT_EQ(Tool(dir, {"create", dir.path + "o.ple"}).status, 2);
    EXPECT_EQ(Tool(dir, {"create", dir.path + "o.ple", pack + ":alpha=3"}).status, 2);
    EXPECT_EQ(Tool(dir, {"create", dir.path + "o.ple", pack + ":type=-1"}).status, 2);
    EXPECT_EQ(Tool(dir, {"list"}).status, 2);
    EXPECT_EQ(Tool(dir, {"extract", pack, "one", dir.path + "x"}).status, 2);
    EXPECT_EQ(Tool(dir, {"verify", "--frob", pack}).status, 2);
    EXPECT_EQ(Tool(dir, {"inspect", pack, pack}).status, 2);
    EXPECT_EQ(Tool(dir, {"convert", "--alpha=5", "a.tga", "b.png"}).status, 2);
    for (const char* command : {"create", "list", "extract", "verify", "inspect", "convert"}) {
        ToolRun help = Tool(dir, {command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find(std::string("dovel-pack ") + command), std::string::npos) << command;
    }
    EXPECT_EQ(Tool(dir, {"--help"}).status, 0);
}

TEST(PackTool, BadFilesGiveOneLineNamingTheFile) {
    ScratchDir dir;
    Bytes good = EncodePack({{PatternTGA(2, 2, 24), 1, 0}});
    Bytes extended = good;
    extended.push_back(0);
    std::string bad = dir.Write("extended.ple", extended);
    ExpectBadInput(Tool(dir, {"list", bad}), bad, "length check");
    ExpectBadInput(Tool(dir, {"verify", bad}), bad, "length check");
    std::string missing = dir.path + "missing.ple";
    ExpectBadInput(Tool(dir, {"list", missing}), missing, "cannot open");
    ExpectBadInput(Tool(dir, {"create", dir.path + "o.ple", missing}), missing, "cannot open");
    std::string pack = dir.Write("good.ple", good);
    ExpectBadInput(Tool(dir, {"extract", pack, "1", dir.path + "x"}), pack, "no such lump");
    std::string junk = dir.Write("junk.tga", Bytes(40, 0xAB));
    ExpectBadInput(Tool(dir, {"inspect", junk}), junk, "TGA file be type 2 or type 10");
    ExpectBadInput(Tool(dir, {"convert", junk, dir.path + "j.png"}), junk, "TGA file be type 2 or type 10");
    // Garbage of every kind: an error, never a crash.
    for (const char* command : {"list", "verify", "inspect"}) {
        for (const Bytes& bytes :
             {Bytes{'P', 'L', 'E', 'F'},
              Bytes{'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0', 4, 0, 0, 0, 9}, Bytes()}) {
            std::string file = dir.Write("garbage", bytes);
            EXPECT_EQ(Tool(dir, {command, file}).status, 1) << command;
        }
    }
}

TEST(PackTool, VerifyDecodesEveryImageAndTheModel) {
    ScratchDir dir;
    Bytes cut = PatternTGA(4, 4, 24);
    cut.resize(cut.size() - 1);
    std::string good = dir.Write("good.ple", EncodePack({{PatternTGA(2, 2, 24), 1, 0}, {{9, 9}, 0, 0}}));
    ToolRun ok = Tool(dir, {"verify", good});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_NE(ok.out.find("1 image"), std::string::npos) << ok.out;
    std::string broken = dir.Write("broken.ple", EncodePack({{PatternTGA(2, 2, 24), 1, 0}, {cut, 1, 0}}));
    ExpectBadInput(Tool(dir, {"verify", broken}), broken, "lump 1: Could not read image data");

    // A lump cut short decodes only by reading into the next lump: the pack
    // is damaged all the same.
    std::string overrun = dir.Write("overrun.ple", EncodePack({{cut, 1, 0}, {PatternTGA(2, 2, 24), 1, 0}}));
    ExpectBadInput(Tool(dir, {"verify", overrun}), overrun, "lump 0: image runs past the end of its lump");

    std::string model =
        dir.Write("model.ple", EncodePack({{EncodeSampleMS3D(true), 0, 1}, {PatternTGA(2, 2, 24), 0, 0}}));
    EXPECT_EQ(Tool(dir, {"verify", "--model", model}).status, 0);
    // Without --model, lump 0 is skipped for its type and lump 1 too.
    EXPECT_EQ(Tool(dir, {"verify", model}).status, 0);
    // A texture pack read as a model pack fails on lump 0.
    ExpectBadInput(Tool(dir, {"verify", "--model", good}), good, "lump 0: not a valid MS3D model");
    // With --model every later lump is an image, whatever its type.
    std::string typed = dir.Write("typed.ple", EncodePack({{EncodeSampleMS3D(false), 0, 0}, {{1}, 0, 0}}));
    ExpectBadInput(Tool(dir, {"verify", "--model", typed}), typed, "lump 1: Could not read file header");
}

TEST(PackTool, InspectDescribesPacksImagesAndModels) {
    ScratchDir dir;
    Bytes image = PatternTGA(5, 3, 32, true, true);
    std::string pack = dir.Write("p.ple", EncodePack({{image, 1, 2}}));
    ToolRun packInfo = Tool(dir, {"inspect", pack});
    ASSERT_EQ(packInfo.status, 0) << packInfo.err;
    EXPECT_NE(packInfo.out.find("\"kind\": \"pack\""), std::string::npos) << packInfo.out;
    EXPECT_NE(packInfo.out.find("\"lumpCount\": 1"), std::string::npos) << packInfo.out;
    EXPECT_NE(packInfo.out.find("{\"index\": 0, \"offset\": 52, \"size\": " + std::to_string(image.size()) +
                                ", \"type\": 1, \"alphaMode\": 2}"),
              std::string::npos)
        << packInfo.out;

    ToolRun imageInfo = Tool(dir, {"inspect", dir.Write("i.tga", image)});
    ASSERT_EQ(imageInfo.status, 0) << imageInfo.err;
    for (const char* field :
         {"\"width\": 5", "\"height\": 3", "\"bpp\": 32", "\"type\": 10", "\"topOrigin\": true"})
        EXPECT_NE(imageInfo.out.find(field), std::string::npos) << field << "\n" << imageInfo.out;

    MS3DSource source = SampleMS3DSource();
    ToolRun modelInfo = Tool(dir, {"inspect", dir.Write("m.ms3d", EncodeSampleMS3D(true))});
    ASSERT_EQ(modelInfo.status, 0) << modelInfo.err;
    const std::string& json = modelInfo.out;
    EXPECT_NE(json.find("\"numVertices\": " + std::to_string(source.vertices.size())), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"numJoints\": " + std::to_string(source.joints.size())), std::string::npos) << json;
    EXPECT_NE(json.find("\"totalFrames\": " + std::to_string(source.totalFrames)), std::string::npos) << json;
    ASSERT_FALSE(source.joints.empty());
    const MS3DSourceJoint& last = source.joints.back();
    EXPECT_NE(json.find("\"name\": \"" + last.name + "\", \"parentName\": \"" + last.parentName +
                        "\", \"numKeyFramesRot\": " + std::to_string(last.rotKeys.size())),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"name\": \"" + source.groups[0].name + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"boundingBox\": {\"min\": ["), std::string::npos) << json;
}

// Reads a PNG as 8-bit rows from the top; false if it is not one.
bool ReadPng(const std::string& path, int* width, int* height, int* channels, Bytes* pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    *channels = (image.format & PNG_FORMAT_FLAG_ALPHA) ? 4 : 3;
    image.format = *channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    pixels->resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr) != 0;
}

TEST(PackTool, ConvertWritesThePictureUpright) {
    ScratchDir dir;
    for (bool topOrigin : {false, true}) {
        std::string tga = dir.Write("in.tga", PatternTGA(4, 3, 24, topOrigin, topOrigin));
        std::string png = dir.path + "out.png";
        ASSERT_EQ(Tool(dir, {"convert", tga, png}).status, 0);
        int w = 0, h = 0, channels = 0;
        Bytes pixels;
        ASSERT_TRUE(ReadPng(png, &w, &h, &channels, &pixels));
        ASSERT_EQ(w, 4);
        ASSERT_EQ(h, 3);
        EXPECT_EQ(channels, 3);
        // PNG row 0 is the top: the pattern's row 2 (rows count from the bottom).
        Bytes pattern = PatternPixels(4, 3, 24);
        EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + 12), Bytes(pattern.begin() + 24, pattern.end()));
    }
    // With an alpha mode the PNG has the alpha Dovel makes.
    const Bytes twoPixels = {200, 10, 30, 50, 60, 70};
    std::string tga = dir.Write("probe.tga", EncodeTGA(twoPixels.data(), 2, 1, 24, false, false));
    ASSERT_EQ(Tool(dir, {"convert", "--alpha=2", tga, dir.path + "a.png"}).status, 0);
    int w = 0, h = 0, channels = 0;
    Bytes pixels;
    ASSERT_TRUE(ReadPng(dir.path + "a.png", &w, &h, &channels, &pixels));
    EXPECT_EQ(pixels, (Bytes{200, 10, 30, 200, 50, 60, 70, 70}));
    ExpectBadInput(Tool(dir, {"convert", tga, dir.path + "no/such/folder.png"}), "folder.png",
                   "cannot write");
}

}  // namespace
