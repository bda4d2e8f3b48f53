// The background underlay: where pictures land on screen, the slideshow's
// cross-fades and slot exchange, the partner picture, and the fall-back to
// the plain colour when no picture can be read.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/Pics.h"
#include "scene/SSMain.h"
#include "tests/scene/PictureFiles.h"
#include "tests/scene/SceneFixture.h"

namespace {

const uint8_t kPictureColour[3] = {13, 200, 77};

bool IsPictureColour(const uint8_t* p) {
    return p[0] == kPictureColour[0] && p[1] == kPictureColour[1] && p[2] == kPictureColour[2];
}

// Covered by the picture on black. The outermost pixels are darker: the
// textures clamp with linear filtering, which mixes in the border colour.
bool IsCovered(const uint8_t* p) {
    return p[1] > 60;
}

class UnderlayTest : public SceneTest {
protected:
    UnderlayTest() {
        width = 1024;
        height = 768;
    }

    // Loads a w x h picture of one colour through LoadPic and draws its slot
    // on black, as the underlay does; returns where it landed.
    PixelBox PlacePicture(int w, int h, bool fit) {
        TempFolder folder;
        const uint8_t* c = kPictureColour;
        EXPECT_TRUE(SavePicture(folder.File("picture.png"), w, h, SolidColour(c[0], c[1], c[2]), "png"));
        settings.SetBGPath(folder.path.c_str());
        settings.FITSCREEN = fit;
        settings.BGTYPE = BG_SLIDESHOW;
        SSMAIN scene;
        scene.settings = &settings;
        scene.width = width;
        scene.height = height;
        scene.LoadPic();
        EXPECT_EQ(settings.BGTYPE, BG_SLIDESHOW);
        EXPECT_EQ(scene.pics[0].width, static_cast<uint32_t>(w));
        EXPECT_EQ(scene.pics[0].height, static_cast<uint32_t>(h));
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SetPixelSpace(width, height);
        glDisable(GL_DEPTH_TEST);  // as the underlay draws
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        scene.DrawPic(0);
        glDisable(GL_TEXTURE_2D);
        return FindPixels(IsCovered);
    }
};

// Expects the picture at (x, y) of size w x h, clipped to a dw x dh
// drawable, and every pixel inside covered.
void ExpectPlaced(const PixelBox& box, int x, int y, int w, int h, int dw, int dh) {
    EXPECT_EQ(box.x0, std::max(0, x));
    EXPECT_EQ(box.y0, std::max(0, y));
    EXPECT_EQ(box.x1, std::min(dw - 1, x + w - 1));
    EXPECT_EQ(box.y1, std::min(dh - 1, y + h - 1));
    EXPECT_EQ(box.count, (box.x1 - box.x0 + 1) * (box.y1 - box.y0 + 1));
}

}  // namespace

TEST(FitPicture, LongerSideSpansTheDrawableOrOnlyLargePicturesShrink) {
    auto fit = [](float w, float h, bool on) { return FitPicture(w, h, 1024, 768, on); };
    point2d p = fit(800, 600, true);
    EXPECT_FLOAT_EQ(p.x, 1024);
    EXPECT_FLOAT_EQ(p.y, 768);
    p = fit(600, 800, true);
    EXPECT_FLOAT_EQ(p.x, 576);
    EXPECT_FLOAT_EQ(p.y, 768);
    p = fit(100, 100, true);  // square: by the width, past the top and bottom
    EXPECT_FLOAT_EQ(p.x, 1024);
    EXPECT_FLOAT_EQ(p.y, 1024);
    p = fit(800, 600, false);
    EXPECT_FLOAT_EQ(p.x, 800);
    EXPECT_FLOAT_EQ(p.y, 600);
    p = fit(2048, 1024, false);
    EXPECT_FLOAT_EQ(p.x, 1024);
    EXPECT_FLOAT_EQ(p.y, 512);
    p = fit(1000, 900, false);
    EXPECT_FLOAT_EQ(p.x, 1000);
    EXPECT_FLOAT_EQ(p.y, 900);
    p = fit(900, 900, false);  // square, taller than the drawable: by the height
    EXPECT_FLOAT_EQ(p.x, 768);
    EXPECT_FLOAT_EQ(p.y, 768);
    p = fit(600, 1600, false);
    EXPECT_FLOAT_EQ(p.x, 288);
    EXPECT_FLOAT_EQ(p.y, 768);
}

