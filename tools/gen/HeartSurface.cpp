#include "tools/gen/HeartSurface.h"

#include <algorithm>
#include <cmath>

float HeartField(VECTOR3D p, float depth) {
    float x = p.x, y = p.y, z = p.z / depth;
    float a = x * x + 2.25f * z * z + y * y - 1.0f;
    return a * a * a - x * x * y * y * y - 0.1125f * z * z * y * y * y;
}

VECTOR3D HeartSurfacePoint(VECTOR3D d, float depth) {
    // The heart is star-shaped about the origin: march out to the first
    // point outside, then halve the bracket.
    float inside = 0.0f, outside = 0.02f;
    while (HeartField(Mul(d, outside), depth) < 0.0f && outside < 4.0f) {
        inside = outside;
        outside += 0.02f;
    }
    for (int i = 0; i < 40; ++i) {
        float mid = 0.5f * (inside + outside);
        if (HeartField(Mul(d, mid), depth) < 0.0f)
            inside = mid;
        else
            outside = mid;
    }
    return Mul(d, 0.5f * (inside + outside));
}

namespace {

// Ray direction for (u, v): u around the vertical axis starting at the
// front, v from straight up (the dimple) to straight down (the point).
// Rings gather a little towards the top, where the lobes curve most.
VECTOR3D RayDirection(float u, float v) {
    float th = static_cast<float>(kPi) * (0.82f * v + 0.18f * v * v);
    float ph = 2.0f * static_cast<float>(kPi) * u;
    return V3(std::sin(th) * std::sin(ph), std::cos(th), std::sin(th) * std::cos(ph));
}

}  // namespace

MeshPart HeartMesh(int around, int down, float depth, float width, const UvFn& uv) {
    VECTOR3D lo = V3(1e9f, 1e9f, 1e9f), hi = V3(-1e9f, -1e9f, -1e9f);
    for (int j = 0; j <= 4 * down; ++j) {
        for (int i = 0; i < 4 * around; ++i) {
            VECTOR3D p = HeartSurfacePoint(
                RayDirection(static_cast<float>(i) / (4 * around), static_cast<float>(j) / (4 * down)),
                depth);
            lo = V3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
            hi = V3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
        }
    }
    VECTOR3D centre = Mul(Add(lo, hi), 0.5f);
    centre.x = 0.0f;  // symmetric: keep it exactly on the axis
    centre.z = 0.0f;
    float k = width / (hi.x - lo.x);
    return ClosedPatch(
        around, down,
        [=](float u, float v) {
            // The field is flat to third order at the point and the dimple,
            // where the rays of the poles meet it: march one ray for each pole
            // so that its copies land on exactly the same spot.
            if (v <= 0.0f || v >= 1.0f) u = 0.0f;
            return Mul(Sub(HeartSurfacePoint(RayDirection(u, v), depth), centre), k);
        },
        uv);
}
