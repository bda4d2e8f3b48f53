// Resource packs: opening and its checks, lump access, and the two loaders
// that fill texture tables.
#include <GL/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "assets/PackWriter.h"
#include "assets/ResFile.h"
#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/assets/AssetTestSupport.h"
#include "tests/support/FifoWatch.h"
#include "tests/support/GLHarness.h"

namespace {

void PutU32(Bytes* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Append32(Bytes* bytes, std::initializer_list<uint32_t> values) {
    for (uint32_t value : values) {
        bytes->resize(bytes->size() + 4);
        PutU32(bytes, bytes->size() - 4, value);
    }
}

// Lump index read whole with LoadData; "failed" when it cannot be.
std::string LumpText(RESFILE* pack, int index) {
    uint8_t* data = nullptr;
    if (!pack->LoadData(index, &data)) return "failed";
    std::string text(data, data + pack->directory[index].size);
    delete[] data;
    return text;
}

TEST(ResFile, OpensAPackReadsItsDirectoryAndLumpsAndClosesTwice) {
    ScratchDir dir;
    Bytes image = PatternTGA(2, 2, 24);
    RESFILE pack;
    ASSERT_TRUE(pack.Open(dir.Pack({{{'a', 'b', 'c'}, 7, 2}, {image, 1, 1}}).c_str()));
    EXPECT_EQ(pack.header.lumpCount, 2u);
    EXPECT_EQ(pack.fileLength, kPackHeaderSize + 2 * kPackEntrySize + 3 + image.size());
    EXPECT_EQ(pack.directory[0].type, 7u);
    EXPECT_EQ(pack.directory[0].alphaMode, 2u);
    EXPECT_EQ(LumpText(&pack, 1), std::string(image.begin(), image.end()));
    // A decoder that ran into the end of the file leaves the stream failed;
    // seeking to a lump recovers.
    char sink[4096];
    EXPECT_TRUE(pack.file.read(sink, sizeof sink).fail());
    ASSERT_TRUE(pack.SeekLump(0));
    EXPECT_EQ(pack.file.get(), 'a');
    pack.Close();
    pack.Close();
    EXPECT_EQ(pack.directory, nullptr);
    EXPECT_FALSE(pack.SeekLump(0));
}

TEST(ResFile, RefusesFilesThatAreNotIntactPacksAndSaysWhy) {
    ScratchDir dir;
    const Bytes good = EncodePack({{PatternTGA(2, 2, 24), 1, 0}});
    Bytes appended = good, magic = good, huge = good, far = good;
    appended.push_back(0);  // length check computed before one byte was added
    magic[3] = 'G';
    PutU32(&huge, 12, 0xFFFFFFFFu);                             // must be refused before allocating
    PutU32(&far, 20, static_cast<uint32_t>(good.size()) - 27);  // one byte short of an entry
    const char* lengthCheck = "length check does not match the file's length (truncated or extended)";
    const struct {
        const char* name;
        Bytes bytes;
        const char* problem;
    } cases[] = {{"appended", appended, lengthCheck},
                 {"truncated", Bytes(good.begin(), good.end() - 1), lengthCheck},
                 {"magic", magic, "not a pack (no PLEF magic)"},
                 {"short", Bytes(good.begin(), good.begin() + 20), "too short for a pack header"},
                 {"huge", huge, "directory runs past the end of the file"},
                 {"far", far, "directory runs past the end of the file"}};
    RESFILE pack;
    EXPECT_FALSE(pack.Open(nullptr));
    EXPECT_FALSE(pack.Open((dir.path + "missing.ple").c_str()));
    EXPECT_STREQ(pack.problem, "cannot open the file (no such file)");
    // Neither a pipe (never waited on) nor a device is read as a pack.
    const std::string pipe = dir.path + "pipe.ple";
    ASSERT_TRUE(MakeFifo(pipe));
    EXPECT_FALSE(WaitedOnFifo(pipe, [&] { EXPECT_FALSE(pack.Open(pipe.c_str())); }));
    EXPECT_STREQ(pack.problem, "not a regular file");
    EXPECT_FALSE(pack.Open("/dev/zero"));
    EXPECT_STREQ(pack.problem, "not a regular file");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(pack.Open(dir.Write(c.name, c.bytes).c_str()));
        EXPECT_STREQ(pack.problem, c.problem);
        EXPECT_EQ(pack.directory, nullptr);
        EXPECT_FALSE(pack.file.is_open());
    }
    // After all of that the same reader still opens a good pack.
    ASSERT_TRUE(pack.Open(dir.Write("good.ple", good).c_str()));
    EXPECT_EQ(pack.problem, nullptr);
}

// A pack laid out by hand: the header, lump 1 ("BB" at 24), the directory
// (at 26), lump 0 ("AAA" at 138); lump 2 runs past the end of the file and
// lump 3 starts at its end.
TEST(ResFile, LumpsMayLieAnywhereInsideTheFile) {
    Bytes bytes = {'P', 'L', 'E', 'F'};
    Append32(&bytes, {0, 0, 4, 0, 26});
    bytes.insert(bytes.end(), {'B', 'B'});
    for (auto [size, offset] : {std::pair{3u, 138u}, {2u, 24u}, {100u, 138u}, {1u, 141u}})
        Append32(&bytes, {size, offset, 0, 0, 0, 0, 0});
    bytes.insert(bytes.end(), {'A', 'A', 'A'});
    PutU32(&bytes, 16, ~static_cast<uint32_t>(bytes.size()));
    ScratchDir dir;
    RESFILE pack;
    ASSERT_TRUE(pack.Open(dir.Write("any.ple", bytes).c_str()));
    EXPECT_EQ(LumpText(&pack, 0), "AAA");
    EXPECT_EQ(LumpText(&pack, 1), "BB");
    pack.file.seekg(5);
    for (int index : {4, -1}) {
        EXPECT_FALSE(pack.SeekLump(index));
        EXPECT_STREQ(pack.problem, "no such lump");
    }
    EXPECT_EQ(pack.file.tellg(), 5);  // the stream is untouched
    for (int index : {2, 3}) {
        EXPECT_FALSE(pack.SeekLump(index));
        EXPECT_STREQ(pack.problem, "lump lies outside the file");
    }
    uint8_t sentinel = 0;
    uint8_t* data = &sentinel;
    for (int index : {2, 4, -1}) EXPECT_FALSE(pack.LoadData(index, &data));
    EXPECT_EQ(data, &sentinel);
}

// A texture table as a loader hands it out, released at the end.
struct Loaded {
    bool ok = false;
    int count = -1;
    std::unique_ptr<Texture[]> table;
};

// Loads the pack at path with LoadModel when model is given, else with
// LoadTexturesFromDataFile.
Loaded Load(const std::string& path, MS3D* model = nullptr) {
    Loaded out;
    Texture* table = nullptr;
    out.ok = model ? LoadModel(path.c_str(), model, &table, &out.count)
                   : LoadTexturesFromDataFile(path.c_str(), &table, &out.count);
    out.table.reset(table);
    return out;
}

using PackLoaderTest = GLTest;

TEST_F(PackLoaderTest, TexturePackFillsSlotsByLumpAndSkipsOtherTypes) {
    ScratchDir dir;
    AlertCapture capture;
    Loaded pack = Load(dir.Pack({{ModeProbeTGA(), 1, 0},
                                 {ModeProbeTGA(), 1, 1},
                                 {{'n', 'o', 't', 'e'}, 2, 0},
                                 {ModeProbeTGA(), 1, 2},
                                 {PatternTGA(5, 3, 32, true, true), 1, 0}}));
    ASSERT_TRUE(pack.ok);
    ASSERT_EQ(pack.count, 5);
    Texture* table = pack.table.get();
    EXPECT_EQ(AlphasOf(table[0]), (Bytes{255, 255}));
    EXPECT_EQ(AlphasOf(table[1]), (Bytes{0, 255}));
    EXPECT_EQ(table[2].texID, 0u);
    EXPECT_EQ(table[2].imageData, nullptr);
    EXPECT_EQ(AlphasOf(table[3]), (Bytes{200, 70}));
    EXPECT_EQ(table[4].width, 5u);
    EXPECT_EQ(table[4].height, 3u);
    for (int k : {0, 1, 3, 4}) {
        EXPECT_NE(table[k].texID, 0u) << k;
        EXPECT_EQ(table[k].imageData, nullptr) << k;
    }
    EXPECT_TRUE(capture.alerts.empty());
    // An empty pack gives an empty table.
    Loaded empty = Load(dir.Pack({}));
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.count, 0);
    EXPECT_NE(empty.table, nullptr);
}

