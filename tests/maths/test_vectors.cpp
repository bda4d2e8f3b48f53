// Vector arithmetic and the small helpers of Misc. Several cases pin the
// width of the arithmetic: their inputs give different answers when summed
// in double instead of float, or computed in float instead of double.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "maths/Misc.h"
#include "maths/NiftyMaths.h"

namespace {

void ExpectVec(VECTOR3D v, float x, float y, float z, float tol = 0.0f) {
    if (tol == 0.0f) {
        EXPECT_EQ(v.x, x);
        EXPECT_EQ(v.y, y);
        EXPECT_EQ(v.z, z);
    } else {
        EXPECT_NEAR(v.x, x, tol);
        EXPECT_NEAR(v.y, y, tol);
        EXPECT_NEAR(v.z, z, tol);
    }
}

TEST(Vectors, ComponentWiseOperations) {
    VECTOR3D a = MakePoint(1.5f, -2.0f, 8.0f);
    VECTOR3D b = MakePoint(0.5f, 4.0f, -2.0f);
    ExpectVec(AddVectors(a, b), 2.0f, 2.0f, 6.0f);
    ExpectVec(SubtractVectors(a, b), 1.0f, -6.0f, 10.0f);
    ExpectVec(MultiplyVectors(a, b), 0.75f, -8.0f, -16.0f);
    ExpectVec(DivideVectors(a, b), 3.0f, -0.5f, -4.0f);
    ExpectVec(VectorCrossProduct(MakePoint(1, 0, 0), MakePoint(0, 1, 0)), 0, 0, 1);
    ExpectVec(VectorCrossProduct(MakePoint(0, 1, 0), MakePoint(1, 0, 0)), 0, 0, -1);
    EXPECT_EQ(VectorDotProduct(a, b), 0.75 - 8.0 - 16.0);
}

TEST(Vectors, DistanceIsSquaredAndSummedInFloat) {
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(0, 0, 0), MakePoint(3, 4, 0)), 25.0);
    // 4097^2 = 16785409 needs 25 bits: a float product rounds it to 16785408.
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(4097, 0, 0), MakePoint(0, 0, 0)), 16785408.0);
    // 4096^2 + 1 = 2^24 + 1: the float sum drops the 1.
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(4096, 1, 0), MakePoint(0, 0, 0)), 16777216.0);
    // The difference itself is taken in float: 16777216 - (-1) rounds back to 2^24.
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(16777216.0f, 0, 0), MakePoint(-1, 0, 0)), 281474976710656.0);
}

TEST(Vectors, DotAndLengthSumInFloat) {
    VECTOR3D v = MakePoint(4096, 1, 0);
    EXPECT_EQ(VectorDotProduct(v, v), 16777216.0);
    EXPECT_EQ(VectorLengthNOSQRT(v), 16777216.0);
    EXPECT_EQ(VectorLength(v), 4096.0);
    EXPECT_EQ(VectorLength(MakePoint(3, 4, 12)), 13.0);
    // The square root itself is in double: sqrt(2) keeps double precision.
    EXPECT_EQ(VectorLength(MakePoint(1, 1, 0)), std::sqrt(2.0));
}

TEST(Vectors, ScaleComputesInDouble) {
    // 3 * 0.3 in double is 0.8999999999999999, which narrows to 0.9f; with a
    // float factor the product would round to 0.90000004f.
    ExpectVec(ScaleVector(MakePoint(3, 7, -1), 0.3), 0.9f, 2.1f, -0.3f);
    ExpectVec(ScaleVector(MakePoint(3, 7, 0), 1.1), 3.3f, 7.7f, 0.0f);
}

TEST(Vectors, NormalizeVectorDividesInDouble) {
    VECTOR3D n = NormalizeVector(MakePoint(1, 0, 3));
    // 3/sqrt(10) divided in double is 0.948683321f; dividing by the float
    // length gives the neighbour 0.948683262f.
    EXPECT_EQ(n.x, 0.316227764f);
    EXPECT_EQ(n.z, 0.948683321f);
    ExpectVec(NormalizeVector(MakePoint(0, -5, 0)), 0, -1, 0);
    // No direction to keep: the zero vector comes back instead of NaNs.
    ExpectVec(NormalizeVector(MakePoint(0, 0, 0)), 0, 0, 0);
}

