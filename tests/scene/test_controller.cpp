// The scene controller's life cycle: set-up from the packs, frames, a second
// set-up and clean-ups that release every texture once, and set-ups that
// fail.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "assets/Text.h"
#include "scene/SSMain.h"
#include "tests/scene/PictureFiles.h"
#include "tests/scene/SceneFixture.h"
#include "world/VDMain.h"

namespace {

// Every GL texture name from 1 to `upTo` that is alive.
std::set<uint32_t> LiveTextures(uint32_t upTo) {
    std::set<uint32_t> live;
    for (uint32_t name = 1; name <= upTo; ++name)
        if (glIsTexture(name)) live.insert(name);
    return live;
}

// The texture names the scene and its world hold.
std::set<uint32_t> HeldTextures(const SSMAIN& scene) {
    std::set<uint32_t> held = {scene.deskTexID, scene.pics[0].texID, scene.pics[1].texID};
    for (int i = 0; scene.world != nullptr && i < scene.world->numDovelTex; ++i)
        held.insert(scene.world->dovelTex[i].texID);
    for (int i = 0; i < scene.numTextures; ++i) held.insert(scene.textures[i].texID);
    held.erase(0);
    return held;
}

using ControllerTest = SceneTest;

}  // namespace

TEST_F(ControllerTest, SetupBuildsWorldTexturesAndLightAndFramesDrawTheWorld) {
    SSMAIN scene;
    EXPECT_STREQ(scene.title, "Time til St.Valentine's Day...");
    ASSERT_TRUE(SetupScene(&scene));
    ASSERT_NE(scene.world, nullptr);
    ASSERT_GE(scene.numTextures, kPackSlotsNeeded);
    EXPECT_EQ(scene.world->heartTex, scene.textures[kHeartSlot].texID);
    EXPECT_NE(scene.world->heartTex, 0u);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0));
    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_EQ((std::vector<float>{position[1], position[3]}), (std::vector<float>{5.0f, 1.0f}));
    EXPECT_FLOAT_EQ(FontData[33][0], cWidth);
    EXPECT_EQ(scene.pics[0].texID, 0u) << "no slideshow, no picture";

    for (int i = 0; i < 30; ++i) HostFrame(&scene, i < 29 ? 0.1 : 0.25);
    EXPECT_NEAR(scene.clock, 3.15, 1e-9);
    EXPECT_DOUBLE_EQ(scene.frameTime, 0.25);
    // Hearts and archer cover part of the blue background.
    const int background = width * height - FindPixels(NotBlue).count;
    EXPECT_LT(background, width * height);
    EXPECT_GT(background, width * height / 4);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f) << "the frame leaves the colour white";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ControllerTest, SecondSetupAndCleanupsReleaseEverythingOnce) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("us.png"), 64, 48, SolidColour(200, 50, 50)));
    settings.BGTYPE = BG_SLIDESHOW;
    settings.SetBGPath(folder.path.c_str());
    uint32_t highest = 0;
    {
        SSMAIN scene;
        ASSERT_TRUE(SetupScene(&scene));
        glGenTextures(1, &scene.deskTexID);
        glBindTexture(GL_TEXTURE_2D, scene.deskTexID);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, "\377\377\377\377");
        // Past the first cross-fade: the partner picture is in slot 0.
        for (int i = 0; i < 6; ++i) HostFrame(&scene, 0.25);
        ASSERT_EQ(scene.pics[0].texID, scene.textures[kPartnerPictureSlot].texID);
        ASSERT_TRUE(SetupScene(&scene));
        EXPECT_NE(scene.world, nullptr);
        EXPECT_EQ(scene.pics[1].texID, scene.textures[kPartnerPictureSlot].texID);
        // The partner picture: a square of the drawable's height under 512.
        EXPECT_EQ((std::vector<float>{scene.picSize[1].x, scene.picSize[1].y}),
                  (std::vector<float>{384, 384}));
        EXPECT_FLOAT_EQ(scene.picFade, 0.0f);
        // Exactly the textures the scene holds are alive: the first pack and
        // picture are gone, the second pack is whole.
        const std::set<uint32_t> held = HeldTextures(scene);
        highest = *held.rbegin() + 64;
        EXPECT_EQ(LiveTextures(highest), held);
        for (int i = 0; i < 3; ++i) HostFrame(&scene, 0.25);
        scene.Cleanup();
        scene.Cleanup();
        EXPECT_EQ(scene.world, nullptr);
        EXPECT_EQ(scene.textures, nullptr);
        EXPECT_EQ(scene.numTextures, 0);
        EXPECT_EQ(scene.deskTexID, 0u);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(LiveTextures(highest).size(), 1u) << "only the folder picture stays until destruction";
    }
    EXPECT_TRUE(LiveTextures(highest).empty());
}

TEST_F(ControllerTest, FailedSetupsLeaveWhatWasBuiltForCleanup) {
    TempFolder folder;
    // No packs; a texture pack of seven images (the scene reads slot 7) with
    // the world's packs; a full texture pack without the world's packs.
    const struct {
        int images;
        bool worldPacks;
    } cases[] = {{0, false}, {7, true}, {8, false}};
    std::vector<PackLump> lumps;
    const uint8_t pixels[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    for (const auto& c : cases) {
        const int images = c.images;
        SCOPED_TRACE(images);
        lumps.resize(images, {EncodeTGA(pixels, 2, 2, 24, false, false), 1, 0});
        ASSERT_TRUE(images == 0 || WriteBytes(folder.File(kTexturePackName), EncodePack(lumps)));
        for (const std::string pack : {"dovel.ple", "obj.ple"}) {
            remove(folder.File(pack).c_str());
            ASSERT_TRUE(!c.worldPacks || WriteBytes(folder.File(pack), ReadBytes(DataDir() + pack)));
        }
        {
            SSMAIN scene;
            EXPECT_FALSE(scene.Setup(false, width, height, &settings, folder.path.c_str()));
            EXPECT_EQ(scene.numTextures, images);
            EXPECT_NE(scene.world, nullptr);
            scene.Cleanup();
            scene.Cleanup();
            EXPECT_EQ(scene.textures, nullptr);
        }
        EXPECT_TRUE(LiveTextures(256).empty());
    }
}
