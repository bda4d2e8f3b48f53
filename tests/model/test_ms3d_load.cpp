// Loading MilkShape files: round trips through the writer, and rejection of
// damaged or inconsistent files with their messages. Every rejected load is
// also made from a stream that cannot be measured and is watched for the size
// of its allocations: the loader believes a count only as far as the data
// backs it, so a file that announces 65535 records and then ends must fail
// without ever asking for the memory the count would need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "assets/Alerts.h"
#include "model/MS3DWriter.h"
#include "model/MilkshapeModel.h"
#include "tests/model/AllocationTracker.h"
#include "tests/model/ModelTestSupport.h"

namespace {

constexpr char kNotValid[] = "Not a valid MS3D file!";

// Where each section of the encoded sample starts. Records: vertex 15 bytes,
// triangle 70, group 36 + 2 per triangle (body 2, empty 0), material 361,
// joint 93 + 16 per key (root 4 keys, arm 3).
const struct {
    size_t start;
    const char* name;
} kSampleSections[] = {
    {0, "header"},      {14, "vertex count"},      {16, "vertices"},     {76, "triangle count"},
    {78, "triangles"},  {218, "group count"},      {220, "groups"},      {296, "material count"},
    {298, "materials"}, {659, "animation header"}, {671, "joint count"}, {673, "joints"}};
constexpr size_t kSampleSize = 971;

// Bytes read through a stream that cannot be measured or sought, like a pipe.
struct UnseekableBuffer : std::streambuf {
    explicit UnseekableBuffer(std::vector<uint8_t> bytes) : data(std::move(bytes)) {
        char* begin = reinterpret_cast<char*>(data.data());
        setg(begin, begin, begin + data.size());
    }
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
        return pos_type(-1);
    }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return pos_type(-1); }
    std::vector<uint8_t> data;
};

// The messages passed to ERRORCLOSE while an ErrorHookRecorder lives.
std::vector<std::string> errorMessages;
struct ErrorHookRecorder {
    ErrorHookRecorder() {
        errorMessages.clear();
        SetErrorHookSink([](const char* message) { errorMessages.emplace_back(message); });
    }
    ~ErrorHookRecorder() { SetErrorHookSink(nullptr); }
};

bool IsUntouched(const MS3D& m) {
    return m.numVertices == 0 && !m.vertices && m.numTriangles == 0 && !m.triangles && m.numGroups == 0 &&
           !m.groups && m.numMaterials == 0 && !m.materials && m.numJoints == 0 && !m.joints && !m.skeleton;
}

// Loads bytes from memory (route 0), a measurable stream (1) or a stream that
// cannot be measured (2), and returns the largest allocation made meanwhile.
size_t LoadVia(int route, const std::vector<uint8_t>& bytes, MS3D* model, bool* loaded) {
    std::stringstream measured(std::string(bytes.begin(), bytes.end()));
    UnseekableBuffer buffer(bytes);
    std::istream blind(&buffer);
    StartTrackingAllocations();
    *loaded = route == 0 ? LoadBytes(model, bytes) : model->LoadFromFStream(route == 1 ? &measured : &blind);
    return StopTrackingAllocations();
}

// Every route must fail with `error`, report kNotValid once, leave the model
// untouched and never ask for 64 KB at once (65535 of the smallest record
// would need more than 128 KB).
void ExpectRejected(const std::vector<uint8_t>& bytes, const std::string& error) {
    for (int route = 0; route < 3; route++) {
        SCOPED_TRACE(route);
        MS3D model;
        ErrorHookRecorder errors;
        bool loaded = true;
        EXPECT_LT(LoadVia(route, bytes, &model, &loaded), 64u * 1024);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(model.lastError, error);
        EXPECT_TRUE(IsUntouched(model));
        EXPECT_EQ(errorMessages, std::vector<std::string>{kNotValid});
    }
}

TEST(MS3DLoad, RoundTripKeepsEveryRecordAndReencodesIdentically) {
    std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
    EXPECT_EQ(bytes.size(), kSampleSize);
    MS3DWriteOptions v3;
    v3.version = 3;
    for (int route = 0; route < 4; route++) {  // the last: a version 3 file from memory
        SCOPED_TRACE(route);
        MS3D model;
        bool loaded = false;
        LoadVia(route % 3, route < 3 ? bytes : EncodeSource(SampleMS3DSource(), v3), &model, &loaded);
        ASSERT_TRUE(loaded) << model.lastError;
        EXPECT_TRUE(model.lastError.empty());
        EXPECT_EQ(model.totalTime, 1250.0f);  // 30 frames at 24 per second
        EXPECT_EQ(model.skeleton, nullptr);
        EXPECT_EQ(EncodeMS3D(model), bytes);
    }
}