TEST(Vectors, MemberNormalizeKeepsZeroVector) {
    VECTOR3D v = MakePoint(0, 0, 0);
    v.Normalize();
    ExpectVec(v, 0, 0, 0);
    v = MakePoint(0, 3, -4);
    v.Normalize();
    ExpectVec(v, 0, 0.6f, -0.8f);
    v = MakePoint(1, 1, 1);
    v.Normalize();
    EXPECT_NEAR(VectorLength(v), 1.0, 1e-6);
}

TEST(Vectors, CompareIsExact) {
    EXPECT_TRUE(CompareVectors(MakePoint(0, 0, 0), MakePoint(-0.0f, 0, 0)));
    EXPECT_TRUE(CompareVectors(MakePoint(1, 2, 3), MakePoint(1, 2, 3)));
    EXPECT_FALSE(CompareVectors(MakePoint(1, 2, 3), MakePoint(1, 2, std::nextafter(3.0f, 4.0f))));
    EXPECT_FALSE(CompareVectors(MakePoint(1, 2, 3), MakePoint(3, 2, 1)));
    VECTOR3D n = MakePoint(NAN, 0, 0);
    EXPECT_FALSE(CompareVectors(n, n));
}

TEST(Misc, Constructors) {
    point2d p = Make2DPoint(1.5f, -2.5f);
    EXPECT_EQ(p.x, 1.5f);
    EXPECT_EQ(p.y, -2.5f);
    COLOUR c = MakeColour(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(c.r, 0.1f);
    EXPECT_EQ(c.g, 0.2f);
    EXPECT_EQ(c.b, 0.3f);
    EXPECT_EQ(c.a, 0.4f);
    ExpectVec(MakePoint(7, 8, 9), 7, 8, 9);
}

TEST(Misc, ClampWrapsAngles) {
    EXPECT_EQ(clamp(-30, 0, 360), 330);
    EXPECT_EQ(clamp(360, 0, 360), 0);
    EXPECT_EQ(clamp(725, 0, 360), 5);
    EXPECT_EQ(clamp(-725, 0, 360), 355);
    EXPECT_EQ(clamp(0, 0, 360), 0);
    EXPECT_EQ(clamp(359.5, 0, 360), 359.5);
    // The step is max, not max - min.
    EXPECT_EQ(clamp(5, 10, 360), 5);
    EXPECT_EQ(clamp(370, 100, 360), 10);
}

TEST(Misc, ClampNeverHangs) {
    EXPECT_TRUE(std::isinf(clamp(INFINITY, 0, 360)));
    EXPECT_TRUE(std::isnan(clamp(NAN, 0, 360)));
    double big = clamp(1e300, 0, 360);
    EXPECT_GE(big, 0.0);
    EXPECT_LT(big, 360.0);
    double negative = clamp(-1e20 - 30, 0, 360);
    EXPECT_GE(negative, 0.0);
    EXPECT_LT(negative, 360.0);
    // A step that cannot move the value leaves it alone.
    EXPECT_EQ(clamp(-5, 0, 0), -5);
    EXPECT_EQ(clamp(-5, 0, -360), -5);
}

TEST(Misc, RotateTurnsAboutFixedAxesInOrder) {
    VECTOR3D p = MakePoint(0, 1, 0);
    Rotate(&p, 90, 0, 0);  // +y to +z
    ExpectVec(p, 0, 0, 1, 1e-6f);
    p = MakePoint(0, 0, 1);
    Rotate(&p, 0, 90, 0);  // +z to +x
    ExpectVec(p, 1, 0, 0, 1e-6f);
    p = MakePoint(1, 0, 0);
    Rotate(&p, 0, 0, 90);  // +x to +y
    ExpectVec(p, 0, 1, 0, 1e-6f);
    // x first, then y: +y goes to +z, then to +x. The other order would
    // leave it at +z.
    p = MakePoint(0, 1, 0);
    Rotate(&p, 90, 90, 0);
    ExpectVec(p, 1, 0, 0, 1e-6f);
}

TEST(Misc, RotateAllZeroAnglesLeavesPointBitExact) {
    VECTOR3D p = MakePoint(1.1f, -2.2f, 3.3f);
    Rotate(&p, 0, 0, 0);
    ExpectVec(p, 1.1f, -2.2f, 3.3f);
    p = MakePoint(1.1f, NAN, 3.3f);
    Rotate(&p, 0, 0, 0);
    EXPECT_TRUE(std::isnan(p.y));
}

TEST(Misc, RotateStoresFloatsAfterEachStep) {
    VECTOR3D p = MakePoint(1.1f, 2.2f, 3.3f);
    Rotate(&p, 1, 1, 1);
    // Each step is computed in double from the floats the previous step
    // stored. Carrying doubles through all three steps gives y = 2.16195726f;
    // computing in float gives (1.12052619f, 2.1619575f, 3.31818676f).
    ExpectVec(p, 1.12052608f, 2.16195703f, 3.31818652f);
}

TEST(Misc, CalculateNormalFollowsWinding) {
    VECTOR3D a = MakePoint(0, 0, 0), b = MakePoint(1, 0, 0), c = MakePoint(1, 1, 0);
    ExpectVec(CalculateNormal(a, b, c), 0, 0, 1);
    ExpectVec(CalculateNormal(c, b, a), 0, 0, -1);
    // Not normalised: twice the size, four times the normal.
    ExpectVec(CalculateNormal(ScaleVector(a, 2), ScaleVector(b, 2), ScaleVector(c, 2)), 0, 0, 4);
}

class DebugWriters : public ::testing::Test {
protected:
    std::string dir;
    std::string oldTmp;
    bool hadTmp = false;

    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        hadTmp = old != nullptr;
        if (hadTmp) oldTmp = old;
        char pattern[] = "/tmp/dovel-debugXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        setenv("TMPDIR", dir.c_str(), 1);
    }
    void TearDown() override {
        std::remove((dir + "/debug.txt").c_str());
        std::remove((dir + "/test.txt").c_str());
        rmdir(dir.c_str());
        if (hadTmp) {
            setenv("TMPDIR", oldTmp.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    std::string Read(const char* name) {
        std::ifstream in(dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(DebugWriters, PathComesFromTmpdir) {
    EXPECT_EQ(DebugFilePath("debug.txt"), dir + "/debug.txt");
    setenv("TMPDIR", (dir + "/").c_str(), 1);
    EXPECT_EQ(DebugFilePath("debug.txt"), dir + "/debug.txt");
    unsetenv("TMPDIR");
    EXPECT_EQ(DebugFilePath("test.txt"), "/tmp/test.txt");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(DebugFilePath("test.txt"), "/tmp/test.txt");
}

TEST_F(DebugWriters, AppendLines) {
    DEBUG(1.5);
    DEBUGstr("hello");
    DEBUGp3d(MakePoint(1, -2, 3.25f));
    DEBUGstr(nullptr);
    EXPECT_EQ(Read("debug.txt"), "1.500000\nhello\n1.000000,-2.000000,3.250000\n\n");
    MATRIX m;
    m.SetTranslation(MakePoint(4, 5, 6));
    SaveMatrix(m);
    SaveMatrix(m);
    const char* block =
        "\n1.00000 0.00000 0.00000 0.00000 \n0.00000 1.00000 0.00000 0.00000 \n"
        "0.00000 0.00000 1.00000 0.00000 \n4.00000 5.00000 6.00000 1.00000 \n";
    EXPECT_EQ(Read("test.txt"), std::string(block) + block);
}

TEST_F(DebugWriters, UnwritableFolderIsIgnored) {
    setenv("TMPDIR", "/nonexistent/dovel", 1);
    DEBUG(1.0);
    DEBUGstr("x");
    DEBUGp3d(MakePoint(0, 0, 0));
    SaveMatrix(MATRIX());
    setenv("TMPDIR", dir.c_str(), 1);
    DEBUG(2.0);
    EXPECT_EQ(Read("debug.txt"), "2.000000\n");
}

}  // namespace
