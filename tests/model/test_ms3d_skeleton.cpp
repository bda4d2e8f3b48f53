#include <gtest/gtest.h>

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
    // Sets the skeleton up and starts an animation over [start, end) frames.
    void Play(double start, double end, double rate, bool loop, bool blend) {
        ASSERT_TRUE(model.InitialSetup());
        model.UpdatePoints();
        model.SetAnimation(start, end, rate, loop, blend);
    }
    SKELETON_JOINT& Root() { return model.skeleton[0]; }
    SKELETON_JOINT& Arm() { return model.skeleton[1]; }
};

VECTOR3D V(const float* f) {
    return VECTOR3D{f[0], f[1], f[2]};
}

void ExpectNear(VECTOR3D v, VECTOR3D want, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, want.x, tolerance);
    EXPECT_NEAR(v.y, want.y, tolerance);
    EXPECT_NEAR(v.z, want.z, tolerance);
}

void ExpectTurn(const QUAT& q, VECTOR3D degrees) {
    QUAT e = RotationToQuat(degrees);
    EXPECT_NEAR(q.x, e.x, 1e-6);
    EXPECT_NEAR(q.y, e.y, 1e-6);
    EXPECT_NEAR(q.z, e.z, 1e-6);
    EXPECT_NEAR(q.w, e.w, 1e-6);
}

// Vertex positions, then triangle corner normals.
std::vector<float> MeshFloats(const MS3D& m) {
    std::vector<float> out;
    for (int v = 0; v < m.numVertices; v++)
        out.insert(out.end(), m.vertices[v].vertex, m.vertices[v].vertex + 3);
    for (int t = 0; t < m.numTriangles; t++)
        out.insert(out.end(), &m.triangles[t].vertexNormals[0][0], &m.triangles[t].vertexNormals[0][0] + 9);
    return out;
}

void ExpectMeshNear(const std::vector<float>& mesh, const std::vector<float>& want, float tolerance) {
    ASSERT_EQ(mesh.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) EXPECT_NEAR(mesh[i], want[i], tolerance) << i;
}

TEST(MS3DSkeleton, SetupBuildsTheSkeletonFromTheLoadedJoints) {
    MS3DSource source = SampleMS3DSource();
    source.joints[1].rotation = {0.0f, 0.0f, 1.5707964f};
    Sample s(source);
    ASSERT_TRUE(s.model.SetupSkeleton());
    EXPECT_NEAR(s.model.joints[1].rotation[2], 90.0f, 1e-4f);  // converted in place
    EXPECT_NEAR(s.Arm().rotation.z, 90.0f, 1e-4f);
    ExpectNear(s.Arm().position, {1, 0, 0});
    EXPECT_EQ(s.Root().parent, -1);
    EXPECT_EQ(s.Arm().parent, 0);
    ASSERT_EQ(s.Arm().numRotKeys, 3);
    EXPECT_EQ(s.Arm().numTransKeys, 0);
    EXPECT_EQ(s.Arm().rotKeys[1].time, 500.0f);               // milliseconds
    EXPECT_EQ(s.Arm().rotKeys[1].value[2], 0.7853982f);       // radians kept
    EXPECT_EQ(s.model.joints[1].keyFramesRot[1].time, 0.5f);  // the loaded keys keep seconds
    EXPECT_FALSE(s.model.SetupSkeleton());                    // once per model

    // A parent name resolves to the first joint of that name.
    MS3DSourceJoint twin = source.joints[0], child = source.joints[1];
    child.name = "child";
    source.joints = {source.joints[0], twin, child};
    Sample twins(source);
    ASSERT_TRUE(twins.model.SetupSkeleton());
    EXPECT_EQ(twins.model.skeleton[2].parent, 0);
}

TEST(MS3DSkeleton, InitialSetupMovesTheMeshToJointSpaceAndUpdatePointsBack) {
    Sample s;
    std::vector<float> loaded = MeshFloats(s.model);
    ASSERT_TRUE(s.model.InitialSetup());
    ExpectNear(V(s.model.vertices[1].vertex), {0, 0, 0});  // the arm joint sits at (1,0,0)
    ExpectNear(V(s.model.vertices[3].vertex), {2, 2, 0});  // no joint
    s.model.UpdatePoints();
    ExpectMeshNear(MeshFloats(s.model), loaded, 1e-6f);

    // Revert then update gives the same mesh for any pose.
    MS3DSource source = SampleMS3DSource();
    source.joints[0].rotation = {0.3f, -0.2f, 0.1f};
    source.joints[1].rotation = {0.0f, 0.7f, -0.4f};
    Sample turned(source);
    turned.Play(0, 24, 1000, true, false);
    turned.model.RevertPoints();
    turned.model.Animate(0.3);
    turned.model.UpdateSkeleton();
    turned.model.UpdatePoints();
    std::vector<float> posed = MeshFloats(turned.model);
    turned.model.RevertPoints();
    turned.model.UpdatePoints();
    ExpectMeshNear(MeshFloats(turned.model), posed, 1e-5f);
    ExpectNear(V(turned.model.vertices[3].vertex), {2, 2, 0}, 0.0f);  // never moved
}

