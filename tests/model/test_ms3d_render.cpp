#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <vector>

#include "assets/Texture.h"
#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

constexpr uint32_t kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff, kYellow = 0xffff00;
constexpr uint32_t kWhite = 0xffffff, kBlack = 0;

uint32_t Rgb(Rgba p) {
    return static_cast<uint32_t>(p.r << 16 | p.g << 8 | p.b);
}

// Two squares of 2 x 2 units side by side facing the camera: group 0 "left"
// (x -2..0, material 0) and group 1 "right" (x 0..2, material 1), plus an
// empty group 2 without material. Texture coordinates cover each square once;
// t runs 0 at the bottom to 1 at the top as stored in the file.
MS3DSource TwoSquares() {
    MS3DSource source;
    const float s[4] = {0, 1, 1, 0}, t[4] = {0, 0, 1, 1};
    const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int square = 0; square < 2; square++) {
        for (int c = 0; c < 4; c++) {
            MS3D_VERTEX v;
            v.vertex[0] = 2.0f * (square - 1 + s[c]);
            v.vertex[1] = 2.0f * t[c] - 1;
            source.vertices.push_back(v);
        }
        for (const int* half : corners) {
            MS3D_TRIANGLE tri;
            for (int c = 0; c < 3; c++) {
                tri.vertexIndices[c] = static_cast<uint16_t>(4 * square + half[c]);
                tri.vertexNormals[c][2] = 1.0f;
                tri.s[c] = s[half[c]];
                tri.t[c] = t[half[c]];
            }
            tri.groupIndex = static_cast<uint8_t>(square);
            source.triangles.push_back(tri);
        }
    }
    source.groups = {{"left", {0, 1}, 0, 0}, {"right", {2, 3}, 1, 0}, {"empty", {}, -1, 0}};
    source.materials.resize(2);
    return source;
}

// A 1 x 2 texture: bottom row (t = 0) `bottom`, top row (t = 1) `top`.
GLuint MakeTexture(uint32_t bottom, uint32_t top) {
    const uint8_t pixels[6] = {uint8_t(bottom >> 16), uint8_t(bottom >> 8), uint8_t(bottom),
                               uint8_t(top >> 16),    uint8_t(top >> 8),    uint8_t(top)};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

GLuint BoundTexture() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

// The scene camera looking at the plane z = -5, cleared to black, white
// colour, texturing on.
struct ModelDrawing : GLTest {
    void SetUp() override {
        GLTest::SetUp();
        SetSceneCamera(width, height);
        glTranslatef(0, 0, -5);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glEnable(GL_TEXTURE_2D);
    }
    // Pixels from the centre to a point `units` off the axis in that plane.
    int PixelsFor(float units) {
        return static_cast<int>(units / (5.0 * std::tan(22.5 * kPi / 180)) * height / 2);
    }
};

// Each case draws the two squares into a cleared frame and reads a quarter of
// a square above and below the centre of each.
TEST_F(ModelDrawing, EachGroupBindsItsMaterialsTextureAndFlipsT) {
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSource(TwoSquares()))) << model.lastError;
    Texture textures[2];
    // Left: red at the bottom of the file's t range, green at the top; right:
    // blue and yellow.
    textures[0].texID = MakeTexture(kRed, kGreen);
    textures[1].texID = MakeTexture(kBlue, kYellow);
    const GLuint left = textures[0].texID, right = textures[1].texID;
    const struct {
        const char* what;
        GLuint boundBefore;
        std::function<void()> draw;
        uint32_t leftLower, leftUpper, rightLower, rightUpper;
        GLuint boundAfter;
    } cases[] = {
        // The file's t = 0 is sent as 1: the top of the texture lands at the
        // bottom of the square. The empty group, without material, binds 0.
        {"texture table", 0, [&] { model.Render(textures); }, kGreen, kRed, kYellow, kBlue, 0},
        {"no table: the current binding stays", right,
         [&] {
             model.Render();
             model.Render(nullptr);
         },
         kYellow, kBlue, kYellow, kBlue, right},
        {"group outside the table: untextured", 0, [&] { model.Render(textures, 1); }, kGreen, kRed, kWhite,
         kWhite, 0},
        {"groups outside the model draw nothing", left,
         [&] {
             for (int group : {-1, 3, 1000}) {
                 model.DrawGroup(group);
                 model.DrawGroup(group, textures);
                 model.DrawGroup(group, textures, 2);
             }
         },
         kBlack, kBlack, kBlack, kBlack, left},
        {"one group alone", 0, [&] { model.DrawGroup(1, textures); }, kBlack, kBlack, kYellow, kBlue, right},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, c.boundBefore);
        c.draw();
        const int x = width / 8, y = height / 12;
        EXPECT_EQ(Rgb(ReadPixel(width / 2 - x, height / 2 - y)), c.leftLower);
        EXPECT_EQ(Rgb(ReadPixel(width / 2 - x, height / 2 + y)), c.leftUpper);
        EXPECT_EQ(Rgb(ReadPixel(width / 2 + x, height / 2 - y)), c.rightLower);
        EXPECT_EQ(Rgb(ReadPixel(width / 2 + x, height / 2 + y)), c.rightUpper);
        EXPECT_EQ(Rgb(ReadPixel(4, 4)), kBlack);
        EXPECT_EQ(BoundTexture(), c.boundAfter);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    for (Texture& t : textures) t.Cleanup();
}