TEST_F(PackLoaderTest, DamagedImageStopsTheLoaderAndTheCallerKeepsTheTable) {
    ScratchDir dir;
    std::vector<PackLump> lumps(4, {PatternTGA(2, 2, 24), 1, 0});
    lumps[2].data[16] = 16;  // 16 bits per pixel
    AlertCapture capture;
    Loaded pack = Load(dir.Pack(lumps));
    EXPECT_FALSE(pack.ok);
    EXPECT_EQ(capture.alerts, std::vector<std::string>{"ERROR|Invalid texture information"});
    ASSERT_NE(pack.table, nullptr);
    ASSERT_EQ(pack.count, 4);
    EXPECT_NE(pack.table[1].texID, 0u);
    EXPECT_EQ(pack.table[2].imageData, nullptr);
    EXPECT_EQ(pack.table[3].texID, 0u);  // never reached
    // A bad pack gives no table at all.
    Loaded missing = Load(dir.path + "missing");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.table, nullptr);
}

TEST_F(PackLoaderTest, ModelPackTakesEachAlphaModeFromTheEntryBefore) {
    ScratchDir dir;
    MS3D model;
    Loaded pack = Load(
        dir.Pack({{EncodeSampleMS3D(false), 0, 1}, {ModeProbeTGA(), 1, 2}, {ModeProbeTGA(), 1, 0}}), &model);
    ASSERT_TRUE(pack.ok);
    ASSERT_EQ(pack.count, 2);
    EXPECT_EQ(model.numVertices, SampleMS3DSource().vertices.size());
    EXPECT_EQ(AlphasOf(pack.table[0]), (Bytes{0, 255}));   // mode 1, from the model's entry
    EXPECT_EQ(AlphasOf(pack.table[1]), (Bytes{200, 70}));  // mode 2, from lump 1's entry
    // A model alone gives an empty table.
    MS3D alone;
    Loaded one = Load(dir.Pack({{EncodeSampleMS3D(true), 0, 0}}), &alone);
    EXPECT_TRUE(one.ok);
    EXPECT_EQ(one.count, 0);
    EXPECT_GT(alone.numTriangles, 0);
}

