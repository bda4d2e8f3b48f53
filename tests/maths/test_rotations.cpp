// Matrices and quaternions: layout, products, the Euler-angle conventions,
// the look-at basis, conversions both ways and the branches of QuatSlerp.
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

void ExpectQuatNear(const QUAT& q, const QUAT& want, double tol) {
    EXPECT_NEAR(q.x, want.x, tol);
    EXPECT_NEAR(q.y, want.y, tol);
    EXPECT_NEAR(q.z, want.z, tol);
    EXPECT_NEAR(q.w, want.w, tol);
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

QUAT Scaled(const QUAT& q, double s) {
    return QUAT{s * q.x, s * q.y, s * q.z, s * q.w};
}

double Length(const QUAT& q) {
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

QUAT Unit(double x, double y, double z, double w) {
    return Scaled(QUAT{x, y, z, w}, 1 / Length(QUAT{x, y, z, w}));
}

TEST(Matrices, MembersElementWiseProductAndTranspose) {
    MATRIX m;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0 : 0.0) << i;
    m = MatrixFromAngle(P(20, 30, 40));
    MATRIX rotation = m;
    m.SetTranslation(P(1.5f, -2, 3));
    rotation.m[12] = 1.5, rotation.m[13] = -2, rotation.m[14] = 3;
    ExpectMatrixNear(m, rotation, 0.0);
    // a * b in column-major order: b applies first.
    MATRIX a = Counting(1), b = Counting(-3);
    MATRIX sum = AddMatrix(a, b), diff = SubtractMatrix(b, a), t = TransposeMatrix(a),
           r = MultiplyMatrix(a, b);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(sum.m[i], -2.0 + 2 * i);
        EXPECT_EQ(diff.m[i], -4.0);
        EXPECT_EQ(t.m[i], a.m[4 * (i % 4) + i / 4]);
        double want = 0;
        for (int k = 0; k < 4; ++k) want += a.m[4 * k + i % 4] * b.m[4 * (i / 4) + k];
        EXPECT_EQ(r.m[i], want) << i;
    }
}

TEST(Matrices, PointTransforms) {
    VECTOR3D p = P(1.25f, -3, 7);
    ExpectVecNear(MatrixPointMultiply(MATRIX(), p), p, 0.0f);
    MATRIX move;
    move.SetTranslation(P(4, 5, -6));
    ExpectVecNear(MatrixPointMultiply(move, p), P(5.25f, 2, 1), 0.0f);
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
    // 2^24 + 1 cannot be a float, but 2^24 + 0.75 + 0.5 rounds up to 2^24 + 2
    // only when the sum is done in double before narrowing; in float the two
    // small terms vanish one after the other.
    MATRIX m;
    m.m[4] = 0.75;
    m.SetTranslation(P(0.5f, 0, 0));
    EXPECT_EQ(MatrixPointMultiply(m, P(16777216.0f, 1, 0)).x, 16777218.0f);
}

// MatrixFromAngle turns by -x, +y, -z; RotationToQuat and Rotate by +x, +y, +z.
TEST(Matrices, AngleConventionOppositeToQuaternionForXAndZ) {
    const VECTOR3D cases[][3] = {{P(30, 0, 0), P(0, 1, 0), P(0, 0.8660254f, -0.5f)},
                                 {P(0, 30, 0), P(0, 0, 1), P(0.5f, 0, 0.8660254f)},
                                 {P(0, 0, 30), P(1, 0, 0), P(0.8660254f, -0.5f, 0)}};
    for (const auto& c : cases) ExpectVecNear(MatrixPointMultiply(MatrixFromAngle(c[0]), c[1]), c[2], 1e-6f);
    for (VECTOR3D a : {P(30, 40, 50), P(-75, 10, 160), P(5, -85, -20)}) {
        MATRIX fromQuat = QuatToRotationMatrix(RotationToQuat(P(-a.x, a.y, -a.z)));
        ExpectMatrixNear(MatrixFromAngle(a), fromQuat, 1e-12);
    }
}

