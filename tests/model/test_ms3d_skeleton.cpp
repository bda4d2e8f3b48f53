#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/model/ModelTestSupport.h"

namespace {

// The sample: joint 0 "root" (rotation keys 0 at 0 s and z = 90 degrees at
// 1 s, translation keys (0,0,0) at 0 s and (1,0,0) at 1 s) and joint 1 "arm"
// at (1,0,0) under it (rotation keys z = 0, 45, 0 degrees at 0, 0.5 and 1 s,
// no translation keys); 24 frames per second. Vertex 0 (0,0,0) and vertex 2
// (0,1,0) follow the root, vertex 1 (1,0,0) the arm, vertex 3 (2,2,0) none.
struct Sample {
    MS3D model;
    explicit Sample(const MS3DSource& source = SampleMS3DSource()) {
        EXPECT_TRUE(LoadBytes(&model, EncodeSource(source))) << model.lastError;
    }
    void Pose() {
        ASSERT_TRUE(model.InitialSetup());
        model.UpdatePoints();
    }
    SKELETON_JOINT& Root() { return model.skeleton[0]; }
    SKELETON_JOINT& Arm() { return model.skeleton[1]; }
};

void ExpectQuatNear(const QUAT& q, VECTOR3D degrees) {
    QUAT e = RotationToQuat(degrees);
    EXPECT_NEAR(q.x, e.x, 1e-6);
    EXPECT_NEAR(q.y, e.y, 1e-6);
    EXPECT_NEAR(q.z, e.z, 1e-6);
    EXPECT_NEAR(q.w, e.w, 1e-6);
}

void ExpectVectorNear(const float* v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v[0], x, tolerance);
    EXPECT_NEAR(v[1], y, tolerance);
    EXPECT_NEAR(v[2], z, tolerance);
}

void ExpectVectorNear(VECTOR3D v, float x, float y, float z) {
    const float a[3] = {v.x, v.y, v.z};
    ExpectVectorNear(a, x, y, z);
}

std::vector<float> MeshFloats(const MS3D& m) {
    std::vector<float> out;
    for (int v = 0; v < m.numVertices; v++)
        out.insert(out.end(), m.vertices[v].vertex, m.vertices[v].vertex + 3);
    for (int t = 0; t < m.numTriangles; t++)
        out.insert(out.end(), &m.triangles[t].vertexNormals[0][0], &m.triangles[t].vertexNormals[0][0] + 9);
    return out;
}

TEST(MS3DSkeleton, SetupBuildsTheSkeletonFromTheLoadedJoints) {
    MS3DSource source = SampleMS3DSource();
    source.joints[1].rotation = {0.0f, 0.0f, 1.5707964f};
    Sample s(source);
    ASSERT_TRUE(s.model.SetupSkeleton());
    EXPECT_NEAR(s.model.joints[1].rotation[2], 90.0f, 1e-4f);  // converted in place
    EXPECT_NEAR(s.Arm().rotation.z, 90.0f, 1e-4f);
    ExpectVectorNear(s.Arm().position, 1, 0, 0);
    EXPECT_EQ(s.Root().parent, -1);
    EXPECT_EQ(s.Arm().parent, 0);
    ASSERT_EQ(s.Arm().numRotKeys, 3);
    EXPECT_EQ(s.Arm().numTransKeys, 0);
    EXPECT_EQ(s.Arm().rotKeys[1].time, 500.0f);               // milliseconds
    EXPECT_EQ(s.Arm().rotKeys[1].value[2], 0.7853982f);       // radians kept
    EXPECT_EQ(s.model.joints[1].keyFramesRot[1].time, 0.5f);  // the loaded keys keep seconds
    EXPECT_EQ(s.Arm().lastRotKey, -1);
    EXPECT_FALSE(s.model.SetupSkeleton());  // once per model
}

TEST(MS3DSkeleton, ParentNameResolvesToTheFirstJointOfThatName) {
    MS3DSource source = SampleMS3DSource();
    MS3DSourceJoint twin = source.joints[0];
    twin.parentName = "";
    MS3DSourceJoint child = source.joints[1];
    child.name = "child";
    child.parentName = "root";
    source.joints = {source.joints[0], twin, child};
    Sample s(source);
    ASSERT_TRUE(s.model.SetupSkeleton());
    EXPECT_EQ(s.model.skeleton[2].parent, 0);
}

