// Setting the world up on the shipped packs and on packs that must be
// refused, and cleaning it up after success, after failure and twice.
#include <GL/gl.h>

#include <string>

#include "assets/FileBytes.h"
#include "tests/world/WorldTestSupport.h"

namespace {

void ExpectReleased(const VDMAIN& world) {
    EXPECT_EQ(world.dovel, nullptr);
    EXPECT_EQ(world.dovelTex, nullptr);
    EXPECT_EQ(world.hearts, nullptr);
    EXPECT_EQ(world.numHearts, 0);
    EXPECT_EQ(world.arrowList, 0u);
    for (uint32_t list : world.heartList) EXPECT_EQ(list, 0u);
}

TEST_F(WorldTest, SetsUpFromTheShippedPacksAndKeepsItsOwnCopyOfTheSettings) {
    settings.SETNUMHEARTS = 50;
    settings.RANDOMSHADES = false;
    settings.HEARTCOLLISIONS = false;
    settings.TRANSPARENTHEARTS = true;
    settings.HCR = 0.25f;
    settings.HCG = 0.5f;
    settings.HCB = 0.75f;
    world.arrowsLoosed = 4;  // as a previous scene left them
    world.heartsBurst = 9;
    ASSERT_TRUE(SetupWorld());
    settings.SETNUMHEARTS = 300;
    settings.RANDOMSHADES = true;
    settings.HCG = 0.0f;

    EXPECT_EQ(world.SETNUMHEARTS, 50);
    EXPECT_FALSE(world.RANDOMSHADES);
    EXPECT_FALSE(world.HEARTCOLLISIONS);
    EXPECT_TRUE(world.TRANSPARENTHEARTS);
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
    EXPECT_EQ(world.arrowsLoosed, 0);
    EXPECT_EQ(world.heartsBurst, 0);

    uint32_t firstList = world.heartList[0];
    world.Cleanup();
    ExpectReleased(world);
    EXPECT_FALSE(glIsList(firstList));
    world.Cleanup();
    ExpectReleased(world);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WorldTest, MissingOrDamagedPacksFailSetupAndCleanupReleasesWhatWasBuilt) {
    ScratchFolder empty;
    EXPECT_FALSE(world.Setup(&settings, empty.path.c_str()));
    EXPECT_EQ(world.hearts, nullptr);
    world.Cleanup();
    ExpectReleased(world);

    // The archer loads, the object pack is missing: no arrow, no hearts.
    ScratchFolder noObjects;
    CopyShippedPack(noObjects.path, kArcherPackName);
    EXPECT_FALSE(world.Setup(&settings, noObjects.path.c_str()));
    EXPECT_NE(world.dovel, nullptr);
    EXPECT_EQ(world.hearts, nullptr);
    world.Cleanup();
    world.Cleanup();
    ExpectReleased(world);

    // An object pack cut short fails its length check.
    CopyShippedPack(noObjects.path, kObjectPackName);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(noObjects.File(kObjectPackName), &bytes, nullptr));
    bytes.resize(bytes.size() - 1);
    ASSERT_TRUE(WriteFileBytes(noObjects.File(kObjectPackName), bytes, nullptr));
    EXPECT_FALSE(world.Setup(&settings, noObjects.path.c_str()));
    EXPECT_EQ(world.arrowList, 0u);

    EXPECT_FALSE(world.Setup(nullptr, DataDir().c_str()));
    EXPECT_FALSE(world.Setup(&settings, nullptr));
}

TEST_F(WorldTest, AnArcherWithoutTheArrowTextureOrWingsAndBowHandIsRefused) {
    struct Case {
        int joints, textures;
        bool accepted;
    } cases[] = {{3, 5, true}, {3, 4, false}, {2, 5, false}, {0, 8, false}};
    for (const Case& c : cases) {
        ScratchFolder folder;
        WriteArcherPack(folder.path, c.joints, c.textures);
        CopyShippedPack(folder.path, kObjectPackName);
        EXPECT_EQ(world.Setup(&settings, folder.path.c_str()), c.accepted) << c.joints << " " << c.textures;
        world.Cleanup();
    }
}

TEST_F(WorldTest, ResourcePathsThatDoNotFitTheirBufferAreRefused) {
    char out[kResourcePathSize];
    const size_t nameLength = sizeof(kArcherPackName) - 1;
    std::string fits(kResourcePathSize - 1 - nameLength, 'd');
    ASSERT_TRUE(BuildResourcePath(out, fits.c_str(), kArcherPackName));
    EXPECT_EQ(std::string(out), fits + kArcherPackName);
    std::string tooLong = fits + "d";
    EXPECT_FALSE(BuildResourcePath(out, tooLong.c_str(), kArcherPackName));
    EXPECT_STREQ(out, "");

    std::string deep = DataDir() + std::string(kResourcePathSize, 'x') + "/";
    EXPECT_FALSE(world.Setup(&settings, deep.c_str()));
    world.Cleanup();
    ExpectReleased(world);
}

TEST_F(WorldTest, AHeartCountThatCannotBeAPoolFailsSetup) {
    settings.SETNUMHEARTS = -1;
    EXPECT_FALSE(SetupWorld());
    EXPECT_EQ(world.hearts, nullptr);
    settings.SETNUMHEARTS = 0;
    ASSERT_TRUE(SetupWorld());
    Frames(120);  // nothing to spawn, nothing to aim at: the archer just flies
    EXPECT_EQ(world.numHearts, 0);
    world.dovel->SetAction(kActionShoot, &world);
    EXPECT_EQ(world.dovel->action, kActionFly);
}

}  // namespace
