#include "tools/gen/Shapes.h"

#include <algorithm>
#include <cmath>

float Clamp01(float x) {
    return std::clamp(x, 0.0f, 1.0f);
}

float Smoothstep(float edge0, float edge1, float x) {
    float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

namespace {

float Dot2(float x, float y) {
    return x * x + y * y;
}

// Heart with its point at the origin and lobes above (y up), the lobes'
// circles centred at (+-0.25, 0.75) with radius sqrt(2)/4: exact distance.
float UnitHeart(float px, float py) {
    px = std::fabs(px);
    if (py + px > 1.0f) return std::sqrt(Dot2(px - 0.25f, py - 0.75f)) - std::sqrt(2.0f) / 4.0f;
    float m = 0.5f * std::max(px + py, 0.0f);
    float d = std::min(Dot2(px, py - 1.0f), Dot2(px - m, py - m));
    return std::sqrt(d) * (px - py > 0.0f ? 1.0f : -1.0f);
}

}  // namespace

float HeartDistance(float x, float y, float cx, float cy, float size) {
    // The unit heart spans y 0..1.1; centre it and flip y (pictures grow down).
    float ux = (x - cx) / size;
    float uy = (cy - y) / size + 0.55f;
    return UnitHeart(ux, uy) * size;
}

float CircleDistance(float x, float y, float cx, float cy, float radius) {
    return std::sqrt(Dot2(x - cx, y - cy)) - radius;
}

float RoundedBoxDistance(float x, float y, float cx, float cy, float hw, float hh, float radius) {
    float qx = std::fabs(x - cx) - (hw - radius);
    float qy = std::fabs(y - cy) - (hh - radius);
    float outside = std::sqrt(Dot2(std::max(qx, 0.0f), std::max(qy, 0.0f)));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SegmentDistance(float x, float y, float ax, float ay, float bx, float by, float radius) {
    float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    float h = Clamp01((pax * bax + pay * bay) / Dot2(bax, bay));
    return std::sqrt(Dot2(pax - bax * h, pay - bay * h)) - radius;
}

float SparkleDistance(float x, float y, float cx, float cy, float radius) {
    float dx = std::fabs(x - cx) / radius;
    float dy = std::fabs(y - cy) / radius;
    // Two slim diamonds; concave sides from the power below one.
    float a = std::pow(dx, 0.6f) + std::pow(dy * 4.0f, 0.6f);
    float b = std::pow(dx * 4.0f, 0.6f) + std::pow(dy, 0.6f);
    return (std::min(a, b) - 1.0f) * radius * 0.5f;
}