TEST(MS3DSkeleton, InitialSetupMovesTheMeshToJointSpaceAndUpdatePointsBack) {
    Sample s;
    std::vector<float> loaded = MeshFloats(s.model);
    ASSERT_TRUE(s.model.InitialSetup());
    ExpectVectorNear(s.model.vertices[1].vertex, 0, 0, 0);  // the arm joint sits at (1,0,0)
    ExpectVectorNear(s.model.vertices[3].vertex, 2, 2, 0);  // no joint
    s.model.UpdatePoints();
    std::vector<float> posed = MeshFloats(s.model);
    ASSERT_EQ(posed.size(), loaded.size());
    for (size_t i = 0; i < loaded.size(); i++) EXPECT_NEAR(posed[i], loaded[i], 1e-6f) << i;
}

TEST(MS3DSkeleton, RevertThenUpdateReturnsTheMeshForAnyPose) {
    MS3DSource source = SampleMS3DSource();
    source.joints[0].rotation = {0.3f, -0.2f, 0.1f};
    source.joints[1].rotation = {0.0f, 0.7f, -0.4f};
    Sample s(source);
    s.Pose();
    s.model.SetAnimation(0, 24, 1000, true, false);
    s.model.RevertPoints();
    s.model.Animate(0.3);
    s.model.UpdateSkeleton();
    s.model.UpdatePoints();
    std::vector<float> posed = MeshFloats(s.model);
    s.model.RevertPoints();
    s.model.UpdatePoints();
    std::vector<float> again = MeshFloats(s.model);
    for (size_t i = 0; i < posed.size(); i++) EXPECT_NEAR(again[i], posed[i], 1e-5f) << i;
    ExpectVectorNear(s.model.vertices[3].vertex, 2, 2, 0, 0.0f);  // never moved
}

TEST(MS3DSkeleton, UpdateSkeletonComposesParentFirstInTheBindFrame) {
    Sample s;
    s.Pose();
    s.model.RevertPoints();
    s.Root().animQuat = RotationToQuat({0, 0, 90});
    s.Root().animMatrix = QuatToRotationMatrix(s.Root().animQuat);
    s.Root().animTranslation = {0, 0, 5};
    s.model.UpdateSkeleton();
    s.model.UpdatePoints();
    EXPECT_NEAR(s.Arm().absolute.m[12], 0.0, 1e-6);
    EXPECT_NEAR(s.Arm().absolute.m[13], 1.0, 1e-6);
    EXPECT_NEAR(s.Arm().absolute.m[14], 5.0, 1e-6);
    ExpectVectorNear(s.model.vertices[1].vertex, 0, 1, 5);   // on the arm
    ExpectVectorNear(s.model.vertices[2].vertex, -1, 0, 5);  // (0,1,0) on the root
    ExpectVectorNear(s.model.vertices[3].vertex, 2, 2, 0);
    ExpectVectorNear(s.model.triangles[0].vertexNormals[0], 0, 0, 1);  // turned about z: unchanged
}

TEST(MS3DSkeleton, SetAnimationAndFrameUseTheModelsFrameRate) {
    Sample s;
    s.Pose();
    s.Root().animTranslation = {3, 0, 0};
    s.model.SetAnimation(2.0, 14.0, 100.0, true, true);
    EXPECT_EQ(s.model.startTime, static_cast<float>(2000.0 / 24));
    EXPECT_EQ(s.model.endTime, static_cast<float>(14000.0 / 24));
    EXPECT_FLOAT_EQ(s.model.startTime, 83.333336f);
    EXPECT_FLOAT_EQ(s.model.endTime, 583.3333f);
    EXPECT_EQ(s.model.currentTime, s.model.startTime);
    EXPECT_EQ(s.model.speed, 100.0f);
    EXPECT_TRUE(s.model.looping);
    EXPECT_TRUE(s.model.blending);
    EXPECT_EQ(s.model.blendFactor, 0.0f);
    EXPECT_EQ(s.Root().blendTranslation.x, 3.0f);
    EXPECT_EQ(s.model.Frame(24), 1000.0f);
    EXPECT_EQ(s.model.Frame(30), 1250.0f);
}