TEST(Matrices, AngleFromMatrixInvertsMatrixFromAngleIn0To360) {
    // The last two pass through the gimbal branch: x becomes 0 and z takes
    // the difference.
    struct Case {
        VECTOR3D in, out;
        float tol;
    } cases[] = {{P(30, 40, 50), P(30, 40, 50), 1e-4f}, {P(-30, 10, -170), P(330, 10, 190), 1e-4f},
                 {P(0, 0, 0), P(0, 0, 0), 0.0f},        {P(10, 89.5f, 20), P(10, 89.5f, 20), 1e-3f},
                 {P(30, 90, 50), P(0, 90, 20), 1e-4f},  {P(10, -90, 0), P(0, 270, 10), 1e-4f}};
    for (const Case& c : cases) ExpectVecNear(AngleFromMatrix(MatrixFromAngle(c.in)), c.out, c.tol);
    // A turn of -1e-4 degrees wraps to just below 360.
    float small = AngleFromMatrix(MatrixFromAngle(P(-0.0001f, 0, 0))).x;
    EXPECT_TRUE(small < 360.0f && small > 359.99f) << small;
    // Within about 0.29 degrees of the pole the gimbal branch is taken too;
    // the rebuilt matrix is still close to the original.
    MATRIX nearPole = MatrixFromAngle(P(30, 89.8f, 50));
    VECTOR3D angles = AngleFromMatrix(nearPole);
    EXPECT_EQ(angles.x, 0.0f);
    EXPECT_NEAR(angles.z, 20.0f, 0.01f);
    ExpectMatrixNear(MatrixFromAngle(angles), nearPole, 0.01);
    // Rounding just past the pole gives no NaN.
    MATRIX past = MatrixFromAngle(P(0, 90, 0));
    past.m[2] = -std::nextafter(1.0, 2.0);
    ExpectVecNear(AngleFromMatrix(past), P(0, 90, 0), 1e-4f);
}

TEST(Matrices, LookAtListedCases) {
    ExpectMatrixNear(MatrixAngleBetweenVectors(P(2, 3, 4), P(2, 3, 4)), MATRIX(), 0.0);
    // Offsets whose squared length underflows cannot be normalised; they are
    // treated like equal points rather than giving a NaN or zero basis.
    ExpectMatrixNear(MatrixAngleBetweenVectors(P(1e-30f, 0, 0), P(0, 0, 0)), MATRIX(), 0.0);
    MATRIX steep = MatrixAngleBetweenVectors(P(1e-24f, 1, 0), P(0, 0, 0));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(VectorLength(Column(steep, c)), 1.0, 1e-6) << c;
    // Columns: side, up, direction.
    struct Case {
        VECTOR3D a, side, up, dir;
        float tol;
    } cases[] = {{P(1, 0, 0), P(0, 0, -1), P(0, 1, 0), P(1, 0, 0), 1e-6f},
                 {P(0, 5, 0), P(0, 0, -1), P(-1, 0, 0), P(0, 1, 0), 0.0f},
                 {P(0, -5, 0), P(0, 0, -1), P(1, 0, 0), P(0, -1, 0), 0.0f}};
    for (const Case& c : cases) {
        MATRIX m = MatrixAngleBetweenVectors(c.a, P(0, 0, 0));
        ExpectVecNear(Column(m, 0), c.side, c.tol);
        ExpectVecNear(Column(m, 1), c.up, c.tol);
        ExpectVecNear(Column(m, 2), c.dir, c.tol);
        EXPECT_EQ(m.m[3] + m.m[7] + m.m[11] + m.m[12] + m.m[13] + m.m[14], 0.0);
        EXPECT_EQ(m.m[15], 1.0);
    }
    // Any direction: right-handed, the side axis horizontal, up never down.
    VECTOR3D from = P(1, 1, 1);
    for (VECTOR3D target : {P(3, 1, -2), P(-0.5f, -4, 0.25f), P(0.001f, 9, 0), P(-7, 0, -7)}) {
        MATRIX m = MatrixAngleBetweenVectors(AddVectors(from, target), from);
        VECTOR3D side = Column(m, 0), up = Column(m, 1), dir = Column(m, 2);
        ExpectVecNear(dir, NormalizeVector(target), 1e-6f);
        ExpectVecNear(VectorCrossProduct(side, up), dir, 1e-5f);
        EXPECT_NEAR(VectorDotProduct(side, up), 0.0, 1e-6);
        EXPECT_NEAR(VectorLength(up), 1.0, 1e-6);
        EXPECT_NEAR(side.y, 0.0f, 1e-7f);
        EXPECT_GE(up.y, 0.0f);
    }
}

