#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/model/ModelTestSupport.h"

namespace {

constexpr char kNotValid[] = "Not a valid MS3D file!";

bool IsUntouched(const MS3D& m) {
    return m.numVertices == 0 && !m.vertices && m.numTriangles == 0 && !m.triangles && m.numGroups == 0 &&
           !m.groups && m.numMaterials == 0 && !m.materials && m.numJoints == 0 && !m.joints && !m.skeleton;
}

// The section a load fails in when the data stops after `length` bytes.
std::string SectionEndingAt(const SectionOffsets& o, size_t length) {
    if (length < o.vertexCount) return "header";
    if (length < o.vertices) return "vertex count";
    if (length < o.triangleCount) return "vertices";
    if (length < o.triangles) return "triangle count";
    if (length < o.groupCount) return "triangles";
    if (length < o.groups) return "group count";
    if (length < o.materialCount) return "groups";
    if (length < o.materials) return "material count";
    if (length < o.animation) return "materials";
    if (length < o.jointCount) return "animation header";
    if (length < o.joints) return "joint count";
    return "joints";
}

std::string Rejection(const MS3DSource& source) {
    MS3D model;
    ErrorHookRecorder errors;
    EXPECT_FALSE(LoadBytes(&model, EncodeSource(source)));
    EXPECT_TRUE(IsUntouched(model));
    EXPECT_EQ(errors.Messages(), std::vector<std::string>{kNotValid});
    return model.lastError;
}

void ExpectSameKeys(const std::vector<MS3D_KEYFRAME>& expected, const MS3D_KEYFRAME* keys, int count) {
    ASSERT_EQ(count, static_cast<int>(expected.size()));
    for (int k = 0; k < count; k++) {
        EXPECT_EQ(keys[k].time, expected[k].time);
        for (int i = 0; i < 3; i++) EXPECT_EQ(keys[k].value[i], expected[k].value[i]);
    }
}

void ExpectMatchesSource(const MS3D& m, const MS3DSource& s) {
    ASSERT_EQ(m.numVertices, s.vertices.size());
    for (size_t v = 0; v < s.vertices.size(); v++) {
        EXPECT_EQ(m.vertices[v].boneId, s.vertices[v].boneId);
        EXPECT_EQ(m.vertices[v].referenceCount, s.vertices[v].referenceCount);
        EXPECT_EQ(0, std::memcmp(m.vertices[v].vertex, s.vertices[v].vertex, sizeof(float) * 3));
    }
    ASSERT_EQ(m.numTriangles, s.triangles.size());
    for (size_t t = 0; t < s.triangles.size(); t++) {
        const MS3D_TRIANGLE& a = m.triangles[t];
        const MS3D_TRIANGLE& b = s.triangles[t];
        EXPECT_EQ(0, std::memcmp(a.vertexIndices, b.vertexIndices, sizeof a.vertexIndices));
        EXPECT_EQ(0, std::memcmp(a.vertexNormals, b.vertexNormals, sizeof a.vertexNormals));
        EXPECT_EQ(0, std::memcmp(a.s, b.s, sizeof a.s));
        EXPECT_EQ(0, std::memcmp(a.t, b.t, sizeof a.t));
        EXPECT_EQ(a.smoothingGroup, b.smoothingGroup);
        EXPECT_EQ(a.groupIndex, b.groupIndex);
    }
    ASSERT_EQ(m.numGroups, s.groups.size());
    for (size_t g = 0; g < s.groups.size(); g++) {
        EXPECT_STREQ(m.groups[g].name, s.groups[g].name.c_str());
        EXPECT_EQ(m.groups[g].materialIndex, s.groups[g].materialIndex);
        ASSERT_EQ(m.groups[g].numTriangles, s.groups[g].triangleIndices.size());
        for (size_t i = 0; i < s.groups[g].triangleIndices.size(); i++)
            EXPECT_EQ(m.groups[g].triangleIndices[i], s.groups[g].triangleIndices[i]);
    }
    ASSERT_EQ(m.numMaterials, s.materials.size());
    for (size_t i = 0; i < s.materials.size(); i++) {
        EXPECT_STREQ(m.materials[i].name, s.materials[i].name);
        EXPECT_STREQ(m.materials[i].texture, s.materials[i].texture);
        EXPECT_EQ(0, std::memcmp(m.materials[i].diffuse, s.materials[i].diffuse, sizeof(float) * 4));
    }
    ASSERT_EQ(m.numJoints, s.joints.size());
    for (size_t j = 0; j < s.joints.size(); j++) {
        const MS3D_JOINT& joint = m.joints[j];
        EXPECT_STREQ(joint.name, s.joints[j].name.c_str());
        EXPECT_STREQ(joint.parentName, s.joints[j].parentName.c_str());
        EXPECT_EQ(joint.position[0], s.joints[j].position.x);
        EXPECT_EQ(joint.rotation[2], s.joints[j].rotation.z);
        ExpectSameKeys(s.joints[j].rotKeys, joint.keyFramesRot, joint.numKeyFramesRot);
        ExpectSameKeys(s.joints[j].transKeys, joint.keyFramesTrans, joint.numKeyFramesTrans);
    }
    EXPECT_EQ(m.animationFPS, s.animationFPS);
    EXPECT_EQ(m.totalFrames, s.totalFrames);
}

TEST(MS3DLoad, RoundTripKeepsEveryRecordAndReencodesIdentically) {
    MS3DSource source = SampleMS3DSource();
    std::vector<uint8_t> bytes = EncodeSource(source);
    EXPECT_EQ(bytes.size(), OffsetsOf(source).end);
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, bytes)) << model.lastError;
    EXPECT_TRUE(model.lastError.empty());
    ExpectMatchesSource(model, source);
    EXPECT_EQ(model.totalTime, 1250.0f);  // 30 frames at 24 per second
    EXPECT_EQ(model.skeleton, nullptr);
    EXPECT_EQ(model.currentTime, 0.0f);
    EXPECT_TRUE(model.looping);
    EXPECT_EQ(model.speed, 1000.0f);
    EXPECT_FALSE(model.blending);
    EXPECT_EQ(EncodeMS3D(model), bytes);
}

