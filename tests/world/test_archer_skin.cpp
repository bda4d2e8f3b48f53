// The archer's skin against the model's own in-place skinning: a second copy
// of the archer, moved between joint space and model space by RevertPoints
// and UpdatePoints with the same joint matrices, must hold bit for bit the
// mesh the skin holds after every frame of a long run, and both must draw
// the same pixels.
#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "assets/ResFile.h"
#include "tests/world/WorldTestSupport.h"

namespace {

bool SameBits(VECTOR3D a, const float* b) {
    const float v[3] = {a.x, a.y, a.z};
    return std::memcmp(v, b, sizeof v) == 0;
}

class ArcherSkinTest : public WorldTest {
protected:
    MS3D reference;

    void SetUp() override {
        WorldTest::SetUp();
        ASSERT_TRUE(SetupWorld());
        RESFILE pack;
        ASSERT_TRUE(pack.Open((DataDir() + kArcherPackName).c_str()));
        ASSERT_TRUE(pack.SeekLump(0) && reference.LoadFromFStream(&pack.file));
        reference.Scale(kModelScale);
        ASSERT_TRUE(reference.InitialSetup());
        reference.UpdatePoints();
        ASSERT_EQ(reference.numJoints, world.dovel->numJoints);
    }
    void TakeArcherJoints() {
        for (int j = 0; j < reference.numJoints; ++j)
            reference.skeleton[j].absolute = world.dovel->skeleton[j].absolute;
    }
    // The first vertex or corner normal that differs, or "" when none does.
    std::string FirstDifference() const {
        const MS3D_SKIN& skin = world.dovel->skin;
        for (int v = 0; v < reference.numVertices; ++v)
            if (!SameBits(skin.VertexOf(v), reference.vertices[v].vertex))
                return "vertex " + std::to_string(v);
        for (int t = 0; t < reference.numTriangles; ++t)
            for (int c = 0; c < 3; ++c)
                if (!SameBits(skin.NormalOf(t, c), reference.triangles[t].vertexNormals[c]))
                    return "normal of triangle " + std::to_string(t);
        return "";
    }
    // The archer, facing as it does, 12 units in front of the camera, drawn
    // by the model's immediate-mode path or by its skin.
    std::vector<uint8_t> DrawArcher(bool fromSkin) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SetSceneCamera(width, height);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, -12.0f);
        glMultMatrixd(world.dovel->orient.m);
        if (fromSkin)
            world.dovel->skin.Render(world.dovelTex, world.numDovelTex);
        else
            reference.Render(world.dovelTex, world.numDovelTex);
        glPopMatrix();
        glDisable(GL_TEXTURE_2D);
        return ReadFramebuffer(width, height);
    }
};

// Unoptimised (sanitizer) builds run a third of the frames.
#ifdef NDEBUG
constexpr int kFrames = 1500;
#else
constexpr int kFrames = 500;
#endif

TEST_F(ArcherSkinTest, TheSkinHoldsAndDrawsWhatInPlaceSkinningWould) {
    EXPECT_EQ(FirstDifference(), "");
    int shots = 0;
    for (int frame = 1; frame <= kFrames; ++frame) {
        // A shot early on, so that a short run covers its animation too.
        if (frame == 60) world.dovel->SetAction(kActionShoot, &world);
        TakeArcherJoints();
        reference.RevertPoints();
        clock += kStep;
        world.MoveDovel(kStep, clock);
        world.MoveHearts(kStep);
        TakeArcherJoints();
        reference.UpdatePoints();
        shots += world.dovel->action == kActionShoot ? 1 : 0;
        ASSERT_EQ(FirstDifference(), "") << "frame " << frame;
        if (frame % 250 != 0) continue;
        std::vector<uint8_t> immediate = DrawArcher(false);
        std::vector<uint8_t> arrays = DrawArcher(true);
        size_t covered = 0;
        for (size_t i = 3; i < immediate.size(); i += 4)
            covered += immediate[i - 1] | immediate[i - 2] ? 1 : 0;
        EXPECT_GT(covered, immediate.size() / 4 / 200)
            << "frame " << frame << ": the archer is in the picture";
        EXPECT_TRUE(immediate == arrays) << "frame " << frame;
    }
    EXPECT_GT(shots, 0) << "the run covers a shot's animation too";
}

}  // namespace