TEST_F(PackLoaderTest, ModelPackFailures) {
    ScratchDir dir;
    Texture* table = nullptr;
    int count = 0;
    std::string good = dir.Pack({{EncodeSampleMS3D(false), 0, 0}});
    EXPECT_FALSE(LoadModel(good.c_str(), nullptr, &table, &count));
    MS3D model;
    EXPECT_FALSE(Load(dir.path + "missing.ple", &model).ok);
    EXPECT_FALSE(Load(dir.Pack({}), &model).ok);
    // The first lump is not a model.
    Loaded image = Load(dir.Pack({{ModeProbeTGA(), 1, 0}}), &model);
    EXPECT_FALSE(image.ok);
    EXPECT_EQ(image.table, nullptr);
    EXPECT_EQ(model.numVertices, 0);
    // The type field is not consulted: a type-0 lump after the model is
    // decoded as an image and fails as one.
    AlertCapture capture;
    Loaded typed = Load(dir.Pack({{EncodeSampleMS3D(false), 0, 0}, {{'x', 'y'}, 0, 0}}), &model);
    EXPECT_FALSE(typed.ok);
    EXPECT_EQ(capture.alerts, std::vector<std::string>{"ERROR|Could not read file header"});
    EXPECT_EQ(typed.count, 1);
}

}  // namespace