TEST_F(UnderlayTest, FittedPicturesFillTheirLongerSide) {
    PixelBox box = PlacePicture(800, 600, true);
    ExpectPlaced(box, 0, 0, 1024, 768, 1024, 768);
    box = PlacePicture(600, 800, true);
    ExpectPlaced(box, 224, 0, 576, 768, 1024, 768);
}

TEST_F(UnderlayTest, UnfittedPicturesKeepTheirSizeUnlessLarger) {
    PixelBox box = PlacePicture(800, 600, false);
    ExpectPlaced(box, 112, 84, 800, 600, 1024, 768);
    box = PlacePicture(2048, 1024, false);
    ExpectPlaced(box, 0, 128, 1024, 512, 1024, 768);
    box = PlacePicture(1000, 900, false);  // not reduced: past the top and bottom
    ExpectPlaced(box, 12, -66, 1000, 900, 1024, 768);
}

TEST_F(UnderlayTest, OddMarginsAreTruncated) {
    ResizeDrawable(1023, 768);
    PixelBox box = PlacePicture(800, 600, false);  // (1023 - 800) / 2 = 111.5
    ExpectPlaced(box, 111, 84, 800, 600, 1023, 768);
}

TEST_F(UnderlayTest, DesktopTextureFillsTheDrawable) {
    ResizeDrawable(320, 200);
    SSMAIN scene;
    settings.BGTYPE = BG_DESKTOP;
    scene.settings = &settings;
    scene.width = 320;
    scene.height = 200;
    // A 2 x 2 desktop texture: its bottom-left texel must land bottom-left.
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    scene.deskTexID = name;
    glClear(GL_COLOR_BUFFER_BIT);
    scene.Update(0.02);
    scene.DoUnderlay();
    Rgba p = ReadPixel(0, 0);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
    p = ReadPixel(319, 0);
    EXPECT_EQ(p.g, 255);
    p = ReadPixel(0, 199);
    EXPECT_EQ(p.b, 255);
    EXPECT_EQ(p.r, 0);
    p = ReadPixel(319, 199);
    EXPECT_EQ(p.r + p.g + p.b, 765);
    // The state the world expects afterwards.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    scene.Cleanup();
    EXPECT_EQ(scene.deskTexID, 0u);
    EXPECT_FALSE(glIsTexture(name));
}

// The slideshow in a 256 x 256 drawable: the folder picture (solid colour)
// against the partner picture of the pack.
class SlideshowTest : public SceneTest {
protected:
    TempFolder folder;

    SlideshowTest() {
        width = 256;
        height = 256;
    }
    void SetUp() override {
        SceneTest::SetUp();
        const uint8_t* c = kPictureColour;
        ASSERT_TRUE(
            SavePicture(folder.File("valentine.png"), 300, 200, SolidColour(c[0], c[1], c[2]), "png"));
        settings.BGTYPE = BG_SLIDESHOW;
        settings.SetBGPath(folder.path.c_str());
    }
};

