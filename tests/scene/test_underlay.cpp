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

// Covered by the picture on black, in its own colour up to the outermost
// pixels: no darker frame where the texture's edge is magnified.
bool IsCovered(const uint8_t* p) {
    return std::abs(p[0] - kPictureColour[0]) <= 2 && std::abs(p[1] - kPictureColour[1]) <= 2 &&
           std::abs(p[2] - kPictureColour[2]) <= 2;
}

class UnderlayTest : public SceneTest {
protected:
    TempFolder folder;

    UnderlayTest() {
        width = 1024;
        height = 768;
    }
    // Makes a w x h picture of one colour the only one of the slideshow folder.
    void UseFolderPicture(int w, int h) {
        const uint8_t* c = kPictureColour;
        ASSERT_TRUE(SavePicture(folder.File("picture.png"), w, h, SolidColour(c[0], c[1], c[2])));
        settings.SetBGPath(folder.path.c_str());
        settings.BGTYPE = BG_SLIDESHOW;
    }
    // Draws picture slot i on black, as the underlay does; returns where it
    // landed.
    PixelBox DrawSlot(SSMAIN* scene, int i) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SetPixelSpace(width, height);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        scene->DrawPic(i);
        glDisable(GL_TEXTURE_2D);
        return FindPixels(IsCovered);
    }
    // Expects the box at (x, y) of size w x h, clipped to the drawable, and
    // every pixel inside covered.
    void ExpectPlaced(const PixelBox& box, int x, int y, int w, int h) {
        EXPECT_EQ((std::vector<int>{box.x0, box.y0, box.x1, box.y1}),
                  (std::vector<int>{std::max(0, x), std::max(0, y), std::min(width - 1, x + w - 1),
                                    std::min(height - 1, y + h - 1)}));
        EXPECT_EQ(box.count, (box.x1 - box.x0 + 1) * (box.y1 - box.y0 + 1));
    }
};

}  // namespace

