#include "tools/gen/ObjectModels.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/HeartSurface.h"

namespace {

using A = ArrowAtlas;

constexpr float kShaftRadius = 0.016f;
constexpr float kHeadWidth = 0.17f;
constexpr float kFletchFront = -1.12f;
constexpr float kFletchBack = -1.42f;
constexpr float kNockLength = 0.06f;

// The head: a small puffy heart whose point is the arrow's tip, at the
// origin, its lobes towards the shaft and its faces up and down.
MeshPart ArrowHead(int material) {
    MeshPart head =
        HeartMesh(10, 8, 0.55f, kHeadWidth, UvRect(A::kHeadS0, A::kHeadT0, A::kHeadS1, A::kHeadT1));
    MATRIX turn = QuatToRotationMatrix(RotationToQuat(V3(-90.0f, 0.0f, 0.0f)));  // point (-y) to +z
    TransformPart(&head, turn);
    float tip = -1e9f;
    for (const auto& v : head.vertices) tip = std::max(tip, v.pos.z);
    MATRIX shift;
    shift.SetTranslation(V3(0.0f, 0.0f, -tip));
    TransformPart(&head, shift);
    head.name = "arrowhead";
    head.material = material;
    return head;
}

MeshPart Shaft(int material) {
    std::vector<VECTOR3D> points = {V3(0, 0, -0.10f), V3(0, 0, -0.8f), V3(0, 0, -kArrowLength + kNockLength)};
    std::vector<float> radii = {kShaftRadius, kShaftRadius, kShaftRadius};
    MeshPart shaft =
        Tube(RingsAlong(points, radii, V3(0, 1, 0)), 6, [](float u, float v, float* s, float* t) {
            *s = A::kWoodS0 + (A::kWoodS1 - A::kWoodS0) * v;  // grain along the shaft
            *t = A::kWoodT0 + (A::kWoodT1 - A::kWoodT0) * u;
        });
    shaft.name = "shaft";
    shaft.material = material;
    return shaft;
}

MeshPart Nock(int material) {
    std::vector<VECTOR3D> points = {V3(0, 0, -kArrowLength + kNockLength + 0.012f),
                                    V3(0, 0, -kArrowLength + 0.012f)};
    std::vector<float> radii = {kShaftRadius * 1.35f, kShaftRadius * 1.35f};
    MeshPart nock = Tube(RingsAlong(points, radii, V3(0, 1, 0)), 6,
                         UvRect(A::kGoldS0, A::kGoldT0, A::kGoldS1, A::kGoldT1));
    nock.name = "nock";
    nock.material = material;
    return nock;
}

// One feather vane in the plane of the shaft and the radial direction
// `out`: a rounded blade, taller towards the back, its foot in the shaft.
MeshPart Vane(VECTOR3D out, int material) {
    std::vector<point2d> outline;
    const int steps = 48;
    float len = kFletchFront - kFletchBack;  // positive
    float foot = kShaftRadius * 0.5f;
    for (int i = 0; i < steps; ++i) {
        float a = 2.0f * static_cast<float>(kPi) * i / steps;
        float c = std::cos(a), s = std::sin(a);
        // A superellipse: straight-ish sides with round corners.
        float x = 0.5f * len * (1.0f + std::copysign(std::pow(std::fabs(c), 0.8f), c));
        float t = x / len;
        float height = 0.028f + 0.03f * t;
        float y = foot + height * (1.0f + std::copysign(std::pow(std::fabs(s), 0.8f), s));
        outline.push_back({x, y});
    }
    point2d centre{len * 0.5f, foot + 0.04f};
    VECTOR3D along = V3(0, 0, -1);
    VECTOR3D normal = Unit(Cross(along, out));
    MeshPart vane = Pillow(
        outline, centre, V3(0, 0, kFletchFront), along, out, normal, 0.006f, 14, 4,
        [len](float x, float y, float* s, float* t) {
            *s = A::kFeatherS0 + (A::kFeatherS1 - A::kFeatherS0) * std::clamp(x / len, 0.0f, 1.0f);
            *t = A::kFeatherT0 + (A::kFeatherT1 - A::kFeatherT0) * std::clamp(1.0f - y / 0.13f, 0.0f, 1.0f);
        });
    vane.material = material;
    return vane;
}

}  // namespace

MeshPart ArrowParts(int material) {
    MeshPart all = ArrowHead(material);
    all.Append(Shaft(material));
    all.Append(Nock(material));
    for (int k = 0; k < 3; ++k) {
        float a = static_cast<float>(kPi) * (0.5f + 2.0f * k / 3.0f);
        all.Append(Vane(V3(std::cos(a), std::sin(a), 0.0f), material));
    }
    all.name = "arrow";
    all.material = material;
    return all;
}

ModelSheet MakeArrowModel(int material) {
    ModelSheet sheet;
    sheet.parts.push_back(ArrowHead(material));
    sheet.parts.push_back(Shaft(material));
    sheet.parts.push_back(Nock(material));
    MeshPart vanes;
    for (int k = 0; k < 3; ++k) {
        float a = static_cast<float>(kPi) * (0.5f + 2.0f * k / 3.0f);
        vanes.Append(Vane(V3(std::cos(a), std::sin(a), 0.0f), material));
    }
    vanes.name = "fletching";
    vanes.material = material;
    sheet.parts.push_back(vanes);
    sheet.materials.push_back(MakeMaterial("arrow", 0.8f, 0.6f, 0.4f, "arrow.tga"));
    return sheet;
}

ModelSheet MakeHeartModel() {
    ModelSheet sheet;
    MeshPart heart = HeartMesh(16, 10, 0.85f, kHeartWidth, UvRect(0.0f, 0.0f, 1.0f, 1.0f));
    heart.name = "heart";
    heart.material = 0;
    sheet.parts.push_back(heart);
    sheet.materials.push_back(MakeMaterial("heart", 1.0f, 0.1f, 0.25f, "heart.tga"));
    return sheet;
}
