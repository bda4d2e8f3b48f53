#include "maths/Misc.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

VECTOR3D MakePoint(float x, float y, float z) {
    return VECTOR3D{x, y, z};
}

point2d Make2DPoint(float x, float y) {
    return point2d{x, y};
}

COLOUR MakeColour(float r, float g, float b, float a) {
    return COLOUR{r, g, b, a};
}

double clamp(double value, double min, double max) {
    // Guards keep the wrapping loops finite: a step of 0 or less never moves
    // the value, an infinite or NaN value cannot be wrapped at all, and a
    // lower limit far beyond the step would take billions of steps to reach.
    const double far = max * 1048576.0;
    if (!(max > 0.0) || !std::isfinite(value) || !(std::fabs(min) <= far)) return value;
    // A value far outside the range has the same whole multiples of max taken
    // away by fmod, exactly, in one step.
    if (std::fabs(value) > far) value = std::fmod(value, max);
    while (min > value) value += max;
    while (value >= max) value -= max;
    return value;
}

namespace {

// One rotation step in the plane of (u, v): u' = c*u - s*v, v' = s*u + c*v,
// computed in double and stored as floats.
void TurnPair(float radians, float* u, float* v) {
    double c = std::cos(static_cast<double>(radians));
    double s = std::sin(static_cast<double>(radians));
    double u0 = *u, v0 = *v;
    *u = static_cast<float>(c * u0 - s * v0);
    *v = static_cast<float>(s * u0 + c * v0);
}

float ToRadians(float degrees) {
    return static_cast<float>(degrees * kPi / 180.0);
}

}  // namespace

void Rotate(VECTOR3D* p, float ax, float ay, float az) {
    if (ax == 0.0f && ay == 0.0f && az == 0.0f) return;
    float rx = ToRadians(ax);
    float ry = ToRadians(ay);
    float rz = ToRadians(az);
    if (rx != 0.0f) TurnPair(rx, &p->y, &p->z);
    // About y the pair is (z, x): x' = c*x + s*z, z' = c*z - s*x.
    if (ry != 0.0f) TurnPair(ry, &p->z, &p->x);
    if (rz != 0.0f) TurnPair(rz, &p->x, &p->y);
}

VECTOR3D CalculateNormal(VECTOR3D a, VECTOR3D b, VECTOR3D c) {
    return VectorCrossProduct(SubtractVectors(a, b), SubtractVectors(b, c));
}

std::string DebugFilePath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = (dir != nullptr && dir[0] != '\0') ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    return path + name;
}

namespace {

// Opens one of the debug files for appending; null when it cannot be opened.
FILE* OpenDebugFile(const char* name) {
    return std::fopen(DebugFilePath(name).c_str(), "a");
}

}  // namespace

void DEBUG(double value) {
    FILE* f = OpenDebugFile("debug.txt");
    if (f == nullptr) return;
    std::fprintf(f, "%f\n", value);
    std::fclose(f);
}

void DEBUGstr(const char* text) {
    FILE* f = OpenDebugFile("debug.txt");
    if (f == nullptr) return;
    std::fprintf(f, "%s\n", text != nullptr ? text : "");
    std::fclose(f);
}

void DEBUGp3d(VECTOR3D p) {
    FILE* f = OpenDebugFile("debug.txt");
    if (f == nullptr) return;
    std::fprintf(f, "%f,%f,%f\n", p.x, p.y, p.z);
    std::fclose(f);
}

void SaveMatrix(const MATRIX& m) {
    FILE* f = OpenDebugFile("test.txt");
    if (f == nullptr) return;
    std::fprintf(f, "\n");
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) std::fprintf(f, "%4.5f ", m.m[4 * i + j]);
        std::fprintf(f, "\n");
    }
    std::fclose(f);
}