TEST(MS3DSkeleton, BlendRunsHalfASecondTowardTheKeysAtTheRangeStart) {
    Sample s;
    s.Pose();
    s.model.SetAnimation(12, 24, 1000, true, true);  // 500 to 1000 ms
    s.model.Animate(0.2);
    EXPECT_FLOAT_EQ(s.model.blendFactor, 0.4f);
    ExpectVectorNear(s.Root().animTranslation, 0.4f, 0, 0);  // toward the key at 1000 ms
    s.model.Animate(0.2);
    s.model.Animate(0.1);
    EXPECT_FALSE(s.model.blending);
    EXPECT_EQ(s.model.blendFactor, 1.0f);
    EXPECT_EQ(s.model.currentTime, 500.0f);  // the clock waits for the blend
    EXPECT_EQ(s.Root().curRotKey, 0);
    ExpectQuatNear(s.Root().animQuat, {0, 0, 90});
    ExpectVectorNear(s.Root().animTranslation, 1, 0, 0);
    ExpectQuatNear(s.Arm().animQuat, {0, 0, 45});  // its key at exactly 500 ms
    s.model.Animate(0.1);
    EXPECT_FLOAT_EQ(s.model.currentTime, 600.0f);
}

TEST(MS3DSkeleton, KeysInterpolateAndTheSearchResumesWhereItStopped) {
    Sample s;
    s.Pose();
    s.model.SetAnimation(0, 24, 1000, true, false);
    s.model.Animate(0.25);
    EXPECT_EQ(s.model.currentTime, 250.0f);
    ExpectVectorNear(s.Root().animTranslation, 0.25f, 0, 0);
    ExpectQuatNear(s.Root().animQuat, {0, 0, 22.5f});
    ExpectQuatNear(s.Arm().animQuat, {0, 0, 22.5f});
    ExpectVectorNear(s.Arm().animTranslation, 0, 0, 0);  // no translation keys
    ExpectVectorNear(s.Arm().animRotation, 0, 0, 0);     // only whole keys set it
    EXPECT_EQ(s.Arm().curRotKey, 1);
    EXPECT_EQ(s.Arm().lastRotKey, 1);
    s.model.Animate(0.5);
    ExpectQuatNear(s.Arm().animQuat, {0, 0, 22.5f});  // halfway back from 45 to 0
    EXPECT_EQ(s.Arm().curRotKey, 2);

    // The search only moves forward: from key 2 at 250 ms it stays on key 2
    // and extrapolates rather than searching from the start.
    s.model.RestartAnim();
    s.Arm().curRotKey = 2;
    s.model.Animate(0.25);
    EXPECT_EQ(s.Arm().curRotKey, 2);
    ExpectQuatNear(s.Arm().animQuat, {0, 0, 67.5f});
}

TEST(MS3DSkeleton, LoopingRangeRestartsExactlyAtItsStart) {
    Sample s;
    s.Pose();
    s.model.SetAnimation(0, 24, 1000, true, false);
    s.model.Animate(0.9);
    EXPECT_EQ(s.Root().curRotKey, 1);
    s.model.Animate(0.2);  // 1100 ms: past the end, the overshoot is dropped
    EXPECT_EQ(s.model.currentTime, 0.0f);
    EXPECT_EQ(s.Root().curRotKey, 0);
    EXPECT_EQ(s.Root().lastRotKey, 0);
    ExpectQuatNear(s.Root().animQuat, {0, 0, 0});  // key 0 applied whole
    ExpectVectorNear(s.Root().animTranslation, 0, 0, 0);
}

TEST(MS3DSkeleton, NonLoopingRangeHoldsItsLastPoseUntilRestarted) {
    Sample s;
    s.Pose();
    s.model.SetAnimation(0, 24, 1000, false, false);
    s.model.Animate(0.9);
    s.model.Animate(0.2);
    EXPECT_EQ(s.model.currentTime, 1000.0f);
    ExpectQuatNear(s.Root().animQuat, {0, 0, 90});
    ExpectVectorNear(s.Root().animTranslation, 1, 0, 0);
    QUAT held = s.Root().animQuat;
    s.Root().animTranslation = {7, 7, 7};  // a held range no longer samples
    s.model.Animate(0.5);
    EXPECT_EQ(s.model.currentTime, 1000.0f);
    EXPECT_TRUE(s.Root().animQuat.IsEqualTo(held));
    ExpectVectorNear(s.Root().animTranslation, 7, 7, 7);
    s.model.RestartAnim();
    EXPECT_EQ(s.model.currentTime, 0.0f);
    EXPECT_EQ(s.Root().curRotKey, 0);
    s.model.Animate(0.5);
    ExpectVectorNear(s.Root().animTranslation, 0.5f, 0, 0);
}

