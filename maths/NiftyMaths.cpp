#include "maths/NiftyMaths.h"

#include <cmath>

#include "maths/Misc.h"

namespace {

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

// Element of m in row r, column c.
double At(const MATRIX& m, int r, int c) {
    return m.m[4 * c + r];
}

VECTOR3D Narrow(double x, double y, double z) {
    return VECTOR3D{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

}  // namespace

void VECTOR3D::Normalize() {
    float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
}

void MATRIX::Identity() {
    Zero();
    m[0] = m[5] = m[10] = m[15] = 1.0;
}

void MATRIX::Zero() {
    for (double& e : m) e = 0.0;
}

void MATRIX::SetTranslation(VECTOR3D v) {
    m[12] = v.x;
    m[13] = v.y;
    m[14] = v.z;
}

void QUAT::Identity() {
    x = y = z = 0.0;
    w = 1.0;
}

bool QUAT::IsEqualTo(const QUAT& q) const {
    return x == q.x && y == q.y && z == q.z && w == q.w;
}

VECTOR3D AddVectors(VECTOR3D a, VECTOR3D b) {
    return VECTOR3D{a.x + b.x, a.y + b.y, a.z + b.z};
}

VECTOR3D SubtractVectors(VECTOR3D a, VECTOR3D b) {
    return VECTOR3D{a.x - b.x, a.y - b.y, a.z - b.z};
}

VECTOR3D MultiplyVectors(VECTOR3D a, VECTOR3D b) {
    return VECTOR3D{a.x * b.x, a.y * b.y, a.z * b.z};
}

VECTOR3D DivideVectors(VECTOR3D a, VECTOR3D b) {
    return VECTOR3D{a.x / b.x, a.y / b.y, a.z / b.z};
}

VECTOR3D ScaleVector(VECTOR3D v, double s) {
    return Narrow(static_cast<double>(v.x) * s, static_cast<double>(v.y) * s, static_cast<double>(v.z) * s);
}

double VectorDotProduct(VECTOR3D a, VECTOR3D b) {
    float sum = a.x * b.x + a.y * b.y + a.z * b.z;
    return sum;
}

VECTOR3D VectorCrossProduct(VECTOR3D a, VECTOR3D b) {
    return VECTOR3D{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double VectorLengthNOSQRT(VECTOR3D v) {
    float sum = v.x * v.x + v.y * v.y + v.z * v.z;
    return sum;
}

double VectorLength(VECTOR3D v) {
    return std::sqrt(VectorLengthNOSQRT(v));
}

double DistanceBetweenVectors(VECTOR3D a, VECTOR3D b) {
    float dx = a.x - b.x;
    float dy = a.y - b.y;
    float dz = a.z - b.z;
    float sum = dx * dx + dy * dy + dz * dz;
    return sum;
}

// A zero-length vector has no direction: it is returned as it is rather than
// turned into NaNs.
VECTOR3D NormalizeVector(VECTOR3D v) {
    double length = VectorLength(v);
    if (length == 0.0) return v;
    return Narrow(v.x / length, v.y / length, v.z / length);
}

bool CompareVectors(VECTOR3D a, VECTOR3D b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

MATRIX MultiplyMatrix(const MATRIX& a, const MATRIX& b) {
    MATRIX r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += At(a, row, k) * At(b, k, col);
            r.m[4 * col + row] = sum;
        }
    }
    return r;
}

MATRIX AddMatrix(const MATRIX& a, const MATRIX& b) {
    MATRIX r;
    for (int i = 0; i < 16; ++i) r.m[i] = a.m[i] + b.m[i];
    return r;
}

MATRIX SubtractMatrix(const MATRIX& a, const MATRIX& b) {
    MATRIX r;
    for (int i = 0; i < 16; ++i) r.m[i] = a.m[i] - b.m[i];
    return r;
}

MATRIX TransposeMatrix(const MATRIX& a) {
    MATRIX r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) r.m[4 * col + row] = At(a, col, row);
    }
    return r;
}

MATRIX MatrixFromAngle(VECTOR3D angles) {
    double a = Radians(angles.x);
    double b = Radians(angles.y);
    double c = Radians(angles.z);
    double ca = std::cos(a), sa = std::sin(a);
    double cb = std::cos(b), sb = std::sin(b);
    double cc = std::cos(c), sc = std::sin(c);

    MATRIX r;
    r.m[0] = cb * cc;
    r.m[1] = -cb * sc;
    r.m[2] = -sb;
    r.m[4] = ca * sc - sa * sb * cc;
    r.m[5] = sa * sb * sc + ca * cc;
    r.m[6] = -sa * cb;
    r.m[8] = ca * sb * cc + sa * sc;
    r.m[9] = sa * cc - ca * sb * sc;
    r.m[10] = ca * cb;
    return r;
}

VECTOR3D AngleFromMatrix(const MATRIX& m) {
    // Rounding can carry m2 of a rotation a hair past +-1; asin would then
    // give NaN for every angle.
    double sinY = std::fmax(-1.0, std::fmin(1.0, m.m[2]));
    float y = static_cast<float>(-std::asin(sinY));
    double cosY = std::cos(y);
    double x, z;
    if (std::fabs(cosY) > 0.005) {
        x = std::atan2(-m.m[6] / cosY, m.m[10] / cosY);
        z = std::atan2(-m.m[1] / cosY, m.m[0] / cosY);
    } else {
        // Gimbal lock: x and z turn about the same axis, so x is fixed at 0
        // and z carries the whole turn.
        x = 0.0;
        z = std::atan2(m.m[4], m.m[5]);
    }
    float degX = static_cast<float>(x * kRadToDeg);
    float degY = static_cast<float>(y * kRadToDeg);
    float degZ = static_cast<float>(z * kRadToDeg);
    return Narrow(clamp(degX, 0, 360), clamp(degY, 0, 360), clamp(degZ, 0, 360));
}

MATRIX MatrixAngleBetweenVectors(VECTOR3D a, VECTOR3D b) {
    // Tests on the float squared length (rather than on exact zeros) also
    // catch vectors too short to normalise, which would give a NaN basis.
    VECTOR3D d = SubtractVectors(a, b);
    if (VectorLengthNOSQRT(d) == 0.0) d = VECTOR3D{0.0f, 0.0f, 1.0f};
    d = NormalizeVector(d);

    VECTOR3D up{0.0f, 1.0f, 0.0f};
    if (d.x * d.x + d.z * d.z == 0.0f) up = VECTOR3D{-d.y, 0.0f, 0.0f};
    VECTOR3D side = NormalizeVector(VectorCrossProduct(up, d));
    VECTOR3D u = NormalizeVector(VectorCrossProduct(side, d));

    MATRIX r;
    r.Zero();
    r.m[0] = side.x;
    r.m[1] = side.y;
    r.m[2] = side.z;
    r.m[4] = -u.x;
    r.m[5] = -u.y;
    r.m[6] = -u.z;
    r.m[8] = d.x;
    r.m[9] = d.y;
    r.m[10] = d.z;
    r.m[15] = 1.0;
    return r;
}

VECTOR3D MatrixPointMultiply(const MATRIX& m, VECTOR3D p) {
    double x = p.x, y = p.y, z = p.z;
    return Narrow(m.m[0] * x + m.m[4] * y + m.m[8] * z + m.m[12],
                  m.m[1] * x + m.m[5] * y + m.m[9] * z + m.m[13],
                  m.m[2] * x + m.m[6] * y + m.m[10] * z + m.m[14]);
}

VECTOR3D MatrixRotatePoint(const MATRIX& m, VECTOR3D p) {
    double x = p.x, y = p.y, z = p.z;
    return Narrow(m.m[0] * x + m.m[4] * y + m.m[8] * z, m.m[1] * x + m.m[5] * y + m.m[9] * z,
                  m.m[2] * x + m.m[6] * y + m.m[10] * z);
}

VECTOR3D MatrixInverseRotatePoint(const MATRIX& m, VECTOR3D p) {
    double x = p.x, y = p.y, z = p.z;
    return Narrow(m.m[0] * x + m.m[1] * y + m.m[2] * z, m.m[4] * x + m.m[5] * y + m.m[6] * z,
                  m.m[8] * x + m.m[9] * y + m.m[10] * z);
}

VECTOR3D MatrixTranslatePoint(const MATRIX& m, VECTOR3D p) {
    return Narrow(p.x + m.m[12], p.y + m.m[13], p.z + m.m[14]);
}

VECTOR3D MatrixInverseTranslatePoint(const MATRIX& m, VECTOR3D p) {
    return Narrow(p.x - m.m[12], p.y - m.m[13], p.z - m.m[14]);
}

QUAT RotationToQuat(VECTOR3D angles) {
    double hx = Radians(angles.x) * 0.5;
    double hy = Radians(angles.y) * 0.5;
    double hz = Radians(angles.z) * 0.5;
    double sx = std::sin(hx), cx = std::cos(hx);
    double sy = std::sin(hy), cy = std::cos(hy);
    double sz = std::sin(hz), cz = std::cos(hz);

    QUAT q;
    q.x = cz * sx * cy - sz * cx * sy;
    q.y = cz * cx * sy + sz * sx * cy;
    q.z = sz * cx * cy - cz * sx * sy;
    q.w = cz * cx * cy + sz * sx * sy;
    return q;
}

QUAT AxisAndAngleToQuat(VECTOR3D axis, double radians) {
    double h = radians / 2.0;
    double s = std::sin(h);
    QUAT q;
    q.x = axis.x * s;
    q.y = axis.y * s;
    q.z = axis.z * s;
    q.w = std::cos(h);
    return q;
}

MATRIX QuatToRotationMatrix(const QUAT& q) {
    double x = q.x, y = q.y, z = q.z, w = q.w;
    MATRIX r;
    r.m[0] = 1.0 - 2.0 * (y * y + z * z);
    r.m[1] = 2.0 * (x * y + z * w);
    r.m[2] = 2.0 * (x * z - y * w);
    r.m[4] = 2.0 * (x * y - z * w);
    r.m[5] = 1.0 - 2.0 * (x * x + z * z);
    r.m[6] = 2.0 * (y * z + x * w);
    r.m[8] = 2.0 * (x * z + y * w);
    r.m[9] = 2.0 * (y * z - x * w);
    r.m[10] = 1.0 - 2.0 * (x * x + y * y);
    return r;
}

QUAT QuatFromMatrix(const MATRIX& m) {
    const double* e = m.m;
    QUAT q;
    double trace = e[0] + e[5] + e[10];
    if (trace > 0.0) {
        double s = std::sqrt(trace + 1.0);
        double f = 0.5 / s;
        q.w = s / 2.0;
        q.x = (e[6] - e[9]) * f;
        q.y = (e[8] - e[2]) * f;
        q.z = (e[1] - e[4]) * f;
        return q;
    }

    // Work from the largest diagonal element so that s stays well away from 0.
    int i = 0;
    if (e[5] > e[0]) i = 1;
    if (e[10] > e[5 * i]) i = 2;
    int j = (i + 1) % 3;
    int k = (j + 1) % 3;

    double v[3];
    double s = std::sqrt(e[5 * i] - (e[5 * j] + e[5 * k]) + 1.0);
    v[i] = s / 2.0;
    double f = (s == 0.0) ? 0.0 : 0.5 / s;
    q.w = (e[4 * j + k] - e[4 * k + j]) * f;
    v[j] = (e[4 * i + j] + e[4 * j + i]) * f;
    v[k] = (e[4 * i + k] + e[4 * k + i]) * f;
    q.x = v[0];
    q.y = v[1];
    q.z = v[2];
    return q;
}

QUAT QuatSlerp(const QUAT* from, const QUAT* to, double t) {
    QUAT other = *to;
    double cosom = from->x * other.x + from->y * other.y + from->z * other.z + from->w * other.w;
    if (cosom < 0.0) {
        // Take the shorter arc: -q is the same rotation as q.
        cosom = -cosom;
        other.x = -other.x;
        other.y = -other.y;
        other.z = -other.z;
        other.w = -other.w;
    }

    double s0, s1;
    if (1.0 - cosom > 0.00001) {
        double omega = std::acos(cosom);
        double sinom = std::sin(omega);
        s0 = std::sin((1.0 - t) * omega) / sinom;
        s1 = std::sin(t * omega) / sinom;
    } else {
        // Nearly the same rotation: a straight blend avoids dividing by ~0.
        s0 = 1.0 - t;
        s1 = t;
    }

    QUAT r;
    r.x = s0 * from->x + s1 * other.x;
    r.y = s0 * from->y + s1 * other.y;
    r.z = s0 * from->z + s1 * other.z;
    r.w = s0 * from->w + s1 * other.w;
    return r;
}

QUAT MultiplyQuats(const QUAT& a, const QUAT& b) {
    QUAT r;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
    r.z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
    return r;
}

QUAT InverseQuat(const QUAT& q) {
    QUAT r;
    r.x = -q.x;
    r.y = -q.y;
    r.z = -q.z;
    r.w = q.w;
    return r;
}
