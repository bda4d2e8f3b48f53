// Matrices: layout, products, the Euler-angle conventions and the look-at
// basis.
#include <gtest/gtest.h>

#include <cmath>

#include "maths/Misc.h"
#include "maths/NiftyMaths.h"

namespace {

VECTOR3D P(float x, float y, float z) {
    return MakePoint(x, y, z);
}

void ExpectVecNear(VECTOR3D v, VECTOR3D want, float tol) {
    EXPECT_NEAR(v.x, want.x, tol);
    EXPECT_NEAR(v.y, want.y, tol);
    EXPECT_NEAR(v.z, want.z, tol);
}

void ExpectMatrixNear(const MATRIX& a, const MATRIX& b, double tol) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

VECTOR3D Column(const MATRIX& m, int c) {
    return P(static_cast<float>(m.m[4 * c]), static_cast<float>(m.m[4 * c + 1]),
             static_cast<float>(m.m[4 * c + 2]));
}

// A matrix with every element different, to catch transposed indexing.
MATRIX Counting(double start) {
    MATRIX m;
    for (int i = 0; i < 16; ++i) m.m[i] = start + i;
    return m;
}

TEST(Matrices, ConstructionAndMembers) {
    MATRIX m;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0 : 0.0) << i;
    m = MatrixFromAngle(P(20, 30, 40));
    MATRIX rotation = m;
    m.SetTranslation(P(1.5f, -2, 3));
    EXPECT_EQ(m.m[12], 1.5);
    EXPECT_EQ(m.m[13], -2.0);
    EXPECT_EQ(m.m[14], 3.0);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m.m[i], rotation.m[i]) << i;
    EXPECT_EQ(m.m[15], 1.0);
    m.Zero();
    for (double e : m.m) EXPECT_EQ(e, 0.0);
    m.Identity();
    ExpectMatrixNear(m, MATRIX(), 0.0);
}

TEST(Matrices, ElementWiseAndTranspose) {
    MATRIX a = Counting(1), b = Counting(100);
    MATRIX sum = AddMatrix(a, b), diff = SubtractMatrix(b, a);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(sum.m[i], 101.0 + 2 * i);
        EXPECT_EQ(diff.m[i], 99.0);
    }
    MATRIX t = TransposeMatrix(a);
    EXPECT_EQ(t.m[1], a.m[4]);
    EXPECT_EQ(t.m[12], a.m[3]);
    EXPECT_EQ(t.m[6], a.m[9]);
    ExpectMatrixNear(TransposeMatrix(t), a, 0.0);
}

TEST(Matrices, MultiplyAppliesRightOperandFirst) {
    MATRIX turn = MatrixFromAngle(P(0, 0, -90));  // +x to +y
    MATRIX move;
    move.SetTranslation(P(10, 0, 0));
    // turn * move: translate first, then turn the translated point.
    ExpectVecNear(MatrixPointMultiply(MultiplyMatrix(turn, move), P(1, 0, 0)), P(0, 11, 0), 1e-5f);
    ExpectVecNear(MatrixPointMultiply(MultiplyMatrix(move, turn), P(1, 0, 0)), P(10, 1, 0), 1e-5f);
    // Full 4x4 product including the bottom row and translation column.
    MATRIX a = Counting(1), b = Counting(-3);
    MATRIX r = MultiplyMatrix(a, b);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double want = 0;
            for (int k = 0; k < 4; ++k) want += a.m[4 * k + row] * b.m[4 * col + k];
            EXPECT_EQ(r.m[4 * col + row], want);
        }
    }
    ExpectMatrixNear(MultiplyMatrix(a, MATRIX()), a, 0.0);
}

