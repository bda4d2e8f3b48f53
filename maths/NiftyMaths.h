// Vectors, 4x4 matrices and quaternions: the 3-D vocabulary of the scene.
//
// Vector arithmetic is in 32-bit floats, matrix and quaternion arithmetic in
// doubles; where an operation widens its float inputs the comment says so.
// Angles are in degrees unless the name or comment says radians.
#pragma once

struct VECTOR3D {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    // Divides by the float length; the zero vector is left as it is.
    void Normalize();
};

struct point2d {
    float x = 0.0f;
    float y = 0.0f;
};

// Red, green, blue, alpha.
struct COLOUR {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// Sixteen doubles in OpenGL's column-major order: element 4c + r is row r,
// column c, the translation is in m[12], m[13], m[14]. The array can be
// handed unchanged to glMultMatrixd.
struct MATRIX {
    double m[16];

    MATRIX() { Identity(); }
    void Identity();
    void Zero();
    // m12..m14 = v; every other element is kept.
    void SetTranslation(VECTOR3D v);
};

// x, y, z vector part, w scalar part; constructed as the identity rotation.
struct QUAT {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;

    void Identity();
    bool IsEqualTo(const QUAT& q) const;
};

constexpr double kPi = 3.141592653589793;
constexpr double kRadToDeg = 57.29577951308232;

// Vectors.
VECTOR3D AddVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D SubtractVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D MultiplyVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D DivideVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D ScaleVector(VECTOR3D v, double s);       // in double
double VectorDotProduct(VECTOR3D a, VECTOR3D b);  // summed in float
VECTOR3D VectorCrossProduct(VECTOR3D a, VECTOR3D b);
double VectorLengthNOSQRT(VECTOR3D v);  // summed in float
double VectorLength(VECTOR3D v);        // sqrt in double of a float sum
// Squared distance, summed in float: callers compare it with squared limits.
double DistanceBetweenVectors(VECTOR3D a, VECTOR3D b);
VECTOR3D NormalizeVector(VECTOR3D v);         // divides in double
bool CompareVectors(VECTOR3D a, VECTOR3D b);  // exact, +0 == -0

// Matrices.
MATRIX MultiplyMatrix(const MATRIX& a, const MATRIX& b);  // a * b: b applies first
MATRIX AddMatrix(const MATRIX& a, const MATRIX& b);
MATRIX SubtractMatrix(const MATRIX& a, const MATRIX& b);
MATRIX TransposeMatrix(const MATRIX& a);
// Rz(-c) * Ry(b) * Rx(-a) for angles (a, b, c).
MATRIX MatrixFromAngle(VECTOR3D angles);
// The angles MatrixFromAngle needs for m's rotation, each in [0, 360).
VECTOR3D AngleFromMatrix(const MATRIX& m);
// Look-at rotation whose z axis points from b toward a.
MATRIX MatrixAngleBetweenVectors(VECTOR3D a, VECTOR3D b);

// Point transforms: p is widened to double, results narrowed to float.
VECTOR3D MatrixPointMultiply(const MATRIX& m, VECTOR3D p);
VECTOR3D MatrixRotatePoint(const MATRIX& m, VECTOR3D p);
VECTOR3D MatrixInverseRotatePoint(const MATRIX& m, VECTOR3D p);
VECTOR3D MatrixTranslatePoint(const MATRIX& m, VECTOR3D p);
VECTOR3D MatrixInverseTranslatePoint(const MATRIX& m, VECTOR3D p);

// Quaternions (all in double).
QUAT RotationToQuat(VECTOR3D angles);  // Rz(z) * Ry(y) * Rx(x)
QUAT AxisAndAngleToQuat(VECTOR3D axis, double radians);
MATRIX QuatToRotationMatrix(const QUAT& q);
QUAT QuatFromMatrix(const MATRIX& m);
QUAT QuatSlerp(const QUAT* from, const QUAT* to, double t);
QUAT MultiplyQuats(const QUAT& a, const QUAT& b);
QUAT InverseQuat(const QUAT& q);