TEST(MS3DSkeleton, PastTheLastKeyItIsAppliedWholeOnce) {
    Sample s;
    s.Pose();
    s.model.SetAnimation(0, 48, 1000, false, false);  // 2000 ms, keys end at 1000
    s.model.Animate(1.5);
    EXPECT_EQ(s.Root().curRotKey, 2);
    ExpectVectorNear(s.Root().animRotation, 0, 0, 90);
    ExpectQuatNear(s.Root().animQuat, {0, 0, 90});
    s.Root().animRotation = {1, 2, 3};
    s.model.Animate(0.1);  // same key as before: not applied again
    ExpectVectorNear(s.Root().animRotation, 1, 2, 3);
}

TEST(MS3DSkeleton, ClockAdvancesBySpeedTimesStep) {
    Sample s;
    s.Pose();
    s.model.SetAnimation(2, 14, 100, true, false);
    s.model.Animate(0.5);
    EXPECT_EQ(s.model.currentTime, static_cast<float>(double(static_cast<float>(2000.0 / 24)) + 100.0 * 0.5));
    s.model.SetAnimation(14, 40, 500, false, false);
    s.model.Animate(1.0 / 60);
    EXPECT_EQ(s.model.currentTime,
              static_cast<float>(double(static_cast<float>(14000.0 / 24)) + 500.0f * (1.0 / 60)));
}

TEST(MS3DSkeleton, ModelsWithoutSkeletonOrFrameRateStayStill) {
    MS3DSource source = SampleMS3DSource();
    source.animationFPS = 0.0f;
    Sample noRate(source);
    noRate.Pose();
    noRate.model.SetAnimation(2, 14, 100, true, false);
    EXPECT_EQ(noRate.model.startTime, 0.0f);
    EXPECT_EQ(noRate.model.endTime, 0.0f);
    noRate.model.Animate(1.0);
    EXPECT_EQ(noRate.model.currentTime, 0.0f);

    Sample unset;  // no InitialSetup: the mesh calls do nothing
    std::vector<float> loaded = MeshFloats(unset.model);
    unset.model.SetAnimation(0, 24, 1000, true, true);
    unset.model.Animate(0.6);
    unset.model.Animate(0.3);
    unset.model.RevertPoints();
    unset.model.UpdateSkeleton();
    unset.model.UpdatePoints();
    EXPECT_EQ(MeshFloats(unset.model), loaded);
    EXPECT_EQ(unset.model.currentTime, 300.0f);
}

TEST(MS3DScale, ScalesLengthsOnlyAndAccumulates) {
    Sample s;
    std::vector<float> loaded = MeshFloats(s.model);
    s.model.Scale(1.0f);
    EXPECT_EQ(MeshFloats(s.model), loaded);
    s.model.Scale(0.1f);
    s.model.Scale(0.5f);
    for (int v = 0; v < s.model.numVertices; v++) {
        for (int c = 0; c < 3; c++)
            EXPECT_NEAR(s.model.vertices[v].vertex[c], loaded[3 * v + c] * 0.05f, 1e-7f);
    }
    EXPECT_NEAR(s.model.joints[1].position[0], 0.05f, 1e-7f);
    EXPECT_NEAR(s.model.joints[0].keyFramesTrans[1].value[0], 0.05f, 1e-7f);
    EXPECT_EQ(s.model.joints[0].keyFramesRot[1].value[2], 1.5707964f);
    EXPECT_EQ(s.model.triangles[0].vertexNormals[0][2], 1.0f);
    EXPECT_EQ(s.model.triangles[1].t[2], 0.25f);

    MS3DSource flat = SampleMS3DSource();
    flat.joints.clear();
    for (MS3D_VERTEX& v : flat.vertices) v.boneId = -1;
    Sample still(flat);
    still.model.Scale(2.0f);
    ExpectVectorNear(still.model.vertices[3].vertex, 4, 4, 0, 0.0f);
}

}  // namespace