TEST(Matrices, PointTransforms) {
    VECTOR3D p = P(1.25f, -3, 7);
    ExpectVecNear(MatrixPointMultiply(MATRIX(), p), p, 0.0f);
    MATRIX move;
    move.SetTranslation(P(4, 5, -6));
    ExpectVecNear(MatrixPointMultiply(move, p), MatrixTranslatePoint(move, p), 0.0f);
    ExpectVecNear(MatrixTranslatePoint(move, p), P(5.25f, 2, 1), 0.0f);
    ExpectVecNear(MatrixInverseTranslatePoint(move, p), P(-2.75f, -8, 13), 0.0f);

    MATRIX rigid = MatrixFromAngle(P(25, -60, 110));
    rigid.SetTranslation(P(4, 5, -6));
    // The rotation alone ignores the translation column.
    ExpectVecNear(MatrixRotatePoint(rigid, P(0, 0, 0)), P(0, 0, 0), 0.0f);
    VECTOR3D there = MatrixTranslatePoint(rigid, MatrixRotatePoint(rigid, p));
    ExpectVecNear(there, MatrixPointMultiply(rigid, p), 1e-5f);
    ExpectVecNear(MatrixInverseRotatePoint(rigid, MatrixInverseTranslatePoint(rigid, there)), p, 1e-5f);
    EXPECT_NEAR(VectorLength(MatrixRotatePoint(rigid, p)), VectorLength(p), 1e-5);
}

TEST(Matrices, PointTransformsWidenBeforeAdding) {
    // 2^24 + 1 cannot be a float, but 2^24 + 0.75 + 0.5 rounds up to 2^24 + 2
    // only when the sum is done in double before narrowing; in float the two
    // small terms vanish one after the other.
    MATRIX m;
    m.m[4] = 0.75;
    m.SetTranslation(P(0.5f, 0, 0));
    VECTOR3D r = MatrixPointMultiply(m, P(16777216.0f, 1, 0));
    EXPECT_EQ(r.x, 16777218.0f);
}

// MatrixFromAngle turns by -x, +y, -z; RotationToQuat and Rotate by +x, +y, +z.
TEST(Matrices, AngleConventionOppositeToQuaternionForXAndZ) {
    ExpectVecNear(MatrixPointMultiply(MatrixFromAngle(P(30, 0, 0)), P(0, 1, 0)), P(0, 0.8660254f, -0.5f),
                  1e-6f);
    ExpectVecNear(MatrixPointMultiply(MatrixFromAngle(P(0, 30, 0)), P(0, 0, 1)), P(0.5f, 0, 0.8660254f),
                  1e-6f);
    ExpectVecNear(MatrixPointMultiply(MatrixFromAngle(P(0, 0, 30)), P(1, 0, 0)), P(0.8660254f, -0.5f, 0),
                  1e-6f);
    const VECTOR3D cases[] = {P(30, 40, 50), P(-75, 10, 160), P(5, -85, -20)};
    for (VECTOR3D a : cases) {
        MATRIX fromQuat = QuatToRotationMatrix(RotationToQuat(P(-a.x, a.y, -a.z)));
        ExpectMatrixNear(MatrixFromAngle(a), fromQuat, 1e-12);
    }
    // With the same angles the two differ.
    MATRIX same = QuatToRotationMatrix(RotationToQuat(P(30, 40, 50)));
    EXPECT_GT(std::fabs(same.m[1] - MatrixFromAngle(P(30, 40, 50)).m[1]), 0.1);
}

TEST(Matrices, AngleFromMatrixInvertsMatrixFromAngle) {
    ExpectVecNear(AngleFromMatrix(MatrixFromAngle(P(30, 40, 50))), P(30, 40, 50), 1e-4f);
    ExpectVecNear(AngleFromMatrix(MatrixFromAngle(P(-30, 10, -170))), P(330, 10, 190), 1e-4f);
    ExpectVecNear(AngleFromMatrix(MatrixFromAngle(P(0, 0, 0))), P(0, 0, 0), 0.0f);
    ExpectVecNear(AngleFromMatrix(MatrixFromAngle(P(10, 89.5f, 20))), P(10, 89.5f, 20), 1e-3f);
    // Results lie in [0, 360): a turn of -1e-4 degrees wraps to just below 360.
    VECTOR3D small = AngleFromMatrix(MatrixFromAngle(P(-0.0001f, 0, 0)));
    EXPECT_LT(small.x, 360.0f);
    EXPECT_GT(small.x, 359.99f);
}