TEST_F(UnderlayTest, PicturesAreFittedOrShrunkAndCentredWithTruncatedMargins) {
    const struct {
        int drawableW, w, h;
        bool fit;
        int x, y, drawnW, drawnH;
    } cases[] = {
        // Fitted: the longer side spans the drawable; a square by the width,
        // past the top and bottom.
        {1024, 800, 600, true, 0, 0, 1024, 768},
        {1024, 600, 800, true, 224, 0, 576, 768},
        {1024, 100, 100, true, 0, -128, 1024, 1024},
        // Not fitted: only pictures larger along their longer side shrink; a
        // square taller than the drawable by the height. Odd margins are
        // truncated: (1023 - 800) / 2 = 111.5.
        {1024, 800, 600, false, 112, 84, 800, 600},
        {1024, 2048, 1024, false, 0, 128, 1024, 512},
        {1024, 1000, 900, false, 12, -66, 1000, 900},
        {1024, 900, 900, false, 128, 0, 768, 768},
        {1024, 600, 1600, false, 368, 0, 288, 768},
        {1023, 800, 600, false, 111, 84, 800, 600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.drawableW);
        ResizeDrawable(c.drawableW, 768);
        UseFolderPicture(c.w, c.h);
        settings.FITSCREEN = c.fit;
        SSMAIN scene;
        scene.settings = &settings;
        scene.width = width;
        scene.height = height;
        scene.LoadPic();
        ASSERT_EQ(settings.BGTYPE, BG_SLIDESHOW);
        EXPECT_EQ(std::make_pair(scene.pics[0].width, scene.pics[0].height),
                  std::make_pair(static_cast<uint32_t>(c.w), static_cast<uint32_t>(c.h)));
        EXPECT_EQ((std::vector<float>{scene.picSize[0].x, scene.picSize[0].y}),
                  (std::vector<float>{static_cast<float>(c.drawnW), static_cast<float>(c.drawnH)}));
        ExpectPlaced(DrawSlot(&scene, 0), c.x, c.y, c.drawnW, c.drawnH);
    }
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
    glGenTextures(1, &scene.deskTexID);
    glBindTexture(GL_TEXTURE_2D, scene.deskTexID);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glClear(GL_COLOR_BUFFER_BIT);
    scene.Update(0.02);
    scene.DoUnderlay();
    std::vector<int> corners;
    for (auto xy :
         {std::make_pair(0, 0), std::make_pair(319, 0), std::make_pair(0, 199), std::make_pair(319, 199)}) {
        Rgba p = ReadPixel(xy.first, xy.second);
        corners.insert(corners.end(), {p.r, p.g, p.b});
    }
    EXPECT_EQ(corners, (std::vector<int>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    // The state the world expects afterwards.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_BLEND));
}

TEST_F(UnderlayTest, SlideshowCrossFadesEveryDelayAndExchangesTheSlots) {
    ResizeDrawable(600, 560);
    HostGLInit();
    UseFolderPicture(300, 200);
    SSMAIN scene;
    ASSERT_TRUE(SetupScene(&scene));
    ASSERT_EQ(settings.BGTYPE, BG_SLIDESHOW);
    const uint32_t folderPicture = scene.pics[0].texID;
    const uint32_t partner = scene.textures[kPartnerPictureSlot].texID;
    ASSERT_NE(folderPicture, 0u);
    ASSERT_EQ(scene.pics[1].texID, partner);
    EXPECT_EQ(std::make_pair(scene.pics[1].width, scene.pics[1].height), std::make_pair(512u, 512u));

    // Steps of 0.25 s. The timer runs out at the first frame and is then set
    // to the delay; it runs out again at the first frame on which it drops
    // below zero, 20.25 s later; each cross-fade takes 1 s.
    settings.SETPICDELAY = 20;
    const double step = 0.25;
    std::vector<double> fadeStarts;
    std::vector<uint32_t> shownAfterFade;
    float previousFade = 1.0f;
    for (int k = 1; k <= 200; ++k) {
        const double t = k * step;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Update(step);
        scene.DoUnderlay();
        if (scene.picFade < previousFade) fadeStarts.push_back(t);
        if (scene.picFade >= 1.0f && previousFade < 1.0f) shownAfterFade.push_back(scene.pics[1].texID);
        const bool fading = scene.picFade < 1.0f;
        EXPECT_FLOAT_EQ(scene.picFade, fading ? static_cast<float>(t - fadeStarts.back() + step) : 1.0f) << t;
        // Between fades the picture in slot 1 is shown alone at full opacity.
        const Rgba c = ReadPixel(300, 280);
        const bool folderColour =
            c.r == kPictureColour[0] && c.g == kPictureColour[1] && c.b == kPictureColour[2];
        EXPECT_TRUE(fading || folderColour == (scene.pics[1].texID == folderPicture)) << t;
        previousFade = scene.picFade;
        // Each size and ownership travels with its slot: the folder picture
        // is 300 x 200 fitted by its width, the partner a square of the
        // drawable's height, at most 512.
        const int folderSlot = scene.pics[0].texID == folderPicture ? 0 : 1;
        ASSERT_EQ(scene.pics[1 - folderSlot].texID, partner) << t;
        EXPECT_TRUE(scene.picBorrowed[1 - folderSlot]);
        EXPECT_FALSE(scene.picBorrowed[folderSlot]);
        const point2d f = scene.picSize[folderSlot], p = scene.picSize[1 - folderSlot];
        EXPECT_EQ((std::vector<float>{f.x, f.y, p.x, p.y}), (std::vector<float>{600, 400, 512, 512})) << t;
    }
    EXPECT_EQ(fadeStarts, (std::vector<double>{0.25, 20.5, 40.75}));
    EXPECT_EQ(shownAfterFade, (std::vector<uint32_t>{folderPicture, partner, folderPicture}));
    // The partner, now in slot 0, is drawn centred at its size; seen through
    // the folder picture's solid colour bound in place of the artwork.
    scene.pics[0].texID = folderPicture;
    ExpectPlaced(DrawSlot(&scene, 0), 44, 24, 512, 512);
    scene.pics[0].texID = partner;
}

TEST_F(UnderlayTest, UnreadablePictureSwitchesToThePlainColour) {
    ASSERT_TRUE(WriteBytes(folder.File("holiday.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'}));
    ASSERT_TRUE(WriteBytes(folder.File("notes.txt"), {'h', 'i'}));
    for (const std::string& path : {folder.path, folder.File("missing/"), std::string()}) {
        SCOPED_TRACE(path);
        settings.BGTYPE = BG_SLIDESHOW;
        settings.SetBGPath(path.c_str());
        SSMAIN scene;
        ASSERT_TRUE(SetupScene(&scene)) << "a picture failure does not fail the set-up";
        EXPECT_EQ(settings.BGTYPE, BG_COLOUR);
        EXPECT_EQ(scene.pics[0].texID, 0u);
        const Caption& c = scene.errorCaption;
        ASSERT_TRUE(c.ACTIVE);
        EXPECT_EQ(std::string(c.cap, c.length), kPictureErrorText);
        EXPECT_EQ((std::vector<float>{c.col.x, c.col.y, c.col.z, c.timer, c.size}),
                  (std::vector<float>{1, 0, 0, 30, 32}));
    }
}
