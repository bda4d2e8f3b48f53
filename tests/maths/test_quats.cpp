// Quaternions: conversions both ways, the non-trace branch of QuatFromMatrix
// and the branches of QuatSlerp.
#include <gtest/gtest.h>

#include <cmath>

#include "maths/Misc.h"
#include "maths/NiftyMaths.h"

namespace {

QUAT Q(double x, double y, double z, double w) {
    QUAT q;
    q.x = x;
    q.y = y;
    q.z = z;
    q.w = w;
    return q;
}

void ExpectQuatNear(const QUAT& q, const QUAT& want, double tol) {
    EXPECT_NEAR(q.x, want.x, tol);
    EXPECT_NEAR(q.y, want.y, tol);
    EXPECT_NEAR(q.z, want.z, tol);
    EXPECT_NEAR(q.w, want.w, tol);
}

// q or -q: both are the same rotation.
void ExpectSameRotation(const QUAT& q, const QUAT& want, double tol) {
    double sign = (q.x * want.x + q.y * want.y + q.z * want.z + q.w * want.w) < 0 ? -1.0 : 1.0;
    ExpectQuatNear(q, Q(sign * want.x, sign * want.y, sign * want.z, sign * want.w), tol);
}

double Length(const QUAT& q) {
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

QUAT Unit(double x, double y, double z, double w) {
    double l = std::sqrt(x * x + y * y + z * z + w * w);
    return Q(x / l, y / l, z / l, w / l);
}

TEST(Quats, IdentityEverywhere) {
    QUAT q;
    EXPECT_TRUE(q.IsEqualTo(Q(0, 0, 0, 1)));
    EXPECT_TRUE(RotationToQuat(MakePoint(0, 0, 0)).IsEqualTo(q));
    MATRIX m = QuatToRotationMatrix(q);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], MATRIX().m[i]) << i;
    q = Q(1, 2, 3, 4);
    q.Identity();
    EXPECT_TRUE(q.IsEqualTo(QUAT()));
    EXPECT_FALSE(q.IsEqualTo(Q(0, 0, 0, -1)));
    EXPECT_FALSE(q.IsEqualTo(Q(1e-300, 0, 0, 1)));
}

TEST(Quats, RotationToQuatMatchesRotate) {
    const VECTOR3D angles[] = {MakePoint(30, 0, 0), MakePoint(0, 0, 30), MakePoint(30, 40, 50),
                               MakePoint(-120, 75, 200)};
    VECTOR3D p = MakePoint(0.3f, -1.2f, 2.5f);
    for (VECTOR3D a : angles) {
        VECTOR3D turned = p;
        Rotate(&turned, a.x, a.y, a.z);
        VECTOR3D viaQuat = MatrixPointMultiply(QuatToRotationMatrix(RotationToQuat(a)), p);
        EXPECT_NEAR(viaQuat.x, turned.x, 1e-5f);
        EXPECT_NEAR(viaQuat.y, turned.y, 1e-5f);
        EXPECT_NEAR(viaQuat.z, turned.z, 1e-5f);
        EXPECT_NEAR(Length(RotationToQuat(a)), 1.0, 1e-12);
    }
    ExpectQuatNear(RotationToQuat(MakePoint(0, 180, 0)), Q(0, 1, 0, 0), 1e-15);
}

TEST(Quats, AxisAndAngleIsNotNormalised) {
    ExpectQuatNear(AxisAndAngleToQuat(MakePoint(0, 0, 1), kPi / 2), Q(0, 0, std::sqrt(0.5), std::sqrt(0.5)),
                   1e-15);
    QUAT longer = AxisAndAngleToQuat(MakePoint(0, 2, 0), 1.0);
    EXPECT_GT(Length(longer), 1.0);
    EXPECT_DOUBLE_EQ(longer.y, 2 * std::sin(0.5));
    // Same rotation as the Euler-angle form.
    ExpectQuatNear(AxisAndAngleToQuat(MakePoint(1, 0, 0), 40 * kPi / 180),
                   RotationToQuat(MakePoint(40, 0, 0)), 1e-15);
}

TEST(Quats, MatrixRoundTripTakesBothBranches) {
    // Trace > 0 and each largest-diagonal axis of the other branch: turns of
    // 180 degrees about x, y, z, a diagonal axis with a tie between m0 and m5,
    // and general turns beyond 120 degrees.
    const QUAT cases[] = {Unit(0.1, 0.2, 0.3, 0.9),
                          Q(1, 0, 0, 0),
                          Q(0, 1, 0, 0),
                          Q(0, 0, 1, 0),
                          Unit(1, 1, 0, 0),
                          Unit(0.6, -0.5, 0.4, 0.2),
                          Unit(-0.2, 0.7, -0.6, 0.1),
                          Unit(0.3, 0.2, -0.9, -0.05)};
    for (const QUAT& q : cases) {
        QUAT back = QuatFromMatrix(QuatToRotationMatrix(q));
        ExpectSameRotation(back, q, 1e-12);
    }
    // The (0, 180, 0) matrix has trace -1 and gives (0, 1, 0, 0) again.
    MATRIX halfTurn = QuatToRotationMatrix(RotationToQuat(MakePoint(0, 180, 0)));
    EXPECT_LT(halfTurn.m[0] + halfTurn.m[5] + halfTurn.m[10], 0.0);
    ExpectQuatNear(QuatFromMatrix(halfTurn), Q(0, 1, 0, 0), 1e-12);
}

