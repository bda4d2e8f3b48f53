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
#include <vector>

#include "maths/Misc.h"
#include "maths/NiftyMaths.h"

namespace {

// Exact unless a tolerance is given.
void ExpectVec(VECTOR3D v, float x, float y, float z, float tol = 0.0f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(Vectors, ComponentWiseOperationsAndConstructors) {
    VECTOR3D a = MakePoint(1.5f, -2.0f, 8.0f);
    VECTOR3D b = MakePoint(0.5f, 4.0f, -2.0f);
    ExpectVec(AddVectors(a, b), 2.0f, 2.0f, 6.0f);
    ExpectVec(SubtractVectors(a, b), 1.0f, -6.0f, 10.0f);
    ExpectVec(MultiplyVectors(a, b), 0.75f, -8.0f, -16.0f);
    ExpectVec(DivideVectors(a, b), 3.0f, -0.5f, -4.0f);
    ExpectVec(VectorCrossProduct(MakePoint(1, 0, 0), MakePoint(0, 1, 0)), 0, 0, 1);
    ExpectVec(VectorCrossProduct(MakePoint(0, 1, 0), MakePoint(1, 0, 0)), 0, 0, -1);
    EXPECT_EQ(VectorDotProduct(a, b), 0.75 - 8.0 - 16.0);
    point2d p = Make2DPoint(1.5f, -2.5f);
    COLOUR c = MakeColour(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ((std::vector<float>{p.x, p.y, c.r, c.g, c.b, c.a}),
              (std::vector<float>{1.5f, -2.5f, 0.1f, 0.2f, 0.3f, 0.4f}));
}

TEST(Vectors, SumsAreInFloatAndTheSquareRootInDouble) {
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(0, 0, 0), MakePoint(3, 4, 0)), 25.0);
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(1, 2, 3), MakePoint(0, 0, -3)), 41.0);
    // 4097^2 = 16785409 needs 25 bits: a float product rounds it to 16785408.
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(4097, 0, 0), MakePoint(0, 0, 0)), 16785408.0);
    // 4096^2 + 1 = 2^24 + 1: the float sum drops the 1.
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(4096, 1, 0), MakePoint(0, 0, 0)), 16777216.0);
    // The difference itself is taken in float: 16777216 - (-1) rounds back to 2^24.
    EXPECT_EQ(DistanceBetweenVectors(MakePoint(16777216.0f, 0, 0), MakePoint(-1, 0, 0)), 281474976710656.0);
    VECTOR3D v = MakePoint(4096, 1, 0);
    EXPECT_EQ(VectorDotProduct(v, v), 16777216.0);
    EXPECT_EQ(VectorLengthNOSQRT(v), 16777216.0);
    EXPECT_EQ(VectorLength(v), 4096.0);
    EXPECT_EQ(VectorLength(MakePoint(3, 4, 12)), 13.0);
    EXPECT_EQ(VectorLength(MakePoint(1, 1, 0)), std::sqrt(2.0));
}

TEST(Vectors, ScaleAndNormalizeComputeInDoubleAndKeepTheZeroVector) {
    // 3 * 0.3 in double is 0.8999999999999999, which narrows to 0.9f; with a
    // float factor the product would round to 0.90000004f.
    ExpectVec(ScaleVector(MakePoint(3, 7, -1), 0.3), 0.9f, 2.1f, -0.3f);
    ExpectVec(ScaleVector(MakePoint(3, 7, 0), 1.1), 3.3f, 7.7f, 0.0f);
    // 3/sqrt(10) divided in double is 0.948683321f; dividing by the float
    // length gives the neighbour 0.948683262f.
    ExpectVec(NormalizeVector(MakePoint(1, 0, 3)), 0.316227764f, 0, 0.948683321f);
    ExpectVec(NormalizeVector(MakePoint(0, 0, 0)), 0, 0, 0);  // no NaNs
    VECTOR3D v = MakePoint(0, 0, 0);
    v.Normalize();
    ExpectVec(v, 0, 0, 0);
    v = MakePoint(0, 3, -4);
    v.Normalize();
    ExpectVec(v, 0, 0.6f, -0.8f);
}

TEST(Vectors, CompareIsExact) {
    EXPECT_TRUE(CompareVectors(MakePoint(0, 0, 0), MakePoint(-0.0f, 0, 0)));
    EXPECT_TRUE(CompareVectors(MakePoint(1, 2, 3), MakePoint(1, 2, 3)));
    EXPECT_FALSE(CompareVectors(MakePoint(1, 2, 3), MakePoint(1, 2, std::nextafter(3.0f, 4.0f))));
    EXPECT_FALSE(CompareVectors(MakePoint(1, 2, 3), MakePoint(3, 2, 1)));
    VECTOR3D n = MakePoint(NAN, 0, 0);
    EXPECT_FALSE(CompareVectors(n, n));
}

