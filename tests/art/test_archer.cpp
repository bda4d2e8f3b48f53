// The archer of "dovel.ple" against what the scene asks of it: its joints
// and their roles, the wing beat, the animation's frames and rate, its
// textures, and where the nocked arrow sits when the scene draws it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "assets/ResFile.h"
#include "tests/art/ArtTestSupport.h"

namespace {

VECTOR3D Sub(VECTOR3D a, VECTOR3D b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
VECTOR3D Madd(VECTOR3D a, VECTOR3D d, float k) {
    return {a.x + d.x * k, a.y + d.y * k, a.z + d.z * k};
}
float Dot(VECTOR3D a, VECTOR3D b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(VECTOR3D a) {
    return std::sqrt(Dot(a, a));
}

VECTOR3D Posed(const MS3D& archer, int vertex) {
    return VertexAt(archer, vertex);
}

class Archer : public ::testing::Test {
protected:
    MS3D archer;
    int n = 0;
    void SetUp() override {
        ASSERT_TRUE(LoadArcher(&archer)) << "cannot load " << DataDir() << "dovel.ple";
        n = archer.numJoints;
        ASSERT_GE(n, 3);
    }
    // The vertices of a group that follow joint `joint`.
    std::vector<int> GroupVerticesOf(const char* group, int joint) {
        int g = FindGroup(archer, group);
        std::vector<int> out;
        if (g < 0) return out;
        for (int v : GroupVertices(archer, g))
            if (archer.vertices[v].boneId == joint) out.push_back(v);
        return out;
    }
};

TEST_F(Archer, LastJointHoldsTheBowAndTheTwoBeforeItTheWings) {
    int bow = FindGroup(archer, "bow");
    ASSERT_GE(bow, 0);
    for (int v : GroupVertices(archer, bow)) EXPECT_EQ(archer.vertices[v].boneId, n - 1);
    int wings = FindGroup(archer, "wings");
    ASSERT_GE(wings, 0);
    int left = 0, right = 0;
    for (int v : GroupVertices(archer, wings)) {
        int bone = archer.vertices[v].boneId;
        EXPECT_TRUE(bone == n - 2 || bone == n - 3) << "wing vertex on joint " << bone;
        (bone == n - 3 ? left : right) += 1;
    }
    EXPECT_GT(left, 0);
    EXPECT_EQ(left, right);  // mirrored wings
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

TEST_F(Archer, EveryGroupNamesOneOfAtLeastFiveTextures) {
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
    for (int k = 1; k <= textures; ++k) {
        Texture image;
        EXPECT_TRUE(LoadImageLump(DataDir() + "dovel.ple", k, &image)) << "texture " << k - 1;
    }
}

TEST_F(Archer, StandsTwoToThreeUnitsTall) {
    float lo = 1e9f, hi = -1e9f;
    for (int v = 0; v < archer.numVertices; ++v) {
        lo = std::min(lo, archer.vertices[v].vertex[1]);
        hi = std::max(hi, archer.vertices[v].vertex[1]);
    }
    EXPECT_GE(hi - lo, 2.0f);
    EXPECT_LE(hi - lo, 3.0f);
}

// The scene turns joint n-2 by w and n-3 by -w about their own y axes; the
// wing tips must then rise or fall together, mirror images of each other.
TEST_F(Archer, WingBeatLiftsAndLowersTheWingTipsMirrored) {
    std::vector<int> left = GroupVerticesOf("wings", n - 3), right = GroupVerticesOf("wings", n - 2);
    ASSERT_FALSE(left.empty());
    ASSERT_FALSE(right.empty());
    int leftTip = *std::max_element(left.begin(), left.end(), [&](int a, int b) {
        return std::fabs(archer.vertices[a].vertex[0]) < std::fabs(archer.vertices[b].vertex[0]);
    });
    int rightTip = *std::max_element(right.begin(), right.end(), [&](int a, int b) {
        return std::fabs(archer.vertices[a].vertex[0]) < std::fabs(archer.vertices[b].vertex[0]);
    });
    PoseWings(&archer, 0.0f);
    VECTOR3D l0 = Posed(archer, leftTip), r0 = Posed(archer, rightTip);
    EXPECT_NEAR(l0.x, -r0.x, 1e-3f);
    float rise[2];
    for (int i = 0; i < 2; ++i) {
        float w = i == 0 ? 45.0f : -45.0f;
        PoseWings(&archer, w);
        VECTOR3D l = Posed(archer, leftTip), r = Posed(archer, rightTip);
        EXPECT_NEAR(l.y - l0.y, r.y - r0.y, 1e-3f) << "w " << w;  // mirrored
        EXPECT_NEAR(l.x, -r.x, 1e-3f) << "w " << w;
        EXPECT_NEAR(l.z, r.z, 1e-3f) << "w " << w;
        rise[i] = l.y - l0.y;
        EXPECT_GT(std::fabs(rise[i]), 0.25f) << "w " << w;  // a real beat, not a twist in place
    }
    EXPECT_LT(rise[0] * rise[1], 0.0f);  // +45 and -45 move the tips opposite ways
}

struct NockedArrow {
    VECTOR3D tip, direction, nock;
};

NockedArrow ArrowInHand(const MS3D& archer) {
    const MATRIX& hand = archer.skeleton[archer.numJoints - 1].absolute;
    VECTOR3D ahead;
    ahead.z = 0.7f;
    VECTOR3D forward;
    forward.z = 1.0f;
    NockedArrow a;
    a.tip = MatrixPointMultiply(hand, ahead);  // the arrow model's origin is its tip
    a.direction = MatrixRotatePoint(hand, forward);
    a.nock = Madd(a.tip, a.direction, -1.5f);
    return a;
}

// Checks that the nocked arrow lies on the bow near its tip and that its
// nock sits on the drawn string.
void ExpectArrowOnTheBow(const MS3D& archer, const char* when) {
    NockedArrow a = ArrowInHand(archer);
    int bow = FindGroup(archer, "bow");
    ASSERT_GE(bow, 0);
    float best = 1e9f, along = 0.0f;
    for (int v : GroupVertices(archer, bow)) {
        VECTOR3D p = VertexAt(archer, v);
        float t = std::clamp(Dot(Sub(p, a.nock), a.direction), 0.0f, 1.5f);
        float d = Length(Sub(p, Madd(a.nock, a.direction, t)));
        if (d < best) best = d, along = 1.5f - t;
    }
    EXPECT_LT(best, 0.06f) << when << ": the arrow does not touch the bow";
    EXPECT_GT(along, 0.15f) << when << ": the bow sits at the very tip";
    EXPECT_LT(along, 0.7f) << when << ": the bow sits too far back along the arrow";

    int string = FindGroup(archer, "bowstring");
    ASSERT_GE(string, 0);
    float nockGap = 1e9f;
    for (int v : GroupVertices(archer, string))
        nockGap = std::min(nockGap, Length(Sub(VertexAt(archer, v), a.nock)));
    EXPECT_LT(nockGap, 0.03f) << when << ": the string is not drawn to the nock";
}

TEST_F(Archer, NockedArrowRestsOnTheBowWhenDrawnAtFrame18) {
    PlayShotUntil(&archer, 750.0f);
    ASSERT_GE(archer.currentTime, 750.0f);
    ASSERT_LT(archer.currentTime, 800.0f);
    ExpectArrowOnTheBow(archer, "frame 18");
}

TEST_F(Archer, ArrowPointsAlongTheArcherFrontWhenLoosedAtFrame34) {
    PlayShotUntil(&archer, 1416.6667f);
    ASSERT_GE(archer.currentTime, 1416.6667f);
    ASSERT_LT(archer.currentTime, 1450.0f);
    ExpectArrowOnTheBow(archer, "frame 34");
    NockedArrow a = ArrowInHand(archer);
    EXPECT_GT(a.direction.z, std::cos(2.0 * kPi / 180.0))
        << "bow hand +z is (" << a.direction.x << ", " << a.direction.y << ", " << a.direction.z << ")";
    // The tip is ahead of the archer's middle, not behind it.
    EXPECT_GT(a.tip.z, 0.5f);
}

TEST_F(Archer, StringSpringsBackAfterTheShot) {
    PlayShotUntil(&archer, 1500.0f);
    NockedArrow a = ArrowInHand(archer);
    int string = FindGroup(archer, "bowstring");
    ASSERT_GE(string, 0);
    float nockGap = 1e9f;
    for (int v : GroupVertices(archer, string))
        nockGap = std::min(nockGap, Length(Sub(VertexAt(archer, v), a.nock)));
    EXPECT_GT(nockGap, 0.3f);
}

}  // namespace
