// The archer of "dovel.ple" against what the scene asks of it: its joints
// and their roles, the key poses it was designed with, the wing beat, the
// animation's frames and rate, its textures, and where the nocked arrow sits
// when the scene draws it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "assets/ResFile.h"
#include "tests/art/ArtTestSupport.h"
#include "tools/gen/ArcherRig.h"

namespace {

struct NockedArrow {
    VECTOR3D tip, direction, nock;
};

class Archer : public ::testing::Test {
protected:
    MS3D archer;
    int n = 0;

    // The archer as the scene prepares it: scaled by 0.05, skeleton set up,
    // posed in its bind pose.
    void SetUp() override {
        ASSERT_TRUE(LoadModelLump("dovel.ple", 0, &archer)) << "cannot load " << DataDir() << "dovel.ple";
        archer.Scale(0.05f);
        ASSERT_TRUE(archer.InitialSetup());
        archer.UpdatePoints();
        n = archer.numJoints;
        ASSERT_GE(n, 3);
    }

    // Sets the wing beat as the scene does (joint n-2 turned by w about its y
    // axis, joint n-3 by -w) and poses the mesh.
    void PoseWings(float w) {
        archer.RevertPoints();
        for (int k = 0; k < 2; ++k) {
            SKELETON_JOINT& joint = archer.skeleton[n - 2 - k];
            joint.animRotation = {0.0f, k == 0 ? w : -w, 0.0f};
            joint.animQuat = RotationToQuat(joint.animRotation);
            joint.animMatrix = QuatToRotationMatrix(joint.animQuat);
        }
        archer.UpdateSkeleton();
        archer.UpdatePoints();
    }

    // Plays the shot started by the test as the scene does (steps of 1/60 s,
    // posing the mesh after each) until the animation clock reaches untilMs,
    // which must happen before beforeMs.
    void PlayShotUntil(float untilMs, float beforeMs) {
        for (int step = 0; step < 600 && (archer.blending || archer.currentTime < untilMs); ++step) {
            archer.RevertPoints();
            archer.Animate(1.0 / 60.0);
            archer.UpdateSkeleton();
            archer.UpdatePoints();
        }
        EXPECT_GE(archer.currentTime, untilMs);
        EXPECT_LT(archer.currentTime, beforeMs);
    }

    // The vertex of the wing on joint that lies farthest out to the side.
    int WingTip(int joint) {
        int tip = -1;
        auto out = [&](int v) { return std::fabs(archer.vertices[v].vertex[0]); };
        for (int v : GroupVertices(archer, "wings"))
            if (archer.vertices[v].boneId == joint && (tip < 0 || out(v) > out(tip))) tip = v;
        return tip;
    }

    // The arrow as the scene draws it nocked: its origin (the tip) 0.7 ahead
    // of the bow hand along the hand's +z, 1.5 long.
    NockedArrow ArrowInHand() {
        const MATRIX& hand = archer.skeleton[n - 1].absolute;
        NockedArrow a;
        a.tip = MatrixPointMultiply(hand, {0.0f, 0.0f, 0.7f});
        a.direction = MatrixRotatePoint(hand, {0.0f, 0.0f, 1.0f});
        a.nock = AddVectors(a.tip, ScaleVector(a.direction, -1.5));
        return a;
    }

    float NockToString() {
        float gap = 1e9f;
        for (int v : GroupVertices(archer, "bowstring"))
            gap = std::min<float>(gap, DistanceBetweenVectors(VertexAt(archer, v), ArrowInHand().nock));
        return gap;
    }