TEST(MS3DSkeleton, UpdateSkeletonComposesParentFirstInTheBindFrame) {
    Sample s;
    s.Play(0, 24, 1000, true, false);
    s.model.RevertPoints();
    s.Root().animQuat = RotationToQuat({0, 0, 90});
    s.Root().animMatrix = QuatToRotationMatrix(s.Root().animQuat);
    s.Root().animTranslation = {0, 0, 5};
    // The arm turns about its own joint: vertex 1, at that joint, stays put.
    s.Arm().animMatrix = QuatToRotationMatrix(RotationToQuat({0, 0, 90}));
    s.model.UpdateSkeleton();
    s.model.UpdatePoints();
    const double* armAt = &s.Arm().absolute.m[12];
    ExpectNear({float(armAt[0]), float(armAt[1]), float(armAt[2])}, {0, 1, 5}, 1e-6f);
    ExpectNear(V(s.model.vertices[1].vertex), {0, 1, 5});   // on the arm
    ExpectNear(V(s.model.vertices[2].vertex), {-1, 0, 5});  // (0,1,0) on the root
    ExpectNear(V(s.model.vertices[3].vertex), {2, 2, 0});
    ExpectNear(V(s.model.triangles[0].vertexNormals[0]), {0, 0, 1});  // turned about z: unchanged
}

TEST(MS3DSkeleton, SetAnimationFrameAndClockUseTheModelsFrameRate) {
    Sample s;
    ASSERT_TRUE(s.model.InitialSetup());
    s.Root().animTranslation = {3, 0, 0};
    s.model.SetAnimation(2.0, 14.0, 100.0, true, true);
    EXPECT_EQ(s.model.startTime, static_cast<float>(2000.0 / 24));
    EXPECT_EQ(s.model.endTime, static_cast<float>(14000.0 / 24));
    EXPECT_EQ(s.Root().blendTranslation.x, 3.0f);  // blending starts from the current pose
    EXPECT_EQ(s.model.Frame(24), 1000.0f);
    EXPECT_EQ(s.model.Frame(30), 1250.0f);
    // The clock advances by speed times step, in double.
    s.model.SetAnimation(2, 14, 100, true, false);
    s.model.Animate(0.5);
    EXPECT_EQ(s.model.currentTime, static_cast<float>(double(static_cast<float>(2000.0 / 24)) + 100.0 * 0.5));
    s.model.SetAnimation(14, 40, 500, false, false);
    s.model.Animate(1.0 / 60);
    EXPECT_EQ(s.model.currentTime,
              static_cast<float>(double(static_cast<float>(14000.0 / 24)) + 500.0f * (1.0 / 60)));
}

TEST(MS3DSkeleton, BlendRunsHalfASecondTowardTheKeysAtTheRangeStart) {
    Sample s;
    s.Play(12, 24, 1000, true, true);  // 500 to 1000 ms
    s.model.Animate(0.2);
    EXPECT_FLOAT_EQ(s.model.blendFactor, 0.4f);
    ExpectNear(s.Root().animTranslation, {0.4f, 0, 0});  // toward the key at 1000 ms
    s.model.Animate(0.2);
    s.model.Animate(0.1);
    EXPECT_FALSE(s.model.blending);
    EXPECT_EQ(s.model.blendFactor, 1.0f);
    EXPECT_EQ(s.model.currentTime, 500.0f);  // the clock waits for the blend
    EXPECT_EQ(s.Root().curRotKey, 0);
    ExpectTurn(s.Root().animQuat, {0, 0, 90});
    ExpectNear(s.Root().animTranslation, {1, 0, 0});
    ExpectTurn(s.Arm().animQuat, {0, 0, 45});  // its key at exactly 500 ms
    s.model.Animate(0.1);
    EXPECT_FLOAT_EQ(s.model.currentTime, 600.0f);
}