TEST(MS3DLoad, FullWidthNamesStayTerminatedAndResolve) {
    MS3DSource source = SampleMS3DSource();
    const std::string longName(32, 'J');
    source.joints[0].name = longName;
    source.joints[1].parentName = longName;
    source.groups[0].name = std::string(40, 'G');  // cut to 32 by the builder
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSource(source))) << model.lastError;
    EXPECT_EQ(std::string(model.joints[0].name), longName);
    EXPECT_EQ(std::string(model.groups[0].name), std::string(32, 'G'));
    ASSERT_TRUE(model.InitialSetup());
    EXPECT_EQ(model.skeleton[1].parent, 0);
}

TEST(MS3DLoad, VersionThreeLoadsAndOtherVersionsOrIdsAreRejected) {
    MS3D v3;
    MS3DWriteOptions options;
    options.version = 3;
    ASSERT_TRUE(LoadBytes(&v3, EncodeSource(SampleMS3DSource(), options)));
    ExpectMatchesSource(v3, SampleMS3DSource());

    for (int32_t version : {2, 5, -1}) {
        options.version = version;
        MS3D model;
        ErrorHookRecorder errors;
        EXPECT_FALSE(LoadBytes(&model, EncodeSource(SampleMS3DSource(), options)));
        EXPECT_EQ(model.lastError, std::string("version ") + std::to_string(version) + " is not 3 or 4");
        EXPECT_EQ(errors.Messages(), std::vector<std::string>{kNotValid});
        EXPECT_TRUE(IsUntouched(model));
    }

    std::vector<uint8_t> bytes = EncodeSource(SampleMS3DSource());
    bytes[9] = '1';  // "MS3D000001"
    MS3D model;
    EXPECT_FALSE(LoadBytes(&model, bytes));
    EXPECT_EQ(model.lastError, "the id is not \"MS3D000000\"");
}

TEST(MS3DLoad, TrailingSectionsAreLeftUnreadAndTheStreamStopsBeforeThem) {
    MS3DSource source = SampleMS3DSource();
    size_t end = OffsetsOf(source).end;
    for (int32_t sub : {1, 2, 3}) {
        MS3DWriteOptions options;
        options.trailingSections = true;
        options.vertexExtraSubVersion = sub;
        std::vector<uint8_t> bytes = EncodeSource(source, options);
        ASSERT_GT(bytes.size(), end + 40);
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        MS3D model;
        ASSERT_TRUE(model.LoadFromFStream(&stream)) << model.lastError;
        ExpectMatchesSource(model, source);
        EXPECT_EQ(static_cast<size_t>(stream.tellg()), end);
        int32_t commentSubVersion = 0;
        stream.read(reinterpret_cast<char*>(&commentSubVersion), 4);
        EXPECT_EQ(commentSubVersion, 1);
    }
}