    // Checks that the nocked arrow lies on the bow near its tip and that its
    // nock sits on the drawn string.
    void ExpectArrowOnTheBow(const char* when) {
        NockedArrow a = ArrowInHand();
        std::vector<int> bow = GroupVertices(archer, "bow");
        ASSERT_FALSE(bow.empty());
        float best = 1e9f, along = 0.0f;
        for (int v : bow) {
            VECTOR3D p = VertexAt(archer, v);
            float t =
                std::clamp<float>(VectorDotProduct(SubtractVectors(p, a.nock), a.direction), 0.0f, 1.5f);
            float d = DistanceBetweenVectors(p, AddVectors(a.nock, ScaleVector(a.direction, t)));
            if (d < best) best = d, along = 1.5f - t;
        }
        EXPECT_LT(best, 0.06f) << when << ": the arrow does not touch the bow";
        EXPECT_GT(along, 0.15f) << when << ": the bow sits at the very tip";
        EXPECT_LT(along, 0.7f) << when << ": the bow sits too far back along the arrow";
        EXPECT_LT(NockToString(), 0.03f) << when << ": the string is not drawn to the nock";
    }
};

TEST_F(Archer, LastJointHoldsTheBowAndTheTwoBeforeItTheWings) {
    std::vector<int> bow = GroupVertices(archer, "bow"), wings = GroupVertices(archer, "wings");
    ASSERT_FALSE(bow.empty());
    for (int v : bow) EXPECT_EQ(archer.vertices[v].boneId, n - 1);
    int left = 0, right = 0;
    for (int v : wings) {
        int bone = archer.vertices[v].boneId;
        EXPECT_TRUE(bone == n - 2 || bone == n - 3) << "wing vertex on joint " << bone;
        (bone == n - 3 ? left : right) += 1;
    }
    EXPECT_GT(left, 0);
    EXPECT_EQ(left, right);  // mirrored wings
}

// The archer is designed with the generator's own copy of the pose maths;
// at every key the scene's skeleton must land on the same matrices.
TEST_F(Archer, KeyPosesMatchTheGeneratorsRig) {
    ASSERT_EQ(n, kArcherJointCount);
    for (const KeyPose& key : Rig().keys) {
        archer.SetAnimation(key.frame, key.frame + 1.0, 1000.0, false, false);
        archer.Animate(0.0);
        archer.UpdateSkeleton();
        MATRIX designed[kArcherJointCount];
        PoseMatrices(Rig(), key.pose, designed);
        for (int j = 0; j < n; ++j) {
            double worst = 0.0;
            for (int i = 0; i < 16; ++i)
                worst = std::max(worst, std::fabs(designed[j].m[i] - archer.skeleton[j].absolute.m[i]));
            EXPECT_LT(worst, 1e-4) << "joint " << archer.joints[j].name << " at frame " << key.frame;
        }
    }
}

TEST_F(Archer, AnimatesAt24FramesPerSecondThroughFrame40) {
    EXPECT_FLOAT_EQ(archer.animationFPS, 24.0f);
    EXPECT_GE(archer.totalFrames, 40);
    int keyed = 0;
    for (int j = 0; j < n; ++j) {
        const MS3D_JOINT& joint = archer.joints[j];
        if (joint.numKeyFramesRot == 0) continue;
        ++keyed;
        EXPECT_LE(joint.keyFramesRot[0].time, 2.0f / 24.0f + 1e-4f) << joint.name;
        EXPECT_GE(joint.keyFramesRot[joint.numKeyFramesRot - 1].time, 40.0f / 24.0f - 1e-4f) << joint.name;
        for (int k = 1; k < joint.numKeyFramesRot; ++k)
            EXPECT_GT(joint.keyFramesRot[k].time, joint.keyFramesRot[k - 1].time) << joint.name;
    }
    EXPECT_GE(keyed, 3);
}

TEST_F(Archer, StandsTwoToThreeUnitsTallAndEveryGroupNamesOneOfAtLeastFiveTextures) {
    float lo = 1e9f, hi = -1e9f;
    for (int v = 0; v < archer.numVertices; ++v) {
        lo = std::min(lo, archer.vertices[v].vertex[1]);
        hi = std::max(hi, archer.vertices[v].vertex[1]);
    }
    EXPECT_GE(hi - lo, 2.0f);
    EXPECT_LE(hi - lo, 3.0f);

    RESFILE pack;
    ASSERT_TRUE(pack.Open((DataDir() + "dovel.ple").c_str()));
    int textures = static_cast<int>(pack.header.lumpCount) - 1;
    EXPECT_GE(textures, 5);
    EXPECT_EQ(archer.numMaterials, textures);  // the renderer takes one texture per material
    for (int g = 0; g < archer.numGroups; ++g) {
        EXPECT_GE(archer.groups[g].materialIndex, 0) << archer.groups[g].name;
        EXPECT_LT(archer.groups[g].materialIndex, std::min<int>(textures, archer.numMaterials))
            << archer.groups[g].name;
    }
}

// The scene turns joint n-2 by w and n-3 by -w about their own y axes; the
// wing tips must then rise or fall together, mirror images of each other.
TEST_F(Archer, WingBeatLiftsAndLowersTheWingTipsMirrored) {
    int leftTip = WingTip(n - 3), rightTip = WingTip(n - 2);
    ASSERT_GE(leftTip, 0);
    ASSERT_GE(rightTip, 0);
    PoseWings(0.0f);
    VECTOR3D l0 = VertexAt(archer, leftTip), r0 = VertexAt(archer, rightTip);
    EXPECT_NEAR(l0.x, -r0.x, 1e-3f);
    float rise[2];
    for (int i = 0; i < 2; ++i) {
        float w = i == 0 ? 45.0f : -45.0f;
        SCOPED_TRACE(w);
        PoseWings(w);
        VECTOR3D l = VertexAt(archer, leftTip), r = VertexAt(archer, rightTip);
        EXPECT_NEAR(l.y - l0.y, r.y - r0.y, 1e-3f);  // mirrored
        EXPECT_NEAR(l.x, -r.x, 1e-3f);
        EXPECT_NEAR(l.z, r.z, 1e-3f);
        rise[i] = l.y - l0.y;
        EXPECT_GT(std::fabs(rise[i]), 0.25f);  // a real beat, not a twist in place
    }
    EXPECT_LT(rise[0] * rise[1], 0.0f);  // +45 and -45 move the tips opposite ways
}

// The shot as the scene plays it: drawn at frame 18 the nocked arrow rests
// on the bow with its nock on the string; loosed at frame 34 it also points
// along the archer's front; after that the string springs back.
TEST_F(Archer, ShotKeepsTheArrowOnTheBowUntilLoosedThenTheStringSpringsBack) {
    archer.SetAnimation(14.0, 40.0, 500.0, false, true);  // frames 14 to 40, no loop, blended in
    PlayShotUntil(750.0f, 800.0f);
    ExpectArrowOnTheBow("frame 18");
    PlayShotUntil(1416.6667f, 1450.0f);
    ExpectArrowOnTheBow("frame 34");
    NockedArrow a = ArrowInHand();
    EXPECT_GT(a.direction.z, std::cos(2.0 * kPi / 180.0))
        << "bow hand +z is (" << a.direction.x << ", " << a.direction.y << ", " << a.direction.z << ")";
    EXPECT_GT(a.tip.z, 0.5f);  // the tip is ahead of the archer's middle, not behind it
    PlayShotUntil(1500.0f, 1550.0f);
    EXPECT_GT(NockToString(), 0.3f);
}

}  // namespace