TEST(Misc, ClampWrapsAnglesAndNeverHangs) {
    // The step is max, not max - min; a step that cannot move the value
    // leaves it alone.
    const double cases[][4] = {{-30, 0, 360, 330},  {360, 0, 360, 0},    {725, 0, 360, 5},
                               {-725, 0, 360, 355}, {0, 0, 360, 0},      {359.5, 0, 360, 359.5},
                               {5, 10, 360, 5},     {370, 100, 360, 10}, {-5, 0, 0, -5},
                               {-5, 0, -360, -5}};
    for (const auto& c : cases)
        EXPECT_EQ(clamp(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
    EXPECT_TRUE(std::isinf(clamp(INFINITY, 0, 360)));
    EXPECT_TRUE(std::isnan(clamp(NAN, 0, 360)));
    for (double huge : {1e300, -1e20 - 30}) {
        double wrapped = clamp(huge, 0, 360);
        EXPECT_TRUE(wrapped >= 0.0 && wrapped < 360.0) << huge << " gave " << wrapped;
    }
}

TEST(Misc, RotateTurnsAboutFixedAxesInOrder) {
    struct Case {
        VECTOR3D from, angles, to;
    } cases[] = {{{0, 1, 0}, {90, 0, 0}, {0, 0, 1}},
                 {{0, 0, 1}, {0, 90, 0}, {1, 0, 0}},
                 {{1, 0, 0}, {0, 0, 90}, {0, 1, 0}},
                 // x first, then y: the other order would leave it at +z.
                 {{0, 1, 0}, {90, 90, 0}, {1, 0, 0}}};
    for (Case c : cases) {
        Rotate(&c.from, c.angles.x, c.angles.y, c.angles.z);
        ExpectVec(c.from, c.to.x, c.to.y, c.to.z, 1e-6f);
    }
    // No turn leaves the point as it is: a NaN does not spread.
    VECTOR3D p = MakePoint(1.1f, NAN, 3.3f);
    Rotate(&p, 0, 0, 0);
    EXPECT_TRUE(p.x == 1.1f && std::isnan(p.y) && p.z == 3.3f);
    // Each step is computed in double from the floats the previous step
    // stored. Carrying doubles through all three steps gives y = 2.16195726f;
    // computing in float gives (1.12052619f, 2.1619575f, 3.31818676f).
    p = MakePoint(1.1f, 2.2f, 3.3f);
    Rotate(&p, 1, 1, 1);
    ExpectVec(p, 1.12052608f, 2.16195703f, 3.31818652f);
}

TEST(Misc, CalculateNormalFollowsWinding) {
    VECTOR3D a = MakePoint(0, 0, 0), b = MakePoint(1, 0, 0), c = MakePoint(1, 1, 0);
    ExpectVec(CalculateNormal(a, b, c), 0, 0, 1);
    ExpectVec(CalculateNormal(c, b, a), 0, 0, -1);
    // Not normalised: twice the size, four times the normal.
    ExpectVec(CalculateNormal(ScaleVector(a, 2), ScaleVector(b, 2), ScaleVector(c, 2)), 0, 0, 4);
}

// Runs with TMPDIR pointing at a fresh folder and restores it afterwards.
TEST(DebugWriters, PathFromTmpdirAppendedLinesAndUnwritableFolderIgnored) {
    const char* old = std::getenv("TMPDIR");
    const bool hadTmp = old != nullptr;
    const std::string saved = hadTmp ? old : "";
    char pattern[] = "/tmp/dovel-debugXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    auto read = [&dir](const char* name) {
        std::stringstream text;
        text << std::ifstream(dir + "/" + name).rdbuf();
        return text.str();
    };
    setenv("TMPDIR", (dir + "/").c_str(), 1);
    EXPECT_EQ(DebugFilePath("debug.txt"), dir + "/debug.txt");
    unsetenv("TMPDIR");
    EXPECT_EQ(DebugFilePath("test.txt"), "/tmp/test.txt");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(DebugFilePath("test.txt"), "/tmp/test.txt");
    setenv("TMPDIR", "/nonexistent/dovel", 1);
    DEBUG(1.0);
    DEBUGstr("x");
    DEBUGp3d(MakePoint(0, 0, 0));
    SaveMatrix(MATRIX());
    setenv("TMPDIR", dir.c_str(), 1);
    EXPECT_EQ(DebugFilePath("debug.txt"), dir + "/debug.txt");
    DEBUG(1.5);
    DEBUGstr("hello");
    DEBUGp3d(MakePoint(1, -2, 3.25f));
    DEBUGstr(nullptr);
    EXPECT_EQ(read("debug.txt"), "1.500000\nhello\n1.000000,-2.000000,3.250000\n\n");
    MATRIX m;
    m.SetTranslation(MakePoint(4, 5, 6));
    SaveMatrix(m);
    SaveMatrix(m);
    const std::string block =
        "\n1.00000 0.00000 0.00000 0.00000 \n0.00000 1.00000 0.00000 0.00000 \n"
        "0.00000 0.00000 1.00000 0.00000 \n4.00000 5.00000 6.00000 1.00000 \n";
    EXPECT_EQ(read("test.txt"), block + block);
    std::remove((dir + "/debug.txt").c_str());
    std::remove((dir + "/test.txt").c_str());
    rmdir(pattern);
    hadTmp ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR");
}

}  // namespace