TEST(MS3DLoad, ModelInsideALargerStreamReadsFromTheCurrentPosition) {
    std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
    std::string pack = std::string(100, 'P') + std::string(bytes.begin(), bytes.end()) + std::string(50, 'Q');
    std::stringstream stream(pack);
    stream.seekg(100);
    MS3D model;
    ASSERT_TRUE(model.LoadFromFStream(&stream)) << model.lastError;
    EXPECT_EQ(static_cast<size_t>(stream.tellg()), 100 + bytes.size());
    EXPECT_EQ(model.numVertices, 4);
}

TEST(MS3DLoad, StaticModelAndEmptyGroup) {
    MS3DSource source = SampleMS3DSource();
    source.joints.clear();
    for (MS3D_VERTEX& v : source.vertices) v.boneId = -1;
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSource(source))) << model.lastError;
    EXPECT_EQ(model.numJoints, 0);
    EXPECT_EQ(model.groups[1].numTriangles, 0);
    EXPECT_NE(model.groups[1].triangleIndices, nullptr);  // an empty list it owns
    std::vector<uint8_t> before = EncodeMS3D(model);
    EXPECT_TRUE(model.InitialSetup());
    EXPECT_EQ(model.skeleton, nullptr);
    EXPECT_EQ(EncodeMS3D(model), before);
}

TEST(MS3DLoad, EveryTruncationIsRejectedNamingItsSection) {
    MS3DSource source = SampleMS3DSource();
    std::vector<uint8_t> bytes = EncodeSource(source);
    SectionOffsets offsets = OffsetsOf(source);
    for (size_t length = 0; length < bytes.size(); length++) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
        std::string expected = "data ends in the " + SectionEndingAt(offsets, length);

        MS3D fromMemory;
        EXPECT_FALSE(fromMemory.LoadFromMemory(cut.data(), cut.size()));
        EXPECT_EQ(fromMemory.lastError, expected) << "length " << length;
        EXPECT_TRUE(IsUntouched(fromMemory));

        std::stringstream measured(std::string(cut.begin(), cut.end()));
        MS3D fromStream;
        EXPECT_FALSE(fromStream.LoadFromFStream(&measured));
        EXPECT_EQ(fromStream.lastError, expected) << "length " << length;

        UnseekableBuffer buffer(cut);
        std::istream blind(&buffer);
        MS3D fromBlind;
        EXPECT_FALSE(fromBlind.LoadFromFStream(&blind));
        EXPECT_EQ(fromBlind.lastError, expected) << "length " << length;
        EXPECT_TRUE(IsUntouched(fromBlind));
    }
    UnseekableBuffer whole(bytes);
    std::istream blind(&whole);
    MS3D model;
    EXPECT_TRUE(model.LoadFromFStream(&blind)) << model.lastError;
}

TEST(MS3DLoad, CountsBeyondTheDataAreRejectedBeforeReading) {
    MS3DSource source = SampleMS3DSource();
    SectionOffsets o = OffsetsOf(source);
    struct Case {
        size_t offset;
        const char* section;
    };
    for (Case c :
         {Case{o.vertexCount, "vertices"}, Case{o.triangleCount, "triangles"}, Case{o.groupCount, "groups"},
          Case{o.materialCount, "materials"}, Case{o.jointCount, "joints"}, Case{o.groups + 33, "groups"},
          Case{o.joints + 89, "joints"}}) {
        std::vector<uint8_t> bytes = EncodeSource(source);
        Poke16(&bytes, c.offset, 65535);
        MS3D model;
        EXPECT_FALSE(LoadBytes(&model, bytes));
        EXPECT_EQ(model.lastError, std::string("data ends in the ") + c.section) << c.offset;
    }
}