TEST(Matrices, AngleFromMatrixGimbalBranch) {
    ExpectVecNear(AngleFromMatrix(MatrixFromAngle(P(30, 90, 50))), P(0, 90, 20), 1e-4f);
    ExpectVecNear(AngleFromMatrix(MatrixFromAngle(P(10, -90, 0))), P(0, 270, 10), 1e-4f);
    // Within about 0.29 degrees of the pole x is forced to 0 and z takes the
    // difference; the rebuilt matrix is still close to the original.
    MATRIX nearPole = MatrixFromAngle(P(30, 89.8f, 50));
    VECTOR3D angles = AngleFromMatrix(nearPole);
    EXPECT_EQ(angles.x, 0.0f);
    EXPECT_NEAR(angles.z, 20.0f, 0.01f);
    ExpectMatrixNear(MatrixFromAngle(angles), nearPole, 0.01);
}

TEST(Matrices, AngleFromMatrixToleratesRoundingPastThePole) {
    MATRIX m = MatrixFromAngle(P(0, 90, 0));
    m.m[2] = -std::nextafter(1.0, 2.0);
    VECTOR3D angles = AngleFromMatrix(m);
    EXPECT_FALSE(std::isnan(angles.x) || std::isnan(angles.y) || std::isnan(angles.z));
    EXPECT_NEAR(angles.y, 90.0f, 1e-4f);
}

TEST(Matrices, LookAtListedCases) {
    ExpectMatrixNear(MatrixAngleBetweenVectors(P(2, 3, 4), P(2, 3, 4)), MATRIX(), 0.0);

    MATRIX toX = MatrixAngleBetweenVectors(P(1, 0, 0), P(0, 0, 0));
    ExpectVecNear(MatrixRotatePoint(toX, P(0, 0, 1)), P(1, 0, 0), 1e-6f);
    ExpectVecNear(MatrixRotatePoint(toX, P(1, 0, 0)), P(0, 0, -1), 1e-6f);

    MATRIX up = MatrixAngleBetweenVectors(P(0, 5, 0), P(0, 0, 0));
    ExpectVecNear(Column(up, 0), P(0, 0, -1), 0.0f);
    ExpectVecNear(Column(up, 1), P(-1, 0, 0), 0.0f);
    ExpectVecNear(Column(up, 2), P(0, 1, 0), 0.0f);

    MATRIX down = MatrixAngleBetweenVectors(P(0, -5, 0), P(0, 0, 0));
    ExpectVecNear(Column(down, 0), P(0, 0, -1), 0.0f);
    ExpectVecNear(Column(down, 1), P(1, 0, 0), 0.0f);
    ExpectVecNear(Column(down, 2), P(0, -1, 0), 0.0f);
    for (const MATRIX* m : {&toX, &up, &down}) {
        EXPECT_EQ(m->m[3] + m->m[7] + m->m[11] + m->m[12] + m->m[13] + m->m[14], 0.0);
        EXPECT_EQ(m->m[15], 1.0);
    }
}

TEST(Matrices, LookAtIsRightHandedAndKeepsUp) {
    const VECTOR3D targets[] = {P(3, 1, -2), P(-0.5f, -4, 0.25f), P(0.001f, 9, 0), P(-7, 0, -7)};
    VECTOR3D from = P(1, 1, 1);
    for (VECTOR3D target : targets) {
        MATRIX m = MatrixAngleBetweenVectors(AddVectors(from, target), from);
        VECTOR3D side = Column(m, 0), up = Column(m, 1), dir = Column(m, 2);
        ExpectVecNear(dir, NormalizeVector(target), 1e-6f);
        ExpectVecNear(VectorCrossProduct(side, up), dir, 1e-5f);
        EXPECT_NEAR(VectorDotProduct(side, up), 0.0, 1e-6);
        EXPECT_NEAR(VectorLength(up), 1.0, 1e-6);
        EXPECT_NEAR(side.y, 0.0f, 1e-7f);  // the side axis stays horizontal
        EXPECT_GE(up.y, 0.0f);             // and up never points down
    }
}

TEST(Matrices, LookAtOfTinyOffsetIsStillARotation) {
    // Offsets whose squared length underflows cannot be normalised; they are
    // treated like equal points rather than giving a NaN or zero basis.
    MATRIX m = MatrixAngleBetweenVectors(P(1e-30f, 0, 0), P(0, 0, 0));
    ExpectMatrixNear(m, MATRIX(), 0.0);
    MATRIX steep = MatrixAngleBetweenVectors(P(1e-24f, 1, 0), P(0, 0, 0));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(VectorLength(Column(steep, c)), 1.0, 1e-6) << c;
}

}  // namespace