TEST(Quats, IdentityAndExactEquality) {
    QUAT q{1, 2, 3, 4};
    q.Identity();
    EXPECT_TRUE(q.IsEqualTo(QUAT{0, 0, 0, 1}));
    EXPECT_TRUE(RotationToQuat(P(0, 0, 0)).IsEqualTo(QUAT()));
    ExpectMatrixNear(QuatToRotationMatrix(q), MATRIX(), 0.0);
    EXPECT_FALSE(q.IsEqualTo(QUAT{0, 0, 0, -1}));
    EXPECT_FALSE(q.IsEqualTo(QUAT{1e-300, 0, 0, 1}));
}

TEST(Quats, EulerAndAxisFormsMatchRotate) {
    VECTOR3D p = P(0.3f, -1.2f, 2.5f);
    for (VECTOR3D a : {P(30, 0, 0), P(0, 0, 30), P(30, 40, 50), P(-120, 75, 200)}) {
        VECTOR3D turned = p;
        Rotate(&turned, a.x, a.y, a.z);
        ExpectVecNear(MatrixPointMultiply(QuatToRotationMatrix(RotationToQuat(a)), p), turned, 1e-5f);
        EXPECT_NEAR(Length(RotationToQuat(a)), 1.0, 1e-12);
    }
    ExpectQuatNear(RotationToQuat(P(0, 180, 0)), QUAT{0, 1, 0, 0}, 1e-15);
    // The axis form is not normalised.
    ExpectQuatNear(AxisAndAngleToQuat(P(0, 0, 1), kPi / 2), QUAT{0, 0, std::sqrt(0.5), std::sqrt(0.5)},
                   1e-15);
    EXPECT_DOUBLE_EQ(AxisAndAngleToQuat(P(0, 2, 0), 1.0).y, 2 * std::sin(0.5));
    ExpectQuatNear(AxisAndAngleToQuat(P(1, 0, 0), 40 * kPi / 180), RotationToQuat(P(40, 0, 0)), 1e-15);
}

TEST(Quats, MatrixRoundTripTakesBothBranchesAndReadsOnlyTheRotation) {
    // Trace > 0 and each largest-diagonal axis of the other branch: turns of
    // 180 degrees about x, y, z, a diagonal axis with a tie between m0 and m5,
    // and general turns beyond 120 degrees.
    for (const QUAT& q :
         {Unit(0.1, 0.2, 0.3, 0.9), QUAT{1, 0, 0, 0}, QUAT{0, 1, 0, 0}, QUAT{0, 0, 1, 0}, Unit(1, 1, 0, 0),
          Unit(0.6, -0.5, 0.4, 0.2), Unit(-0.2, 0.7, -0.6, 0.1), Unit(0.3, 0.2, -0.9, -0.05)}) {
        QUAT back = QuatFromMatrix(QuatToRotationMatrix(q));
        double dot = back.x * q.x + back.y * q.y + back.z * q.z + back.w * q.w;
        ExpectQuatNear(back, Scaled(q, dot < 0 ? -1 : 1), 1e-12);  // q and -q are the same turn
    }
    // The (0, 180, 0) matrix has trace -1 and gives (0, 1, 0, 0) again.
    MATRIX halfTurn = QuatToRotationMatrix(RotationToQuat(P(0, 180, 0)));
    EXPECT_LT(halfTurn.m[0] + halfTurn.m[5] + halfTurn.m[10], 0.0);
    ExpectQuatNear(QuatFromMatrix(halfTurn), QUAT{0, 1, 0, 0}, 1e-12);
    MATRIX m = MatrixAngleBetweenVectors(P(-3, 1, -2), P(0, 0, 0));
    QUAT plain = QuatFromMatrix(m);
    m.SetTranslation(P(100, -50, 7));
    m.m[3] = m.m[7] = m.m[11] = 9;
    m.m[15] = -4;
    EXPECT_TRUE(QuatFromMatrix(m).IsEqualTo(plain));
}

