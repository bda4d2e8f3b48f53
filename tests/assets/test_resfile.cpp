// Resource packs: opening and its checks, lump access, and the two loaders
// that fill texture tables.
#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/PackWriter.h"
#include "assets/ResFile.h"
#include "assets/TGAWriter.h"
#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/assets/AssetTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Recomputes the length check after a pack was edited.
void Reseal(Bytes* pack) {
    PutU32(pack, 16, ~static_cast<uint32_t>(pack->size()));
}

// Offset of directory entry index in a pack made by EncodePack.
size_t EntryAt(int index) {
    return kPackHeaderSize + kPackEntrySize * index;
}

// Two pixels that tell the alpha modes apart: mode 0 gives alphas 255, 255;
// mode 1 (keyed on the first pixel) 0, 255; mode 2 (brightest channel) 200, 70.
Bytes ModeProbeTGA() {
    const Bytes pixels = {200, 10, 30, 50, 60, 70};
    return EncodeTGA(pixels.data(), 2, 1, 24, false, false);
}

Bytes AlphasOf(const Texture& texture) {
    Bytes texels(static_cast<size_t>(texture.width) * texture.height * 4);
    glBindTexture(GL_TEXTURE_2D, texture.texID);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    Bytes alphas;
    for (size_t i = 3; i < texels.size(); i += 4) alphas.push_back(texels[i]);
    return alphas;
}

TEST(ResFile, OpensAPackAndReadsItsDirectory) {
    ScratchDir dir;
    Bytes first = {1, 2, 3}, second = PatternTGA(2, 2, 24);
    std::string path = dir.Write("a.ple", EncodePack({{first, 7, 2}, {second, 1, 1}}));
    RESFILE pack;
    ASSERT_TRUE(pack.Open(path.c_str()));
    EXPECT_EQ(pack.header.lumpCount, 2u);
    EXPECT_EQ(pack.fileLength, kPackHeaderSize + 2 * kPackEntrySize + 3 + second.size());
    EXPECT_EQ(pack.directory[0].type, 7u);
    EXPECT_EQ(pack.directory[0].alphaMode, 2u);
    EXPECT_EQ(pack.directory[1].size, second.size());

    uint8_t* data = nullptr;
    ASSERT_TRUE(pack.LoadData(1, &data));
    EXPECT_EQ(Bytes(data, data + second.size()), second);
    delete[] data;
    ASSERT_TRUE(pack.SeekLump(0));
    EXPECT_EQ(pack.file.get(), 1);

    pack.Close();
    pack.Close();
    EXPECT_EQ(pack.directory, nullptr);
    EXPECT_FALSE(pack.SeekLump(0));
}

TEST(ResFile, LumpsAndDirectoryMayLieAnywhere) {
    // Header, lump 1, directory, lump 0, by hand.
    Bytes pack(24, 0);
    std::memcpy(pack.data(), "PLEF", 4);
    PutU32(&pack, 12, 2);
    pack.insert(pack.end(), {'B', 'B'});  // lump 1 at 24
    PutU32(&pack, 20, 26);                // directory at 26
    pack.resize(26 + 2 * 28, 0);
    PutU32(&pack, 26, 3);            // lump 0: size 3
    PutU32(&pack, 30, 26 + 56);      //         at the end
    PutU32(&pack, 26 + 28, 2);       // lump 1: size 2
    PutU32(&pack, 26 + 28 + 4, 24);  //         right after the header
    pack.insert(pack.end(), {'A', 'A', 'A'});
    Reseal(&pack);
    ScratchDir dir;
    RESFILE reader;
    ASSERT_TRUE(reader.Open(dir.Write("any.ple", pack).c_str()));
    uint8_t* data = nullptr;
    ASSERT_TRUE(reader.LoadData(0, &data));
    EXPECT_EQ(std::string(data, data + 3), "AAA");
    delete[] data;
    ASSERT_TRUE(reader.LoadData(1, &data));
    EXPECT_EQ(std::string(data, data + 2), "BB");
    delete[] data;
}