// Also fills fields the sample leaves empty or zero, so that the round trip
// sees each of them.
TEST(MS3DLoad, FullWidthNamesStayTerminatedAndResolve) {
    MS3DSource source = SampleMS3DSource();
    const std::string longName(32, 'J'), longPath(128, 'T');
    source.joints[0].name = longName;
    source.joints[1].parentName = longName;
    source.joints[1].position = {1, 2, 3};
    source.groups[0].name = std::string(40, 'G');  // cut to 32 by the builder
    SetMS3DString(source.materials[0].texture, kMS3DPathBytes, longPath);
    source.materials[0].mode = 3;
    std::vector<uint8_t> bytes = EncodeSource(source);
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, bytes)) << model.lastError;
    EXPECT_EQ(EncodeMS3D(model), bytes);
    EXPECT_EQ(std::string(model.joints[0].name), longName);
    EXPECT_EQ(std::string(model.groups[0].name), std::string(32, 'G'));
    EXPECT_EQ(std::string(model.materials[0].texture), longPath);
    ASSERT_TRUE(model.InitialSetup());
    EXPECT_EQ(model.skeleton[1].parent, 0);
}

TEST(MS3DLoad, TrailingSectionsAreLeftUnreadAndTheStreamStopsBeforeThem) {
    for (int32_t sub : {1, 2, 3}) {
        MS3DWriteOptions options;
        options.trailingSections = true;
        options.vertexExtraSubVersion = sub;
        std::vector<uint8_t> bytes = EncodeSource(SampleMS3DSource(), options);
        ASSERT_GT(bytes.size(), kSampleSize + 40);
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        MS3D model;
        ASSERT_TRUE(model.LoadFromFStream(&stream)) << model.lastError;
        EXPECT_EQ(EncodeMS3D(model), std::vector<uint8_t>(bytes.begin(), bytes.begin() + kSampleSize));
        EXPECT_EQ(static_cast<size_t>(stream.tellg()), kSampleSize);
        int32_t commentSubVersion = 0;
        stream.read(reinterpret_cast<char*>(&commentSubVersion), 4);
        EXPECT_EQ(commentSubVersion, 1);
    }
    // A model inside a larger stream is read from the current position.
    std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
    std::stringstream pack(std::string(100, 'P') + std::string(bytes.begin(), bytes.end()) + "QQQ");
    pack.seekg(100);
    MS3D model;
    ASSERT_TRUE(model.LoadFromFStream(&pack)) << model.lastError;
    EXPECT_EQ(static_cast<size_t>(pack.tellg()), 100 + kSampleSize);
}

TEST(MS3DLoad, StaticModelAndEmptyGroup) {
    MS3DSource source = SampleMS3DSource();
    source.joints.clear();
    for (MS3D_VERTEX& v : source.vertices) v.boneId = -1;
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSource(source))) << model.lastError;
    EXPECT_EQ(model.groups[1].numTriangles, 0);
    EXPECT_NE(model.groups[1].triangleIndices, nullptr);  // an empty list it owns
    std::vector<uint8_t> before = EncodeMS3D(model);
    EXPECT_TRUE(model.InitialSetup());
    EXPECT_EQ(model.skeleton, nullptr);
    EXPECT_EQ(EncodeMS3D(model), before);
}

TEST(MS3DLoad, BadIdVersionOrTruncationIsRejectedNamingTheSection) {
    std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
    for (size_t length = 0, section = 0; length < bytes.size(); length++) {
        while (section + 1 < std::size(kSampleSections) && kSampleSections[section + 1].start <= length)
            section++;
        SCOPED_TRACE(length);
        ExpectRejected(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(length)),
                       std::string("data ends in the ") + kSampleSections[section].name);
    }
    bytes[9] = '1';  // "MS3D000001"
    ExpectRejected(bytes, "the id is not \"MS3D000000\"");
    for (int32_t version : {2, 5, -1}) {
        MS3DWriteOptions options;
        options.version = version;
        ExpectRejected(EncodeSource(SampleMS3DSource(), options),
                       "version " + std::to_string(version) + " is not 3 or 4");
    }
}

