// Setting the world up on the shipped packs and on packs that must be
// refused, and cleaning it up after success, after failure and twice.
#include <GL/gl.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/FileIO.h"
#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "model/MS3DWriter.h"
#include "tests/world/WorldTestSupport.h"

namespace {

// A fresh empty folder of this process (path ends in "/"), removed with its files.
struct ScratchFolder {
    std::string path = testing::TempDir() + "dovel-world-" + std::to_string(getpid()) + "/";
    ScratchFolder() { std::filesystem::create_directories(path); }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// Writes folder + "dovel.ple": the sample model with no skinned vertices (so
// only the joint count matters) and `textures` small textures.
void WriteArcherPack(const std::string& folder, int joints, int textures) {
    MS3DSource source = SampleMS3DSource();
    for (MS3D_VERTEX& v : source.vertices) v.boneId = -1;
    source.joints.resize(joints);
    for (int j = 2; j < joints; ++j) source.joints[j].name = "joint" + std::to_string(j);
    MS3D model;
    ASSERT_TRUE(BuildMS3D(source, &model));
    const uint8_t pixels[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    std::vector<PackLump> lumps(textures, PackLump{EncodeTGA(pixels, 2, 2, 24, false, false), 1, 0});
    lumps.insert(lumps.begin(), PackLump{EncodeMS3D(model), 0, 0});
    ASSERT_TRUE(WriteFileBytes(folder + kArcherPackName, EncodePack(lumps), nullptr));
}

void CopyShippedPack(const std::string& folder, const char* name) {
    std::error_code error;
    std::filesystem::copy_file(DataDir() + name, folder + name,
                               std::filesystem::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << name << ": " << error.message();
}

void ExpectReleased(const VDMAIN& w) {
    EXPECT_TRUE(w.dovel == nullptr && w.dovelTex == nullptr && w.hearts == nullptr && w.numHearts == 0);
    EXPECT_EQ(w.arrowList, 0u);
    for (uint32_t list : w.heartList) EXPECT_EQ(list, 0u);
}

TEST_F(WorldTest, SetsUpFromTheShippedPacksAndKeepsItsOwnCopyOfTheSettings) {
    settings.SETNUMHEARTS = 50;
    settings.RANDOMSHADES = false;
    settings.HEARTCOLLISIONS = false;
    settings.TRANSPARENTHEARTS = true;
    settings.HCG = 0.5f;
    world.arrowsLoosed = 4;  // as a previous scene left them
    world.heartsBurst = 9;
    ASSERT_TRUE(SetupWorld());
    settings.SETNUMHEARTS = 300;
    settings.RANDOMSHADES = true;
    settings.HCG = 0.0f;

    EXPECT_EQ(world.SETNUMHEARTS, 50);
    EXPECT_TRUE(!world.RANDOMSHADES && !world.HEARTCOLLISIONS && world.TRANSPARENTHEARTS);
    EXPECT_EQ(world.heartCol.y, 0.5f);
    ASSERT_EQ(world.numHearts, 100);
    EXPECT_EQ(ActiveHearts(), 0);
    for (uint32_t list : world.heartList) EXPECT_TRUE(glIsList(list));
    EXPECT_TRUE(glIsList(world.arrowList));
    ASSERT_NE(world.dovel, nullptr);
    EXPECT_GE(world.numDovelTex, kArcherTexturesNeeded);
    EXPECT_GE(world.dovel->numJoints, kArcherJointsNeeded);
    EXPECT_EQ(world.dovel->action, kActionEnter);
    EXPECT_EQ(world.dovel->targetHeart, kNoSlot);
    EXPECT_TRUE(world.arrowsLoosed == 0 && world.heartsBurst == 0);

    uint32_t firstList = world.heartList[0];
    for (int pass = 0; pass < 2; ++pass) {  // a second Cleanup is harmless
        world.Cleanup();
        ExpectReleased(world);
    }
    EXPECT_FALSE(glIsList(firstList));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WorldTest, MissingOrDamagedPacksFailSetupAndCleanupReleasesWhatWasBuilt) {
    ScratchFolder folder;
    EXPECT_FALSE(world.Setup(&settings, folder.path.c_str()));
    EXPECT_EQ(world.hearts, nullptr);
    // Each failure names its file and says why.
    EXPECT_EQ(world.setupError, folder.path + "dovel.ple: cannot open the file (no such file)");
    world.Cleanup();
    ExpectReleased(world);

    // The archer loads, the object pack is missing: no arrow, no hearts.
    CopyShippedPack(folder.path, kArcherPackName);
    EXPECT_FALSE(world.Setup(&settings, folder.path.c_str()));
    EXPECT_TRUE(world.dovel != nullptr && world.hearts == nullptr);
    EXPECT_EQ(world.setupError, folder.path + "obj.ple: cannot open the file (no such file)");
    world.Cleanup();
    world.Cleanup();
    ExpectReleased(world);

    // An object pack cut short fails its length check.
    CopyShippedPack(folder.path, kObjectPackName);
    std::string objects = folder.path + kObjectPackName;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(objects, &bytes, nullptr));
    bytes.pop_back();
    ASSERT_TRUE(WriteFileBytes(objects, bytes, nullptr));
    EXPECT_FALSE(world.Setup(&settings, folder.path.c_str()));
    EXPECT_EQ(world.arrowList, 0u);
    EXPECT_EQ(world.setupError,
              objects + ": length check does not match the file's length (truncated or extended)");
    world.Cleanup();

    // An archer without the arrow's texture, the wings or the bow hand.
    CopyShippedPack(folder.path, kObjectPackName);
    struct Case {
        int joints, textures;
        const char* why;  // empty when accepted
    } cases[] = {{3, 5, ""},
                 {3, 4, "holds 4 textures, the archer needs 5"},
                 {2, 5, "the archer model has 2 joints, it needs 3"},
                 {0, 8, "the archer model has 0 joints, it needs 3"}};
    for (const Case& c : cases) {
        WriteArcherPack(folder.path, c.joints, c.textures);
        EXPECT_EQ(world.Setup(&settings, folder.path.c_str()), c.why[0] == '\0')
            << c.joints << " " << c.textures;
        EXPECT_EQ(world.setupError, c.why[0] == '\0' ? "" : folder.path + "dovel.ple: " + c.why);
        world.Cleanup();
    }
}

TEST_F(WorldTest, NullArgumentsLongPathsAndImpossibleHeartCountsFailSetup) {
    EXPECT_FALSE(world.Setup(nullptr, DataDir().c_str()));
    EXPECT_FALSE(world.Setup(&settings, nullptr));
    char out[kResourcePathSize];
    std::string fits(kResourcePathSize - sizeof(kArcherPackName), 'd');
    ASSERT_TRUE(BuildResourcePath(out, fits.c_str(), kArcherPackName));
    EXPECT_EQ(std::string(out), fits + kArcherPackName);
    EXPECT_FALSE(BuildResourcePath(out, (fits + "d").c_str(), kArcherPackName));
    EXPECT_STREQ(out, "");
    std::string deep = DataDir() + std::string(kResourcePathSize, 'x') + "/";
    EXPECT_FALSE(world.Setup(&settings, deep.c_str()));
    world.Cleanup();
    ExpectReleased(world);

    settings.SETNUMHEARTS = -1;
    EXPECT_FALSE(SetupWorld());
    EXPECT_EQ(world.hearts, nullptr);
    world.Cleanup();
    settings.SETNUMHEARTS = 0;
    ASSERT_TRUE(SetupWorld());
    Frames(120);  // nothing to spawn, nothing to aim at: the archer just flies
    EXPECT_EQ(world.numHearts, 0);
    world.dovel->SetAction(kActionShoot, &world);
    EXPECT_EQ(world.dovel->action, kActionFly);
}

}  // namespace