TEST_F(SlideshowTest, CrossFadesEveryDelayAndExchangesTheSlots) {
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    ASSERT_EQ(settings.BGTYPE, BG_SLIDESHOW);
    const uint32_t folderPicture = scene.pics[0].texID;
    const uint32_t partner = scene.textures[kPartnerPictureSlot].texID;
    ASSERT_NE(folderPicture, 0u);
    ASSERT_EQ(scene.pics[1].texID, partner);
    EXPECT_FLOAT_EQ(scene.picSize[0].x, 256.0f);  // 300 x 200 fitted by its width
    EXPECT_NEAR(scene.picSize[0].y, 256.0f * 200 / 300, 1e-3);
    EXPECT_FLOAT_EQ(scene.picSize[1].x, 256.0f);  // partner: min(height, 512) square
    EXPECT_EQ(scene.pics[1].width, 256u);

    // Steps of 0.25 s. The timer runs out at the first frame and is then set
    // to the delay; it runs out again at the first frame on which it drops
    // below zero, 20.25 s later; each cross-fade takes 1 s.
    settings.SETPICDELAY = 20;
    const double step = 0.25;
    std::vector<double> fadeStarts;
    std::vector<uint32_t> shownAfterFade;
    uint8_t partnerPixel[4] = {0, 0, 0, 0};
    float previousFade = 1.0f;
    for (int k = 1; k <= 200; ++k) {
        double t = k * step;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Update(step);
        scene.DoUnderlay();
        Rgba centre = ReadPixel(128, 128);
        const uint8_t rgb[3] = {centre.r, centre.g, centre.b};
        if (scene.picFade < previousFade) fadeStarts.push_back(t);
        if (scene.picFade < 1.0f) {
            EXPECT_FLOAT_EQ(scene.picFade, static_cast<float>(t - fadeStarts.back() + step)) << t;
        } else {
            if (previousFade < 1.0f) shownAfterFade.push_back(scene.pics[1].texID);
            // The picture in slot 1 is shown alone at full opacity.
            if (scene.pics[1].texID == folderPicture) {
                EXPECT_TRUE(IsPictureColour(rgb)) << t;
            } else if (partnerPixel[3] == 0) {
                memcpy(partnerPixel, rgb, 3);
                partnerPixel[3] = 1;
            } else {
                EXPECT_EQ(memcmp(rgb, partnerPixel, 3), 0) << t;
            }
        }
        previousFade = scene.picFade;
        // Each size travels with its slot.
        int folderSlot = scene.pics[0].texID == folderPicture ? 0 : 1;
        ASSERT_EQ(scene.pics[1 - folderSlot].texID, partner) << t;
        EXPECT_EQ(scene.picBorrowed[1 - folderSlot], true);
        EXPECT_FLOAT_EQ(scene.picSize[1 - folderSlot].x, 256.0f);
        EXPECT_NEAR(scene.picSize[folderSlot].y, 256.0f * 200 / 300, 1e-3);
    }
    EXPECT_EQ(fadeStarts, (std::vector<double>{0.25, 20.5, 40.75}));
    EXPECT_EQ(shownAfterFade, (std::vector<uint32_t>{folderPicture, partner, folderPicture}));
    EXPECT_FALSE(IsPictureColour(partnerPixel)) << "the partner picture must differ from the test colour";
    EXPECT_EQ(partnerPixel[3], 1) << "the partner picture was shown";
}

TEST_F(SlideshowTest, PartnerPictureIsASquareOfAtMost512) {
    ResizeDrawable(1280, 800);
    HostGLInit();
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    EXPECT_FLOAT_EQ(scene.picSize[1].x, 512.0f);
    EXPECT_FLOAT_EQ(scene.picSize[1].y, 512.0f);
    EXPECT_EQ(scene.pics[1].width, 512u);
    EXPECT_EQ(scene.pics[1].height, 512u);
    // Drawn centred: x from 384, y from 144. Seen through a solid texture
    // bound to the slot in place of the artwork.
    uint32_t partner = scene.pics[1].texID;
    scene.pics[1].texID = scene.pics[0].texID;  // the folder picture's solid colour
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SetPixelSpace(width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    scene.DrawPic(1);
    glDisable(GL_TEXTURE_2D);
    PixelBox box = FindPixels(IsCovered);
    ExpectPlaced(box, 384, 144, 512, 512, 1280, 800);
    scene.pics[1].texID = partner;

    SSMAIN low;
    width = 640;
    height = 400;
    settings.BGTYPE = BG_SLIDESHOW;
    ASSERT_TRUE(SetupScene(&low));
    EXPECT_FLOAT_EQ(low.picSize[1].x, 400.0f);
    EXPECT_FLOAT_EQ(low.picSize[1].y, 400.0f);
}

TEST_F(SlideshowTest, UnreadablePictureSwitchesToThePlainColour) {
    TempFolder broken;
    ASSERT_TRUE(WriteBytes(broken.File("holiday.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'}));
    ASSERT_TRUE(WriteBytes(broken.File("notes.txt"), {'h', 'i'}));
    for (const std::string& path : {broken.path, broken.File("missing/"), std::string()}) {
        SCOPED_TRACE(path);
        settings.BGTYPE = BG_SLIDESHOW;
        settings.SetBGPath(path.c_str());
        SSMAIN scene;
        ASSERT_TRUE(SetupScene(&scene)) << "a picture failure does not fail the set-up";
        EXPECT_EQ(settings.BGTYPE, BG_COLOUR);
        EXPECT_EQ(scene.pics[0].texID, 0u);
        ASSERT_TRUE(scene.errorCaption.ACTIVE);
        EXPECT_EQ(std::string(scene.errorCaption.cap, scene.errorCaption.length), kPictureErrorText);
        EXPECT_FLOAT_EQ(scene.errorCaption.col.x, 1.0f);
        EXPECT_FLOAT_EQ(scene.errorCaption.col.y + scene.errorCaption.col.z, 0.0f);
        EXPECT_FLOAT_EQ(scene.errorCaption.timer, 30.0f);
        EXPECT_FLOAT_EQ(scene.errorCaption.size, 32.0f);
    }
}