TEST(MS3DLoad, CountsBeyondTheDataAreRejectedWithoutAllocatingForThem) {
    // Each count in turn, including group 0's triangle count and joint 0's
    // rotation key count, says 65535; the data ends at the file's end or a few
    // bytes after the count.
    const struct {
        size_t offset;
        const char* section;
    } cases[] = {{14, "vertices"}, {76, "triangles"},    {218, "groups"},     {296, "materials"},
                 {671, "joints"},  {220 + 33, "groups"}, {673 + 89, "joints"}};
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
        bytes[c.offset] = bytes[c.offset + 1] = 0xff;
        for (size_t length : {bytes.size(), c.offset + 42}) {
            SCOPED_TRACE(std::to_string(c.offset) + " " + std::to_string(length));
            ExpectRejected(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(length)),
                           std::string("data ends in the ") + c.section);
        }
    }
}

TEST(MS3DLoad, ReferencesOutsideTheirArraysAreRejected) {
    // Each case overwrites bytes of the sample file: triangle 1's corner 2,
    // triangle 0's group, group 0's second triangle, group 1's material,
    // vertex 2's joint, and the parent names of joints 0 and 1.
    const struct {
        size_t offset;
        std::vector<uint8_t> bytes;
        const char* error;
    } cases[] = {
        {154, {4, 0}, "triangle 1 corner 2 names vertex 4, but the model has 4 vertices"},
        {147, {2}, "triangle 0 names group 2, but the model has 2 groups"},
        {257, {2, 0}, "group 0 names triangle 2, but the model has 2 triangles"},
        {295, {1}, "group 1 names material 1, but the model has 1 materials"},
        {59, {2}, "vertex 2 names joint 2, but the model has 2 joints"},
        {706, {'a', 'r', 'm', 0}, "joint 0 names parent \"arm\", joint 1, which does not come before it"},
        {863, {'a', 'r', 'm', 0}, "joint 1 names parent \"arm\", joint 1, which does not come before it"}};
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = EncodeSampleMS3D(false);
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<long>(c.offset));
        ExpectRejected(bytes, c.error);
    }
    // No material, no joint and an unknown parent are fine.
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
    EXPECT_EQ(EncodeMS3D(model), EncodeSampleMS3D(false));
    std::remove(path.c_str());

    ErrorHookRecorder errors;
    MS3D missing;
    EXPECT_FALSE(missing.Load(path.c_str()));
    EXPECT_EQ(missing.lastError.rfind("cannot open " + path, 0), 0u) << missing.lastError;
    MS3D nullPath;
    EXPECT_FALSE(nullPath.Load(nullptr));
    EXPECT_EQ(errorMessages, std::vector<std::string>(2, "Coun't open the damn MS3D file!"));
    EXPECT_FALSE(WriteMS3DFile("/nonexistent-dir/x.ms3d", written, MS3DWriteOptions(), &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.ms3d"), std::string::npos);
}

TEST(MS3DLoad, ASecondLoadOrAMissingStreamIsRejected) {
    MS3D model;
    ASSERT_TRUE(LoadBytes(&model, EncodeSampleMS3D(false)));
    ErrorHookRecorder errors;
    EXPECT_FALSE(LoadBytes(&model, EncodeSource(MS3DSource())));  // an empty model would replace it
    EXPECT_EQ(model.lastError, "the model is already loaded");
    EXPECT_EQ(errorMessages, std::vector<std::string>{kNotValid});
    EXPECT_EQ(model.numVertices, 4);

    MS3D fresh;
    EXPECT_FALSE(fresh.LoadFromFStream(nullptr));
    std::ifstream failed("/nonexistent-dir/x.ms3d", std::ios::binary);
    EXPECT_FALSE(fresh.LoadFromFStream(&failed));
    EXPECT_EQ(fresh.lastError, "no readable stream");
    EXPECT_FALSE(fresh.LoadFromMemory(nullptr, 100));
    EXPECT_TRUE(IsUntouched(fresh));
    // A later good load clears the last error.
    EXPECT_TRUE(LoadBytes(&fresh, EncodeSampleMS3D(false)));
    EXPECT_EQ(fresh.lastError, "");
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