// Feedback mode returns what reached GL: position, colour and texture
// coordinate of every vertex.
TEST_F(ModelDrawing, CornersAreSentWithTheirNormalTexCoordAndVertex) {
    MS3D sample;
    ASSERT_TRUE(LoadBytes(&sample, EncodeSampleMS3D(false)));
    SetPixelSpace(width, height);
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    sample.DrawGroup(1);  // the empty group
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    sample.DrawGroup(0);
    // Two polygons of three vertices: a token and a count, then per vertex
    // x, y, z, r, g, b, a, s, t, r, q.
    ASSERT_EQ(glRenderMode(GL_RENDER), 2 * (2 + 3 * 11));
    const GLfloat* second = buffer.data() + 2 + 3 * 11;
    EXPECT_EQ(second[0], static_cast<GLfloat>(GL_POLYGON_TOKEN));
    EXPECT_EQ(second[1], 3.0f);
    // Triangle 1 is (1, 3, 2). Its corner 1 is vertex 3 at (2, 2) with s 1
    // and t 0, sent as 1; corner 2 is vertex 2 at (0, 1) with s 0 and t 0.25,
    // sent as 0.75.
    const GLfloat want[2][4] = {{2, 2, 1, 1}, {0, 1, 0, 0.75f}};
    for (int c = 1; c <= 2; c++) {
        const GLfloat* corner = second + 2 + c * 11;
        EXPECT_EQ((std::vector<GLfloat>{corner[0], corner[1], corner[7], corner[8]}),
                  std::vector<GLfloat>(want[c - 1], want[c - 1] + 4));
    }
}

TEST_F(ModelDrawing, PosedArcherLikeModelDrawsWhereItsJointsPutIt) {
    // Bind pose: triangles (0,0) (1,0) (0,1) and (1,0) (2,2) (0,1). Past the
    // last keys the root turns 90 degrees about z and moves by (1,0,0): the
    // first triangle becomes (1,0) (1,1) (0,0), the second collapses.
    MS3D sample;
    ASSERT_TRUE(LoadBytes(&sample, EncodeSampleMS3D(false)));
    ASSERT_TRUE(sample.InitialSetup());
    sample.UpdatePoints();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    sample.Render();
    const int probeX = width / 2 + PixelsFor(0.1f), probeY = height / 2 + PixelsFor(0.5f);
    EXPECT_EQ(ReadPixel(probeX, probeY).r, 255);
    glClear(GL_COLOR_BUFFER_BIT);
    sample.RevertPoints();
    sample.SetAnimation(0, 48, 1000, false, false);
    sample.Animate(1.5);
    sample.UpdateSkeleton();
    sample.UpdatePoints();
    sample.Render();
    EXPECT_EQ(ReadPixel(probeX, probeY).r, 0);
    EXPECT_EQ(ReadPixel(width / 2 + PixelsFor(0.9f), height / 2 + PixelsFor(0.5f)).r, 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