TEST(MS3DLoad, ReferencesOutsideTheirArraysAreRejected) {
    MS3DSource s = SampleMS3DSource();
    s.triangles[1].vertexIndices[2] = 4;
    EXPECT_EQ(Rejection(s), "triangle 1 corner 2 names vertex 4, but the model has 4 vertices");

    s = SampleMS3DSource();
    s.triangles[0].groupIndex = 2;
    EXPECT_EQ(Rejection(s), "triangle 0 names group 2, but the model has 2 groups");

    s = SampleMS3DSource();
    s.groups[0].triangleIndices = {0, 2};
    EXPECT_EQ(Rejection(s), "group 0 names triangle 2, but the model has 2 triangles");

    s = SampleMS3DSource();
    s.groups[1].materialIndex = 1;
    EXPECT_EQ(Rejection(s), "group 1 names material 1, but the model has 1 materials");

    s = SampleMS3DSource();
    s.vertices[2].boneId = 2;
    EXPECT_EQ(Rejection(s), "vertex 2 names joint 2, but the model has 2 joints");

    s = SampleMS3DSource();
    s.joints[0].parentName = "arm";
    EXPECT_EQ(Rejection(s), "joint 0 names parent \"arm\", joint 1, which does not come before it");

    s = SampleMS3DSource();
    s.joints[1].parentName = "arm";
    EXPECT_EQ(Rejection(s), "joint 1 names parent \"arm\", joint 1, which does not come before it");
}

TEST(MS3DLoad, NoMaterialNoJointAndUnknownParentAreAccepted) {
    MS3DSource s = SampleMS3DSource();
    s.groups[0].materialIndex = -1;
    s.vertices[0].boneId = -1;
    s.joints[1].parentName = "nobody";
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSource(s))) << model.lastError;
    ASSERT_TRUE(model.InitialSetup());
    EXPECT_EQ(model.skeleton[1].parent, -1);
}

TEST(MS3DLoad, LoadFromPathOpensReadsAndReportsMissingFiles) {
    std::string path = ::testing::TempDir() + "dovel_model_test.ms3d";
    MS3D written;
    ASSERT_TRUE(BuildMS3D(SampleMS3DSource(), &written));
    std::string error;
    ASSERT_TRUE(WriteMS3DFile(path, written, MS3DWriteOptions(), &error)) << error;
    MS3D model;
    ASSERT_TRUE(model.Load(path.c_str())) << model.lastError;
    ExpectMatchesSource(model, SampleMS3DSource());
    std::remove(path.c_str());

    ErrorHookRecorder errors;
    MS3D missing;
    EXPECT_FALSE(missing.Load(path.c_str()));
    EXPECT_EQ(missing.lastError.rfind("cannot open " + path, 0), 0u) << missing.lastError;
    MS3D nullPath;
    EXPECT_FALSE(nullPath.Load(nullptr));
    EXPECT_EQ(errors.Messages(), (std::vector<std::string>{"Coun't open the damn MS3D file!",
                                                           "Coun't open the damn MS3D file!"}));
    EXPECT_FALSE(WriteMS3DFile("/nonexistent-dir/x.ms3d", written, MS3DWriteOptions(), &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.ms3d"), std::string::npos);
}

TEST(MS3DLoad, ASecondLoadOrAMissingStreamIsRejected) {
    std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, bytes));
    MS3DSource other = SampleMS3DSource();
    other.vertices.pop_back();
    other.triangles.pop_back();
    other.groups[0].triangleIndices = {0};
    EXPECT_FALSE(LoadBytes(&model, EncodeSource(other)));
    EXPECT_EQ(model.lastError, "the model is already loaded");
    EXPECT_EQ(model.numVertices, 4);

    MS3D fresh;
    EXPECT_FALSE(fresh.LoadFromFStream(nullptr));
    std::ifstream closed;
    EXPECT_FALSE(fresh.LoadFromFStream(&closed));
    EXPECT_FALSE(fresh.LoadFromMemory(nullptr, 100));
    EXPECT_TRUE(IsUntouched(fresh));
}

TEST(MS3DLoad, NonPositiveFrameRateGivesNoAnimationTime) {
    MS3DSource s = SampleMS3DSource();
    s.animationFPS = 0.0f;
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSource(s)));
    EXPECT_EQ(model.totalTime, 0.0f);
    EXPECT_EQ(model.Frame(24), 0.0f);
}

TEST(MS3DBuild, RejectsAModelHoldingDataAndOversizedCounts) {
    MS3D model;
    ASSERT_TRUE(BuildMS3D(SampleMS3DSource(), &model));
    std::string error;
    EXPECT_FALSE(BuildMS3D(SampleMS3DSource(), &model, &error));
    EXPECT_EQ(error, "the model already holds data");

    MS3DSource big;
    big.vertices.resize(65536);
    MS3D empty;
    EXPECT_FALSE(BuildMS3D(big, &empty, &error));
    EXPECT_EQ(error, "more than 65535 vertices");
    EXPECT_TRUE(IsUntouched(empty));
}

}  // namespace