TEST(Quats, QuatFromMatrixReadsOnlyTheRotation) {
    MATRIX m = MatrixAngleBetweenVectors(MakePoint(-3, 1, -2), MakePoint(0, 0, 0));
    QUAT plain = QuatFromMatrix(m);
    m.SetTranslation(MakePoint(100, -50, 7));
    m.m[3] = m.m[7] = m.m[11] = 9;
    m.m[15] = -4;
    EXPECT_TRUE(QuatFromMatrix(m).IsEqualTo(plain));
    // The quaternion turns +z toward the target just as the matrix does.
    VECTOR3D z = MatrixRotatePoint(QuatToRotationMatrix(plain), MakePoint(0, 0, 1));
    VECTOR3D want = NormalizeVector(MakePoint(-3, 1, -2));
    EXPECT_NEAR(z.x, want.x, 1e-6f);
    EXPECT_NEAR(z.y, want.y, 1e-6f);
    EXPECT_NEAR(z.z, want.z, 1e-6f);
}

TEST(Quats, MultiplyAndInverse) {
    QUAT a = RotationToQuat(MakePoint(20, 0, 0)), b = RotationToQuat(MakePoint(0, 35, 0));
    // a * b applies b first: Rx(20) * Ry(35).
    MATRIX want = MultiplyMatrix(QuatToRotationMatrix(a), QuatToRotationMatrix(b));
    MATRIX got = QuatToRotationMatrix(MultiplyQuats(a, b));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.m[i], want.m[i], 1e-12) << i;
    QUAT c = Unit(0.3, -0.4, 0.5, 0.7);
    ExpectQuatNear(InverseQuat(c), Q(-c.x, -c.y, -c.z, c.w), 0.0);
    ExpectQuatNear(MultiplyQuats(c, InverseQuat(c)), QUAT(), 1e-15);
    ExpectQuatNear(MultiplyQuats(Q(1, 0, 0, 0), Q(0, 1, 0, 0)), Q(0, 0, 1, 0), 0.0);  // i * j = k
}

TEST(Quats, SlerpEndsAndMiddle) {
    QUAT from = RotationToQuat(MakePoint(0, 0, 0));
    QUAT to = RotationToQuat(MakePoint(0, 0, 90));
    ExpectQuatNear(QuatSlerp(&from, &to, 0.0), from, 1e-15);
    ExpectQuatNear(QuatSlerp(&from, &to, 1.0), to, 1e-15);
    QUAT mid = QuatSlerp(&from, &to, 0.5);
    ExpectQuatNear(mid, RotationToQuat(MakePoint(0, 0, 45)), 1e-15);
    EXPECT_NEAR(Length(mid), 1.0, 1e-15);
    // Inputs are read, not changed.
    EXPECT_TRUE(from.IsEqualTo(QUAT()));
    EXPECT_TRUE(to.IsEqualTo(RotationToQuat(MakePoint(0, 0, 90))));
}

TEST(Quats, SlerpTakesTheShorterArc) {
    QUAT from = RotationToQuat(MakePoint(0, 0, 0));
    QUAT to = RotationToQuat(MakePoint(0, 0, 90));
    QUAT negTo = Q(-to.x, -to.y, -to.z, -to.w);
    // -to is the same rotation; the result at t = 1 is -(-to) = to and the
    // middle is the 45 degree turn, not a turn the long way round.
    ExpectQuatNear(QuatSlerp(&from, &negTo, 1.0), to, 1e-15);
    ExpectQuatNear(QuatSlerp(&from, &negTo, 0.5), RotationToQuat(MakePoint(0, 0, 45)), 1e-15);
    // q and -q: the second is negated, the two coincide and every t gives q.
    QUAT q = Unit(0.2, -0.3, 0.4, 0.8);
    QUAT negQ = Q(-q.x, -q.y, -q.z, -q.w);
    for (double t : {0.0, 0.25, 0.5, 1.0}) ExpectQuatNear(QuatSlerp(&q, &negQ, t), q, 1e-15);
}

TEST(Quats, SlerpOfNearlyEqualBlendsLinearly) {
    QUAT q = Unit(0.2, -0.3, 0.4, 0.8);
    for (double t : {0.0, 0.3, 1.0}) ExpectQuatNear(QuatSlerp(&q, &q, t), q, 1e-15);
    // 0.004 rad apart: cos of the half angle is 1 - 2e-6, inside the 1e-5
    // threshold, so the result is the plain blend, slightly shorter than 1.
    QUAT from;
    QUAT to = AxisAndAngleToQuat(MakePoint(0, 0, 1), 0.004);
    QUAT mid = QuatSlerp(&from, &to, 0.5);
    ExpectQuatNear(mid, Q(0, 0, 0.5 * to.z, 0.5 + 0.5 * to.w), 1e-17);
    EXPECT_LT(Length(mid), 1.0 - 1e-7);
    // 0.01 rad apart is outside the threshold: a true slerp of unit length.
    to = AxisAndAngleToQuat(MakePoint(0, 0, 1), 0.01);
    EXPECT_NEAR(Length(QuatSlerp(&from, &to, 0.5)), 1.0, 1e-14);
}

}  // namespace
