// The scene controller's life cycle: set-up from the packs, the clock, a
// second set-up and clean-ups that release every texture once, and set-ups
// that fail.
#include <GL/gl.h>
#include <gtest/gtest.h>

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
    std::set<uint32_t> held;
    if (scene.world != nullptr)
        for (int i = 0; i < scene.world->numDovelTex; ++i)
            if (scene.world->dovelTex[i].texID != 0) held.insert(scene.world->dovelTex[i].texID);
    for (int i = 0; i < scene.numTextures; ++i)
        if (scene.textures[i].texID != 0) held.insert(scene.textures[i].texID);
    for (const Texture& pic : scene.pics)
        if (pic.texID != 0) held.insert(pic.texID);
    if (scene.deskTexID != 0) held.insert(scene.deskTexID);
    return held;
}

uint32_t NewTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const uint8_t white[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    return name;
}

class ControllerTest : public SceneTest {};

}  // namespace

TEST_F(ControllerTest, SetupBuildsWorldTexturesAndLight) {
    SSMAIN scene;
    EXPECT_EQ(scene.clock, 0.0);
    EXPECT_STREQ(scene.title, "Time til St.Valentine's Day...");
    ASSERT_TRUE(SetupScene(&scene));
    ASSERT_NE(scene.world, nullptr);
    ASSERT_GE(scene.numTextures, kPackSlotsNeeded);
    EXPECT_EQ(scene.world->heartTex, scene.textures[kHeartSlot].texID);
    EXPECT_NE(scene.world->heartTex, 0u);
    EXPECT_EQ(scene.width, width);
    EXPECT_EQ(scene.height, height);
    EXPECT_EQ(scene.settings, &settings);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[1], 5.0f);
    EXPECT_FLOAT_EQ(position[3], 1.0f);
    EXPECT_FLOAT_EQ(FontData[33][0], cWidth);
    EXPECT_EQ(scene.pics[0].texID, 0u) << "no slideshow, no picture";

    scene.Update(0.25);
    scene.Update(0.5);
    EXPECT_DOUBLE_EQ(scene.clock, 0.75);
    EXPECT_DOUBLE_EQ(scene.frameTime, 0.5);
    scene.SetSize(300, 200);
    EXPECT_EQ(scene.width, 300);
    EXPECT_EQ(scene.height, 200);
}

TEST_F(ControllerTest, FramesDrawTheWorldOverTheBackground) {
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    for (int i = 0; i < 30; ++i) HostFrame(&scene, 0.1);
    // Hearts and archer cover part of the blue background; the overlay's
    // countdown shows at the top.
    int background = FindPixels([](const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 255; }).count;
    EXPECT_LT(background, width * height);
    EXPECT_GT(background, width * height / 4);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f) << "the frame leaves the colour white";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ControllerTest, SecondSetupAndCleanupsReleaseEverythingOnce) {
    TempFolder folder;
    ASSERT_TRUE(SavePicture(folder.File("us.png"), 64, 48, SolidColour(200, 50, 50), "png"));
    settings.BGTYPE = BG_SLIDESHOW;
    settings.SetBGPath(folder.path.c_str());
    uint32_t highest = 0;
    {
        SSMAIN scene;
        ASSERT_TRUE(SetupScene(&scene));
        scene.deskTexID = NewTexture();
        // Past the first cross-fade: the partner picture is in slot 0.
        for (int i = 0; i < 6; ++i) HostFrame(&scene, 0.25);
        ASSERT_EQ(scene.pics[0].texID, scene.textures[kPartnerPictureSlot].texID);
        ASSERT_TRUE(SetupScene(&scene));
        EXPECT_NE(scene.world, nullptr);
        EXPECT_EQ(scene.pics[1].texID, scene.textures[kPartnerPictureSlot].texID);
        EXPECT_FLOAT_EQ(scene.picFade, 0.0f);
        std::set<uint32_t> held = HeldTextures(scene);
        highest = *held.rbegin() + 64;
        // Exactly the textures the scene holds are alive: the first pack and
        // picture are gone, the second pack is whole.
        EXPECT_EQ(LiveTextures(highest), held);
        for (int i = 0; i < 3; ++i) HostFrame(&scene, 0.25);
        scene.Cleanup();
        scene.Cleanup();
        EXPECT_EQ(scene.world, nullptr);
        EXPECT_EQ(scene.textures, nullptr);
        EXPECT_EQ(scene.numTextures, 0);
        EXPECT_EQ(scene.deskTexID, 0u);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        // Only the folder picture stays until destruction.
        EXPECT_EQ(LiveTextures(highest).size(), 1u);
    }
    EXPECT_TRUE(LiveTextures(highest).empty());
}

TEST_F(ControllerTest, FailedSetupsLeaveWhatWasBuiltForCleanup) {
    TempFolder folder;
    {
        SSMAIN scene;
        EXPECT_FALSE(scene.Setup(false, width, height, &settings, folder.path.c_str())) << "no packs";
        scene.Cleanup();
        scene.Cleanup();
    }
    // A texture pack of seven images: the scene reads slot 7.
    std::vector<PackLump> lumps;
    const uint8_t pixels[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    for (int i = 0; i < 7; ++i) lumps.push_back({EncodeTGA(pixels, 2, 2, 24, false, false), 1, 0});
    ASSERT_TRUE(WriteBytes(folder.File(kTexturePackName), EncodePack(lumps)));
    {
        SSMAIN scene;
        EXPECT_FALSE(scene.Setup(false, width, height, &settings, folder.path.c_str()));
        EXPECT_EQ(scene.numTextures, 7);
        scene.Cleanup();
        EXPECT_EQ(scene.textures, nullptr);
    }
    EXPECT_TRUE(LiveTextures(256).empty());
    // A full texture pack without the world's packs: the world fails.
    lumps.push_back(lumps.back());
    ASSERT_TRUE(WriteBytes(folder.File(kTexturePackName), EncodePack(lumps)));
    {
        SSMAIN scene;
        EXPECT_FALSE(scene.Setup(false, width, height, &settings, folder.path.c_str()));
        EXPECT_NE(scene.world, nullptr);
        EXPECT_EQ(scene.numTextures, 8);
    }
    EXPECT_TRUE(LiveTextures(256).empty());
}