TEST(Quats, MultiplyAndInverse) {
    // a * b applies b first; general turns so that every term counts.
    QUAT a = RotationToQuat(P(20, -30, 10)), b = RotationToQuat(P(5, 35, -60));
    ExpectMatrixNear(QuatToRotationMatrix(MultiplyQuats(a, b)),
                     MultiplyMatrix(QuatToRotationMatrix(a), QuatToRotationMatrix(b)), 1e-12);
    QUAT c = Unit(0.3, -0.4, 0.5, 0.7);
    ExpectQuatNear(InverseQuat(c), QUAT{-c.x, -c.y, -c.z, c.w}, 0.0);
    ExpectQuatNear(MultiplyQuats(c, InverseQuat(c)), QUAT(), 1e-15);
    ExpectQuatNear(MultiplyQuats(QUAT{1, 0, 0, 0}, QUAT{0, 1, 0, 0}), QUAT{0, 0, 1, 0}, 0.0);  // i * j = k
}

TEST(Quats, SlerpEndsMiddleAndTheShorterArc) {
    const QUAT from, to = RotationToQuat(P(0, 0, 90)), negTo = Scaled(to, -1);
    const QUAT half = RotationToQuat(P(0, 0, 45));
    ExpectQuatNear(QuatSlerp(&from, &to, 0.0), from, 1e-15);
    ExpectQuatNear(QuatSlerp(&from, &to, 1.0), to, 1e-15);
    ExpectQuatNear(QuatSlerp(&from, &to, 0.5), half, 1e-15);
    // -to is the same rotation; the result at t = 1 is -(-to) = to and the
    // middle is the 45 degree turn, not a turn the long way round.
    ExpectQuatNear(QuatSlerp(&from, &negTo, 1.0), to, 1e-15);
    ExpectQuatNear(QuatSlerp(&from, &negTo, 0.5), half, 1e-15);
    // q with -q or with itself: every t gives q.
    QUAT q = Unit(0.2, -0.3, 0.4, 0.8), negQ = Scaled(q, -1);
    for (double t : {0.0, 0.25, 0.5, 1.0}) {
        ExpectQuatNear(QuatSlerp(&q, &negQ, t), q, 1e-15);
        ExpectQuatNear(QuatSlerp(&q, &q, t), q, 1e-15);
    }
    // 0.004 rad apart: cos of the half angle is 1 - 2e-6, inside the 1e-5
    // threshold, so the result is the plain blend, slightly shorter than 1.
    QUAT near = AxisAndAngleToQuat(P(0, 0, 1), 0.004);
    QUAT mid = QuatSlerp(&from, &near, 0.5);
    ExpectQuatNear(mid, QUAT{0, 0, 0.5 * near.z, 0.5 + 0.5 * near.w}, 1e-17);
    EXPECT_LT(Length(mid), 1.0 - 1e-7);
    // 0.01 rad apart is outside the threshold: a true slerp of unit length.
    QUAT apart = AxisAndAngleToQuat(P(0, 0, 1), 0.01);
    EXPECT_NEAR(Length(QuatSlerp(&from, &apart, 0.5)), 1.0, 1e-14);
}

}  // namespace
