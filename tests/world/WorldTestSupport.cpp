#include "tests/world/WorldTestSupport.h"

#include <GL/gl.h>

#include <cstdlib>
#include <filesystem>

#include "assets/FileBytes.h"
#include "assets/PackWriter.h"
#include "assets/TGAWriter.h"
#include "model/MS3DWriter.h"
#include "world/GLStuff.h"

std::string DataDir() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    return dir != nullptr ? dir : "";
}

ScratchFolder::ScratchFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dovel-world-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

namespace {

MS3D_VERTEX Vertex(float x, float y, float z, int bone) {
    MS3D_VERTEX v;
    v.vertex[0] = x;
    v.vertex[1] = y;
    v.vertex[2] = z;
    v.boneId = static_cast<int8_t>(bone);
    return v;
}

// A small skinned model: one triangle per joint, one group, one material,
// 24 frames per second and 40 frames, so it plays the archer's flight and
// shot ranges.
MS3DSource ArcherSource(int joints) {
    MS3DSource source;
    MS3DSourceGroup body;
    body.name = "body";
    body.materialIndex = 0;
    for (int j = 0; j < joints; ++j) {
        uint16_t first = static_cast<uint16_t>(source.vertices.size());
        source.vertices.push_back(Vertex(j, 0, 0, j));
        source.vertices.push_back(Vertex(j + 1.0f, 0, 0, j));
        source.vertices.push_back(Vertex(j, 1, 0, j));
        MS3D_TRIANGLE t;
        for (int c = 0; c < 3; ++c) {
            t.vertexIndices[c] = static_cast<uint16_t>(first + c);
            t.vertexNormals[c][2] = 1.0f;
        }
        body.triangleIndices.push_back(static_cast<uint16_t>(source.triangles.size()));
        source.triangles.push_back(t);
        MS3DSourceJoint joint;
        joint.name = "joint" + std::to_string(j);
        if (j > 0) joint.parentName = "joint0";
        joint.rotKeys = {MS3D_KEYFRAME{0.0f, {0, 0, 0}}, MS3D_KEYFRAME{40.0f / 24.0f, {0, 0.5f, 0}}};
        source.joints.push_back(joint);
    }
    source.groups = {body};
    source.materials.resize(1);
    source.animationFPS = 24.0f;
    source.totalFrames = 40;
    return source;
}

std::vector<uint8_t> TinyTGA() {
    const uint8_t pixels[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    return EncodeTGA(pixels, 2, 2, 24, false, false);
}

}  // namespace

void WriteArcherPack(const std::string& folder, int joints, int textures) {
    MS3D model;
    ASSERT_TRUE(BuildMS3D(ArcherSource(joints), &model));
    std::vector<PackLump> lumps(1);
    lumps[0].data = EncodeMS3D(model);
    lumps[0].type = 0;
    for (int i = 0; i < textures; ++i) lumps.push_back(PackLump{TinyTGA(), 1, 0});
    std::string error;
    ASSERT_TRUE(WriteFileBytes(folder + kArcherPackName, EncodePack(lumps), &error)) << error;
}

void CopyShippedPack(const std::string& folder, const char* name) {
    std::error_code error;
    std::filesystem::copy_file(DataDir() + name, folder + name, error);
    ASSERT_FALSE(error) << name << ": " << error.message();
}

void PrepareWorldGL() {
    SetupWorldGLState(kWorldLightPos);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

void WorldTest::SetUp() {
    GLTest::SetUp();
    PrepareWorldGL();
    Camera();
    srand(kWorldSeed);
}

void WorldTest::TearDown() {
    world.Cleanup();
    GLTest::TearDown();
}

void WorldTest::Camera() {
    SetSceneCamera(width, height);
    ExtractFrustum();
}

bool WorldTest::SetupWorld() {
    std::string folder = DataDir();
    return world.Setup(&settings, folder.c_str());
}

void WorldTest::Frame(double dt) {
    clock += dt;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Camera();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    world.Draw(dt, clock);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
}

void WorldTest::Frames(int n, double dt) {
    for (int i = 0; i < n; ++i) Frame(dt);
}

int WorldTest::ActiveHearts() const {
    int n = 0;
    for (int i = 0; i < world.numHearts; ++i) n += world.hearts[i].active ? 1 : 0;
    return n;
}

void WorldTest::ClearHearts() {
    for (int i = 0; i < world.numHearts; ++i) world.hearts[i].active = false;
}

ONEHEART& WorldTest::PlaceHeart(int i, VECTOR3D p, int size, float rise) {
    ONEHEART& heart = world.hearts[i];
    heart = ONEHEART();
    heart.active = true;
    heart.pos = p;
    heart.size = size;
    heart.rise = rise;
    return heart;
}