TEST(MS3DSkeleton, KeysInterpolateAndTheSearchResumesWhereItStopped) {
    Sample s;
    s.Play(0, 24, 1000, true, false);
    s.model.Animate(0.25);
    EXPECT_EQ(s.model.currentTime, 250.0f);
    ExpectNear(s.Root().animTranslation, {0.25f, 0, 0});
    ExpectTurn(s.Root().animQuat, {0, 0, 22.5f});
    ExpectTurn(s.Arm().animQuat, {0, 0, 22.5f});
    ExpectNear(s.Arm().animTranslation, {0, 0, 0});  // no translation keys
    ExpectNear(s.Arm().animRotation, {0, 0, 0});     // only whole keys set it
    EXPECT_EQ(s.Arm().curRotKey, 1);
    EXPECT_EQ(s.Arm().lastRotKey, 1);
    s.model.Animate(0.5);
    ExpectTurn(s.Arm().animQuat, {0, 0, 22.5f});  // halfway back from 45 to 0
    EXPECT_EQ(s.Arm().curRotKey, 2);
    // The search only moves forward: from key 2 at 250 ms it stays on key 2
    // and extrapolates rather than searching from the start.
    s.model.RestartAnim();
    s.Arm().curRotKey = 2;
    s.model.Animate(0.25);
    EXPECT_EQ(s.Arm().curRotKey, 2);
    ExpectTurn(s.Arm().animQuat, {0, 0, 67.5f});
    // Between two keys that share a time the later one wins.
    MS3DSource source = SampleMS3DSource();
    source.joints[1].rotKeys = {{0.0f, {0, 0, 0}}, {0.5f, {0, 0, 0.7853982f}}, {0.5f, {0, 0, 1.5707964f}}};
    Sample same(source);
    same.Play(0, 24, 1000, true, false);
    same.Arm().curRotKey = 2;
    same.model.Animate(0.25);
    ExpectTurn(same.Arm().animQuat, {0, 0, 90.0f});
}

// A looping range restarts exactly at its start; a held one keeps its last
// pose until restarted; past the last key it is applied whole, once.
TEST(MS3DSkeleton, AtTheEndOfTheRange) {
    Sample loop, held, past;
    loop.Play(0, 24, 1000, true, false);
    loop.model.Animate(0.9);
    EXPECT_EQ(loop.Root().curRotKey, 1);
    loop.model.Animate(0.2);  // 1100 ms: past the end, the overshoot is dropped
    EXPECT_EQ(loop.model.currentTime, 0.0f);
    EXPECT_EQ(loop.Root().curRotKey, 0);
    EXPECT_EQ(loop.Root().lastRotKey, 0);
    ExpectTurn(loop.Root().animQuat, {0, 0, 0});  // key 0 applied whole
    ExpectNear(loop.Root().animTranslation, {0, 0, 0});
    loop.Root().animRotation = {1, 2, 3};
    loop.model.Animate(0.0);  // still key 0: not applied again
    ExpectNear(loop.Root().animRotation, {1, 2, 3});

    held.Play(0, 24, 1000, false, false);
    held.model.Animate(0.9);
    held.model.Animate(0.2);
    EXPECT_EQ(held.model.currentTime, 1000.0f);
    ExpectTurn(held.Root().animQuat, {0, 0, 90});
    ExpectNear(held.Root().animTranslation, {1, 0, 0});
    QUAT kept = held.Root().animQuat;
    held.Root().animTranslation = {7, 7, 7};  // a held range no longer samples
    held.model.Animate(0.5);
    EXPECT_EQ(held.model.currentTime, 1000.0f);
    EXPECT_TRUE(held.Root().animQuat.IsEqualTo(kept));
    ExpectNear(held.Root().animTranslation, {7, 7, 7});
    held.model.RestartAnim();
    EXPECT_EQ(held.model.currentTime, 0.0f);
    EXPECT_EQ(held.Root().curRotKey, 0);
    held.model.Animate(0.5);
    ExpectNear(held.Root().animTranslation, {0.5f, 0, 0});

    past.Play(0, 48, 1000, false, false);  // 2000 ms, keys end at 1000
    past.model.Animate(1.5);
    EXPECT_EQ(past.Root().curRotKey, 2);
    ExpectNear(past.Root().animRotation, {0, 0, 90});
    ExpectTurn(past.Root().animQuat, {0, 0, 90});
    past.Root().animRotation = {1, 2, 3};
    past.model.Animate(0.1);  // same key as before: not applied again
    ExpectNear(past.Root().animRotation, {1, 2, 3});
}

TEST(MS3DSkeleton, ModelsWithoutSkeletonOrFrameRateStayStill) {
    MS3DSource source = SampleMS3DSource();
    source.animationFPS = 0.0f;
    Sample noRate(source);
    EXPECT_EQ(noRate.model.totalTime, 0.0f);
    EXPECT_EQ(noRate.model.Frame(24), 0.0f);
    noRate.Play(2, 14, 100, true, false);
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
    for (int i = 0; i < 3 * s.model.numVertices; i++)
        EXPECT_NEAR(s.model.vertices[i / 3].vertex[i % 3], loaded[i] * 0.05f, 1e-7f) << i;
    EXPECT_NEAR(s.model.joints[1].position[0], 0.05f, 1e-7f);
    EXPECT_NEAR(s.model.joints[0].keyFramesTrans[1].value[0], 0.05f, 1e-7f);
    EXPECT_EQ(s.model.joints[0].keyFramesRot[1].value[2], 1.5707964f);
    EXPECT_EQ(s.model.triangles[0].vertexNormals[0][2], 1.0f);
    EXPECT_EQ(s.model.triangles[1].t[2], 0.25f);
}

}  // namespace