TEST(ResFile, RefusesFilesThatAreNotIntactPacks) {
    ScratchDir dir;
    Bytes good = EncodePack({{PatternTGA(2, 2, 24), 1, 0}});
    RESFILE pack;
    EXPECT_FALSE(pack.Open((dir.path + "missing.ple").c_str()));
    EXPECT_FALSE(pack.Open(nullptr));

    Bytes appended = good;
    appended.push_back(0);  // length check computed before one byte was added
    EXPECT_FALSE(pack.Open(dir.Write("appended.ple", appended).c_str()));
    Bytes truncated(good.begin(), good.end() - 1);
    EXPECT_FALSE(pack.Open(dir.Write("truncated.ple", truncated).c_str()));
    Bytes magic = good;
    magic[3] = 'G';
    EXPECT_FALSE(pack.Open(dir.Write("magic.ple", magic).c_str()));
    EXPECT_FALSE(pack.Open(dir.Write("short.ple", Bytes(good.begin(), good.begin() + 20)).c_str()));

    // A lump count whose directory cannot fit: refused before allocating.
    Bytes huge = good;
    PutU32(&huge, 12, 0xFFFFFFFFu);
    EXPECT_FALSE(pack.Open(dir.Write("huge.ple", huge).c_str()));
    EXPECT_STREQ(pack.problem, "directory runs past the end of the file");
    Bytes far = good;
    PutU32(&far, 20, static_cast<uint32_t>(good.size()) - 27);  // one byte short of an entry
    EXPECT_FALSE(pack.Open(dir.Write("far.ple", far).c_str()));
    EXPECT_EQ(pack.directory, nullptr);
    EXPECT_FALSE(pack.file.is_open());

    // After all of that the same reader still opens a good pack.
    ASSERT_TRUE(pack.Open(dir.Write("good.ple", good).c_str()));
    EXPECT_EQ(pack.problem, nullptr);
}

TEST(ResFile, LumpIndexAndExtentAreChecked) {
    ScratchDir dir;
    Bytes bytes = EncodePack({{{1, 2, 3, 4}, 0, 0}, {{5, 6}, 0, 0}, {{7}, 0, 0}});
    PutU32(&bytes, EntryAt(1), 100);                                      // size runs past the end
    PutU32(&bytes, EntryAt(2) + 4, static_cast<uint32_t>(bytes.size()));  // starts at the end
    RESFILE pack;
    ASSERT_TRUE(pack.Open(dir.Write("p.ple", bytes).c_str()));
    pack.file.seekg(5);
    EXPECT_FALSE(pack.SeekLump(3));
    EXPECT_FALSE(pack.SeekLump(-1));
    EXPECT_EQ(pack.file.tellg(), 5);  // the stream is untouched
    EXPECT_FALSE(pack.SeekLump(1));
    EXPECT_FALSE(pack.SeekLump(2));
    uint8_t sentinel = 0;
    uint8_t* data = &sentinel;
    EXPECT_FALSE(pack.LoadData(1, &data));
    EXPECT_FALSE(pack.LoadData(3, &data));
    EXPECT_FALSE(pack.LoadData(-1, &data));
    EXPECT_EQ(data, &sentinel);
    ASSERT_TRUE(pack.LoadData(0, &data));
    EXPECT_EQ(Bytes(data, data + 4), (Bytes{1, 2, 3, 4}));
    delete[] data;
}

TEST(ResFile, SeekingRecoversAfterADecoderRanIntoTheEnd) {
    ScratchDir dir;
    Bytes image = PatternTGA(2, 2, 24);
    RESFILE pack;
    ASSERT_TRUE(pack.Open(dir.Write("p.ple", EncodePack({{image, 1, 0}})).c_str()));
    ASSERT_TRUE(pack.SeekLump(0));
    char sink[4096];
    pack.file.read(sink, sizeof sink);  // past the end: the stream fails
    EXPECT_TRUE(pack.file.fail());
    ASSERT_TRUE(pack.SeekLump(0));
    EXPECT_EQ(pack.file.get(), 0);
}

TEST(ResFile, EmptyPackGivesAnEmptyTable) {
    ScratchDir dir;
    std::string path = dir.Write("empty.ple", EncodePack({}));
    RESFILE pack;
    ASSERT_TRUE(pack.Open(path.c_str()));
    EXPECT_EQ(pack.header.lumpCount, 0u);
    EXPECT_FALSE(pack.SeekLump(0));
    Texture* table = nullptr;
    int count = -1;
    ASSERT_TRUE(LoadTexturesFromDataFile(path.c_str(), &table, &count));
    EXPECT_EQ(count, 0);
    EXPECT_NE(table, nullptr);
    delete[] table;
}

using PackLoaderTest = GLTest;

TEST_F(PackLoaderTest, TexturePackFillsSlotsByLumpAndSkipsOtherTypes) {
    ScratchDir dir;
    std::vector<PackLump> lumps = {{ModeProbeTGA(), 1, 0},
                                   {ModeProbeTGA(), 1, 1},
                                   {{'n', 'o', 't', 'e'}, 0, 0},
                                   {ModeProbeTGA(), 1, 2},
                                   {PatternTGA(5, 3, 32, true, true), 1, 0}};
    AlertCapture capture;
    Texture* table = nullptr;
    int count = 0;
    ASSERT_TRUE(LoadTexturesFromDataFile(dir.Write("t.works", EncodePack(lumps)).c_str(), &table, &count));
    ASSERT_EQ(count, 5);
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
    EXPECT_TRUE(capture.alerts().empty());
    delete[] table;
}

