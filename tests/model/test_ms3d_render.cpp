#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Texture.h"
#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/GLHarness.h"

namespace {

// Two unit squares side by side facing the camera: group 0 "left" (x -2..0,
// material 0) and group 1 "right" (x 0..2, material 1), plus an empty group
// 2. Texture coordinates cover each square once; the corners' t values run
// 0 at the bottom to 1 at the top as stored in the file.
MS3DSource TwoSquares() {
    MS3DSource source;
    auto vertex = [](float x, float y) {
        MS3D_VERTEX v;
        v.vertex[0] = x;
        v.vertex[1] = y;
        return v;
    };
    for (float x0 : {-2.0f, 0.0f}) {
        source.vertices.push_back(vertex(x0, -1));
        source.vertices.push_back(vertex(x0 + 2, -1));
        source.vertices.push_back(vertex(x0 + 2, 1));
        source.vertices.push_back(vertex(x0, 1));
    }
    const float s[4] = {0, 1, 1, 0};
    const float t[4] = {0, 0, 1, 1};
    const int halves[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (uint16_t base : {0, 4}) {
        for (const int* corners : halves) {
            MS3D_TRIANGLE tri;
            for (int c = 0; c < 3; c++) {
                tri.vertexIndices[c] = static_cast<uint16_t>(base + corners[c]);
                tri.vertexNormals[c][2] = 1.0f;
                tri.s[c] = s[corners[c]];
                tri.t[c] = t[corners[c]];
            }
            tri.groupIndex = static_cast<uint8_t>(base / 4);
            source.triangles.push_back(tri);
        }
    }
    MS3DSourceGroup left{"left", {0, 1}, 0, 0};
    MS3DSourceGroup right{"right", {2, 3}, 1, 0};
    MS3DSourceGroup empty{"empty", {}, -1, 0};
    source.groups = {left, right, empty};
    source.materials.resize(2);
    return source;
}

// A 1 x 2 texture: bottom row (t = 0) `bottom`, top row (t = 1) `top`.
GLuint MakeTexture(const uint8_t bottom[3], const uint8_t top[3]) {
    const uint8_t pixels[6] = {bottom[0], bottom[1], bottom[2], top[0], top[1], top[2]};
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

GLint BoundTexture() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// Writes the framebuffer as a PPM into $DOVEL_SNAPSHOT_DIR, when set, so a
// person can look at what the test drew.
void Snapshot(const char* name, int w, int h) {
    const char* dir = std::getenv("DOVEL_SNAPSHOT_DIR");
    if (!dir) return;
    std::vector<uint8_t> rgba = ReadFramebuffer(w, h);
    std::string path = std::string(dir) + "/" + name + ".ppm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (int y = h - 1; y >= 0; y--) {
        for (int x = 0; x < w; x++) std::fwrite(&rgba[(y * w + x) * 4], 1, 3, f);
    }
    std::fclose(f);
}

struct ModelDrawing : GLTest {
    MS3D model;
    Texture textures[2];
    const uint8_t red[3] = {255, 0, 0};
    const uint8_t green[3] = {0, 255, 0};
    const uint8_t blue[3] = {0, 0, 255};
    const uint8_t yellow[3] = {255, 255, 0};
    const uint8_t black[3] = {0, 0, 0};

    void SetUp() override {
        GLTest::SetUp();
        ASSERT_TRUE(LoadBytes(&model, EncodeSource(TwoSquares()))) << model.lastError;
        // Left texture: red at the bottom of the file's t range, green at
        // the top; right: blue and yellow.
        textures[0].texID = MakeTexture(red, green);
        textures[1].texID = MakeTexture(blue, yellow);
        SetSceneCamera(width, height);
        glTranslatef(0, 0, -5);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        glEnable(GL_TEXTURE_2D);
    }

    void TearDown() override {
        for (Texture& t : textures) t.Cleanup();
        GLTest::TearDown();
    }

    // Pixels from the centre to a point `units` off the axis in the plane 5
    // units in front of the camera.
    int PixelsFor(float units) {
        return static_cast<int>(units / (5.0 * std::tan(22.5 * kPi / 180)) * height / 2);
    }

    // Pixel rows a quarter of the square above and below its centre.
    Rgba Upper(int side) { return ReadPixel(width / 2 + side * width / 8, height / 2 + height / 12); }
    Rgba Lower(int side) { return ReadPixel(width / 2 + side * width / 8, height / 2 - height / 12); }
};

void ExpectColour(Rgba p, const uint8_t c[3], const char* where) {
    EXPECT_EQ(p.r, c[0]) << where;
    EXPECT_EQ(p.g, c[1]) << where;
    EXPECT_EQ(p.b, c[2]) << where;
}

TEST_F(ModelDrawing, EachGroupDrawsWithItsMaterialsTextureAndTFlipped) {
    model.Render(textures);
    Snapshot("ms3d_two_squares", width, height);
    // The file's t = 0 is sent as 1: the top of the texture lands at the
    // bottom of the square.
    ExpectColour(Lower(-1), green, "left, lower");
    ExpectColour(Upper(-1), red, "left, upper");
    ExpectColour(Lower(1), yellow, "right, lower");
    ExpectColour(Upper(1), blue, "right, upper");
    ExpectColour(ReadPixel(4, 4), black, "outside");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDrawing, RenderWithoutTexturesKeepsTheCurrentBinding) {
    glBindTexture(GL_TEXTURE_2D, textures[1].texID);
    model.Render();
    ExpectColour(Lower(-1), yellow, "left uses the bound texture");
    ExpectColour(Upper(1), blue, "right too");
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(textures[1].texID));
    model.Render(nullptr);
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(textures[1].texID));
}