TEST_F(PackLoaderTest, DamagedImageStopsTheLoaderAndTheCallerKeepsTheTable) {
    ScratchDir dir;
    Bytes sixteenBit = PatternTGA(2, 2, 24);
    sixteenBit[16] = 16;
    std::vector<PackLump> lumps = {{PatternTGA(2, 2, 24), 1, 0},
                                   {PatternTGA(2, 2, 24), 1, 0},
                                   {sixteenBit, 1, 0},
                                   {PatternTGA(2, 2, 24), 1, 0}};
    AlertCapture capture;
    Texture* table = nullptr;
    int count = 0;
    EXPECT_FALSE(LoadTexturesFromDataFile(dir.Write("bad.works", EncodePack(lumps)).c_str(), &table, &count));
    EXPECT_EQ(capture.Only(), "ERROR|Invalid texture information");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(count, 4);
    EXPECT_NE(table[1].texID, 0u);
    EXPECT_EQ(table[2].imageData, nullptr);
    EXPECT_EQ(table[3].texID, 0u);  // never reached
    delete[] table;

    // A bad pack gives no table at all.
    table = nullptr;
    EXPECT_FALSE(LoadTexturesFromDataFile((dir.path + "missing").c_str(), &table, &count));
    EXPECT_EQ(table, nullptr);
}

TEST_F(PackLoaderTest, ModelPackTakesEachAlphaModeFromTheEntryBefore) {
    ScratchDir dir;
    std::vector<PackLump> lumps = {
        {EncodeSampleMS3D(false), 0, 1}, {ModeProbeTGA(), 1, 2}, {ModeProbeTGA(), 1, 0}};
    MS3D model;
    Texture* table = nullptr;
    int count = 0;
    ASSERT_TRUE(LoadModel(dir.Write("m.ple", EncodePack(lumps)).c_str(), &model, &table, &count));
    ASSERT_EQ(count, 2);
    EXPECT_EQ(model.numVertices, SampleMS3DSource().vertices.size());
    EXPECT_EQ(AlphasOf(table[0]), (Bytes{0, 255}));   // mode 1, from the model's entry
    EXPECT_EQ(AlphasOf(table[1]), (Bytes{200, 70}));  // mode 2, from lump 1's entry
    delete[] table;
}

TEST_F(PackLoaderTest, ModelPackLumpsAfterTheModelAreAllImages) {
    ScratchDir dir;
    MS3D alone;
    Texture* table = nullptr;
    int count = -1;
    ASSERT_TRUE(LoadModel(dir.Write("one.ple", EncodePack({{EncodeSampleMS3D(true), 0, 0}})).c_str(), &alone,
                          &table, &count));
    EXPECT_EQ(count, 0);
    EXPECT_GT(alone.numTriangles, 0);
    delete[] table;

    // The type field is not consulted: a type-0 lump after the model is
    // decoded as an image and fails as one.
    AlertCapture capture;
    MS3D model;
    table = nullptr;
    std::string path =
        dir.Write("typed.ple", EncodePack({{EncodeSampleMS3D(false), 0, 0}, {{'x', 'y'}, 0, 0}}));
    EXPECT_FALSE(LoadModel(path.c_str(), &model, &table, &count));
    EXPECT_EQ(capture.Only(), "ERROR|Could not read file header");
    EXPECT_EQ(count, 1);
    delete[] table;
}

TEST_F(PackLoaderTest, ModelPackFailures) {
    ScratchDir dir;
    Texture* table = nullptr;
    int count = 0;
    std::string good = dir.Write("good.ple", EncodePack({{EncodeSampleMS3D(false), 0, 0}}));
    EXPECT_FALSE(LoadModel(good.c_str(), nullptr, &table, &count));
    MS3D model;
    EXPECT_FALSE(LoadModel((dir.path + "missing.ple").c_str(), &model, &table, &count));
    EXPECT_FALSE(LoadModel(dir.Write("empty.ple", EncodePack({})).c_str(), &model, &table, &count));
    // The first lump is not a model.
    EXPECT_FALSE(LoadModel(dir.Write("tga.ple", EncodePack({{ModeProbeTGA(), 1, 0}})).c_str(), &model, &table,
                           &count));
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(model.numVertices, 0);
}

}  // namespace