TEST_F(ModelDrawing, GroupOutsideTheTextureTableDrawsUntextured) {
    model.Render(textures, 1);  // the table holds only the left texture
    ExpectColour(Lower(-1), green, "left");
    const uint8_t white[3] = {255, 255, 255};
    ExpectColour(Lower(1), white, "right");
    ExpectColour(Upper(1), white, "right");
    EXPECT_EQ(BoundTexture(), 0);  // the empty group, no material, binds none too
}

TEST_F(ModelDrawing, DrawGroupOutsideTheGroupsDoesNothing) {
    glBindTexture(GL_TEXTURE_2D, textures[0].texID);
    for (int group : {-1, 3, 1000}) {
        model.DrawGroup(group);
        model.DrawGroup(group, textures);
        model.DrawGroup(group, textures, 2);
    }
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(textures[0].texID));
    ExpectColour(Lower(-1), black, "nothing drawn");
    model.DrawGroup(1, textures);
    ExpectColour(Lower(1), yellow, "right drawn alone");
    ExpectColour(Lower(-1), black, "left not drawn");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Feedback mode returns what reached GL: position, colour and texture
// coordinate of every vertex.
TEST_F(ModelDrawing, CornersAreSentWithTheirNormalTexCoordAndVertex) {
    MS3DSource source = SampleMS3DSource();
    MS3D sample;
    ASSERT_TRUE(LoadBytes(&sample, EncodeSource(source)));
    SetPixelSpace(width, height);
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    sample.DrawGroup(1);  // the empty group
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    sample.DrawGroup(0);
    GLint values = glRenderMode(GL_RENDER);
    // Two polygons of three vertices: a token and a count, then per vertex
    // x, y, z, r, g, b, a, s, t, r, q.
    ASSERT_EQ(values, 2 * (2 + 3 * 11));
    const GLfloat* second = buffer.data() + 2 + 3 * 11;
    EXPECT_EQ(second[0], static_cast<GLfloat>(GL_POLYGON_TOKEN));
    EXPECT_EQ(second[1], 3.0f);
    // Triangle 1 is (1, 3, 2); its corner 2 is vertex 2 at (0, 1) with s 0
    // and t 0.25, sent as 0.75.
    const GLfloat* corner2 = second + 2 + 2 * 11;
    EXPECT_FLOAT_EQ(corner2[0], 0.0f);
    EXPECT_FLOAT_EQ(corner2[1], 1.0f);
    EXPECT_FLOAT_EQ(corner2[7], 0.0f);
    EXPECT_FLOAT_EQ(corner2[8], 0.75f);
    const GLfloat* corner1 = second + 2 + 11;  // vertex 3 at (2, 2), s 1, t 0
    EXPECT_FLOAT_EQ(corner1[0], 2.0f);
    EXPECT_FLOAT_EQ(corner1[1], 2.0f);
    EXPECT_FLOAT_EQ(corner1[7], 1.0f);
    EXPECT_FLOAT_EQ(corner1[8], 1.0f);
}

TEST_F(ModelDrawing, PosedArcherLikeModelDrawsWhereItsJointsPutIt) {
    // Bind pose: triangles (0,0) (1,0) (0,1) and (1,0) (2,2) (0,1). Past the
    // last keys the root turns 90 degrees about z and moves by (1,0,0): the
    // first triangle becomes (1,0) (1,1) (0,0), the second collapses.
    MS3D sample;
    ASSERT_TRUE(LoadBytes(&sample, EncodeSource(SampleMS3DSource())));
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
    sample.Animate(1.5);  // past the last keys: root at 90 degrees, moved by (1,0,0)
    sample.UpdateSkeleton();
    sample.UpdatePoints();
    sample.Render();
    Snapshot("ms3d_posed", width, height);
    EXPECT_EQ(ReadPixel(probeX, probeY).r, 0);
    EXPECT_EQ(ReadPixel(width / 2 + PixelsFor(0.9f), height / 2 + PixelsFor(0.5f)).r, 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
