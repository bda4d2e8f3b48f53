#include "tools/gen/ArcherModel.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/ArcherRig.h"
#include "tools/gen/HeartSurface.h"
#include "tools/gen/ObjectModels.h"

namespace {

using AA = ArcherAtlas;
constexpr float kPiF = static_cast<float>(kPi);

float SmoothStep(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

UvFn SkinUv() {
    return UvRect(0.05f, AA::kSkinT0, 0.95f, AA::kSkinT1);
}
UvFn GoldUv() {
    return UvRect(AA::kGoldS0 + 0.05f, 0.05f, 0.95f, AA::kGoldT1 - 0.05f);
}
UvFn HairUv() {
    return UvRect(0.02f, 0.02f, AA::kHairS1 - 0.02f, 0.98f);
}

MeshPart Bound(MeshPart part, int bone) {
    BindPart(&part, bone);
    return part;
}

// A tube through points with radii, its frames started from +z.
MeshPart Limb(const std::vector<VECTOR3D>& points, const std::vector<float>& radii, int sides,
              const UvFn& uv) {
    return Tube(RingsAlong(points, radii, V3(0, 0, 1)), sides, uv);
}

// A body of revolution about the y axis with elliptical rings (y, half
// width, half depth), bottom to top.
MeshPart Lathe(const std::vector<std::array<float, 3>>& profile, int sides, const UvFn& uv) {
    std::vector<SweepRing> rings;
    for (const auto& p : profile) {
        SweepRing r;
        r.centre = V3(0, p[0], 0);
        r.side = V3(1, 0, 0);
        r.up = V3(0, 0, 1);
        r.radiusSide = p[1];
        r.radiusUp = p[2];
        rings.push_back(r);
    }
    return Tube(rings, sides, uv);
}

// ---- Head ---------------------------------------------------------------

VECTOR3D HeadCentre() {
    return Add(Body().neck, Body().headCentre);
}

// The head, its texture wrapped so that u = 0.5 faces the front.
MeshPart Head() {
    VECTOR3D c = HeadCentre(), r = Body().headRadii;
    MeshPart head = ClosedPatch(
        24, 16,
        [=](float u, float v) {
            float th = kPiF * v, ph = 2.0f * kPiF * (u - 0.5f);
            // Round cheeks: the lower front swells a little.
            float cheek = 1.0f + 0.05f * SmoothStep(0.45f, 0.7f, v) * std::max(0.0f, std::cos(ph));
            return Add(c, V3(r.x * std::sin(th) * std::sin(ph) * cheek, r.y * std::cos(th),
                             r.z * std::sin(th) * std::cos(ph) * cheek));
        },
        [](float u, float v, float* s, float* t) {
            *s = FaceS(u);
            *t = FaceT(v) * AA::kFaceT1;
        });
    head.Append(Ellipsoid(Add(c, V3(0, -0.05f, r.z + 0.005f)), V3(0.038f, 0.03f, 0.03f), 8, 6, SkinUv()));
    for (float side : {-1.0f, 1.0f})
        head.Append(Ellipsoid(Add(c, V3(side * (r.x - 0.01f), -0.03f, -0.01f)), V3(0.035f, 0.065f, 0.05f), 8,
                              6, SkinUv()));
    head.name = "head";
    head.material = kMaterialSkin;
    return Bound(head, kJointHead);
}

// Height of the hairline on the unit sphere for the azimuth ph (0 front).
float Hairline(float ph) {
    return -0.2f + 0.48f * std::cos(ph) + 0.06f * std::cos(2.0f * ph);
}

MeshPart Hair() {
    VECTOR3D c = HeadCentre(), r = Body().headRadii;
    MeshPart hair = ClosedPatch(
        22, 14,
        [=](float u, float v) {
            float th = kPiF * v, ph = 2.0f * kPiF * (u - 0.5f);
            VECTOR3D d = V3(std::sin(th) * std::sin(ph), std::cos(th), std::sin(th) * std::cos(ph));
            float h = Hairline(ph);
            float on = SmoothStep(h - 0.06f, h + 0.06f, d.y);
            float waves = 0.025f * std::sin(5.0f * ph) * std::sin(4.0f * th);
            float k = 0.9f + (0.18f + waves) * on;
            return Add(c, V3(r.x * d.x * k, r.y * d.y * k, r.z * d.z * k));
        },
        HairUv());
    // Curls along the hairline and a single curl on top.
    for (int i = 0; i < 9; ++i) {
        float ph = kPiF * (-0.75f + 1.5f * i / 8.0f);
        float y = Hairline(ph) + 0.1f;
        float ring = std::sqrt(std::max(0.0f, 1.0f - y * y));
        VECTOR3D d = V3(ring * std::sin(ph), y, ring * std::cos(ph));
        VECTOR3D at = Add(c, V3(r.x * d.x * 1.04f, r.y * d.y * 1.04f, r.z * d.z * 1.04f));
        hair.Append(Ellipsoid(at, V3(0.075f, 0.07f, 0.075f), 7, 5, HairUv()));
    }
    hair.Append(Ellipsoid(Add(c, V3(0.0f, r.y * 1.06f, 0.08f)), V3(0.06f, 0.075f, 0.06f), 8, 6, HairUv()));
    hair.name = "hair";
    hair.material = kMaterialGold;
    return Bound(hair, kJointHead);
}

// ---- Body ---------------------------------------------------------------

MeshPart Tunic() {
    MeshPart tunic = Lathe({{-0.20f, 0.15f, 0.125f},
                            {-0.08f, 0.145f, 0.12f},
                            {0.05f, 0.15f, 0.125f},
                            {0.17f, 0.175f, 0.13f},
                            {0.27f, 0.19f, 0.125f},
                            {0.34f, 0.15f, 0.105f},
                            {0.40f, 0.085f, 0.075f}},
                           16, UvRect(0.0f, 0.0f, 1.0f, 0.6f));
    // The skirt: a bell with a softly scalloped hem.
    tunic.Append(ClosedPatch(
        20, 8,
        [](float u, float v) {
            // v 0..0.1: a lid inside the body; 0.1..0.85: the bell; 0.85..1:
            // closed underneath.
            float ph = 2.0f * kPiF * u;
            float along = std::clamp((v - 0.1f) / 0.75f, 0.0f, 1.0f);
            float y = -0.06f - 0.40f * along;
            float flare = 0.15f + 0.1f * std::pow(along, 1.4f);
            float closing = v < 0.1f ? v / 0.1f : v > 0.85f ? (1.0f - (v - 0.85f) / 0.15f) : 1.0f;
            float scallop = 1.0f + 0.06f * std::cos(8.0f * ph) * SmoothStep(0.5f, 1.0f, along);
            float rad = flare * scallop * closing;
            return V3(rad * std::sin(ph), y, rad * 0.85f * std::cos(ph));
        },
        UvRect(0.0f, 0.55f, 1.0f, 1.0f)));
    // Puffed sleeves over both shoulders.
    const ArcherBody& b = Body();
    tunic.Append(Bound(Ellipsoid(Add(b.shoulderLeft, V3(0.01f, -0.02f, 0)), V3(0.09f, 0.085f, 0.09f), 10, 7,
                                 UvRect(0.1f, 0.1f, 0.9f, 0.5f)),
                       kJointArmBow));
    tunic.Append(Bound(Ellipsoid(Add(b.shoulderRight, V3(-0.01f, -0.02f, 0)), V3(0.09f, 0.085f, 0.09f), 10, 7,
                                 UvRect(0.1f, 0.1f, 0.9f, 0.5f)),
                       kJointArmDraw));
    for (auto& v : tunic.vertices)
        if (v.bone < 0) v.bone = kJointBody;
    tunic.name = "tunic";
    tunic.material = kMaterialTunic;
    return tunic;
}

// A ring (torus) of radii (rx, rz) about the y axis at height y, with
// `around` by `across` quads.
MeshPart Ring(float y, float rx, float rz, float thickness, int around, int across, const UvFn& uv) {
    return ClosedPatch(
        around, across,
        [=](float u, float v) {
            float a = 2.0f * kPiF * u, b = 2.0f * kPiF * v;
            float k = 1.0f + thickness * std::cos(b) / rx;
            return V3(rx * k * std::sin(a), y + thickness * std::sin(b), rz * k * std::cos(a));
        },
        uv);
}

MeshPart GoldTrim() {
    MeshPart gold = Ring(-0.065f, 0.148f, 0.124f, 0.018f, 20, 6, GoldUv());
    // A heart brooch at the collar.
    MeshPart brooch = HeartMesh(10, 7, 0.6f, 0.085f, GoldUv());
    MATRIX at;
    at.SetTranslation(V3(0.0f, 0.24f, 0.135f));
    TransformPart(&brooch, at);
    gold.Append(brooch);
    for (auto& v : gold.vertices) v.bone = kJointBody;
    gold.name = "trim";
    gold.material = kMaterialGold;
    return gold;
}

// ---- Limbs --------------------------------------------------------------

MeshPart Limbs() {
    const ArcherBody& b = Body();
    MeshPart skin;
    // Neck.
    skin.Append(Bound(Limb({V3(0, 0.3f, 0), V3(0, 0.52f, 0.01f)}, {0.07f, 0.07f}, 8, SkinUv()), kJointBody));
    // Bow arm: shoulder to wrist; the fist belongs to the bow hand.
    VECTOR3D wristL = Add(b.shoulderLeft, Mul(b.bowArmBind, b.bowReach - b.handRadius));
    VECTOR3D elbowL = Add(b.shoulderLeft, Mul(b.bowArmBind, b.bowReach * 0.5f));
    skin.Append(
        Bound(Limb({b.shoulderLeft, elbowL, wristL}, {0.06f, 0.05f, 0.042f}, 8, SkinUv()), kJointArmBow));
    // Drawing arm: upper arm, forearm and hand.
    VECTOR3D elbowR = Add(b.shoulderRight, Mul(b.drawUpperBind, b.upperArm));
    VECTOR3D handR = Add(elbowR, Mul(b.drawForearmBind, b.forearm));
    VECTOR3D wristR = Add(elbowR, Mul(b.drawForearmBind, b.forearm - b.handRadius));
    skin.Append(Bound(Limb({b.shoulderRight, elbowR}, {0.06f, 0.05f}, 8, SkinUv()), kJointArmDraw));
    skin.Append(Bound(Limb({elbowR, wristR}, {0.05f, 0.042f}, 8, SkinUv()), kJointForearmDraw));
    skin.Append(Bound(Ellipsoid(handR, V3(0.055f, 0.06f, 0.055f), 8, 6, SkinUv()), kJointForearmDraw));
    // Bow fist, in the bow hand's frame.
    MATRIX bind[kArcherJointCount];
    BindMatrices(Rig(), bind);
    MeshPart fist = Ellipsoid(Bow().fist, V3(0.055f, 0.065f, 0.06f), 8, 6, SkinUv());
    TransformPart(&fist, bind[kJointBowHand]);
    skin.Append(Bound(fist, kJointBowHand));
    // Legs and feet.
    for (int side = 0; side < 2; ++side) {
        float s = side == 0 ? 1.0f : -1.0f;
        VECTOR3D hip = side == 0 ? b.hipLeft : b.hipRight;
        int joint = side == 0 ? kJointLegLeft : kJointLegRight;
        VECTOR3D knee = Add(hip, V3(s * 0.01f, -0.34f, 0.035f));
        VECTOR3D ankle = Add(hip, V3(s * 0.01f, -b.legLength + 0.05f, 0.0f));
        skin.Append(Bound(Limb({hip, knee, ankle}, {0.085f, 0.062f, 0.048f}, 8, SkinUv()), joint));
        skin.Append(Bound(
            Ellipsoid(Add(ankle, V3(0, -0.035f, 0.05f)), V3(0.052f, 0.04f, 0.095f), 8, 6, SkinUv()), joint));
    }
    skin.name = "skin";
    skin.material = kMaterialSkin;
    return skin;
}

MeshPart Sandals() {
    const ArcherBody& b = Body();
    MeshPart gold;
    for (int side = 0; side < 2; ++side) {
        VECTOR3D hip = side == 0 ? b.hipLeft : b.hipRight;
        int joint = side == 0 ? kJointLegLeft : kJointLegRight;
        VECTOR3D ankle = Add(hip, V3(side == 0 ? 0.01f : -0.01f, -b.legLength + 0.05f, 0.0f));
        gold.Append(Bound(
            Ellipsoid(Add(ankle, V3(0, -0.07f, 0.05f)), V3(0.058f, 0.014f, 0.105f), 8, 5, GoldUv()), joint));
        // A strap round the ankle.
        MeshPart strap = Ring(0.0f, 0.05f, 0.05f, 0.01f, 12, 4, GoldUv());
        MATRIX at;
        at.SetTranslation(Add(ankle, V3(0, 0.01f, 0)));
        TransformPart(&strap, at);
        gold.Append(Bound(strap, joint));
    }
    gold.name = "sandals";
    gold.material = kMaterialGold;
    return gold;
}

// ---- Wings --------------------------------------------------------------

MeshPart LeftWing() {
    const WingShape& w = Wing();
    std::vector<point2d> outline;
    const int n = 40;
    for (int i = 0; i <= n; ++i) {
        float x = w.span * i / n;
        outline.push_back({x, w.Leading(x)});
    }
    for (int i = n - 1; i >= 1; --i) {
        float x = w.span * i / n;
        outline.push_back({x, w.Trailing(x)});
    }
    outline.push_back({0.0f, w.Trailing(0.0f)});
    // Spread out and up, the feathers hanging down and a little back: the
    // front of the wing faces forwards, towards the scene's light.
    VECTOR3D span = Unit(V3(1.0f, 0.6f, -0.35f));
    VECTOR3D chord = V3(0.0f, -0.85f, -0.5f);
    chord = Unit(Sub(chord, Mul(span, Dot(chord, span))));
    VECTOR3D normal = Cross(span, chord);
    MeshPart wing = Pillow(outline, point2d{w.span * 0.3f, 0.14f}, Body().wingRootLeft, span, chord, normal,
                           0.034f, 36, 6, [&w](float x, float y, float* s, float* t) {
                               *s = std::clamp(x / w.span, 0.0f, 1.0f);
                               *t = std::clamp((y - w.chordTop) / (w.chordBottom - w.chordTop), 0.0f, 1.0f);
                           });
    return Bound(wing, kJointWingLeft);
}

MeshPart Wings() {
    MeshPart left = LeftWing();
    MeshPart right = Bound(MirrorX(left), kJointWingRight);
    MeshPart wings = left;
    wings.Append(right);
    wings.name = "wings";
    wings.material = kMaterialWings;
    return wings;
}

// ---- Bow ----------------------------------------------------------------

MeshPart BowLimbs() {
    const BowShape& bow = Bow();
    std::vector<VECTOR3D> points;
    std::vector<float> radii;
    for (int i = 0; i <= 16; ++i) {
        float s = -1.0f + 2.0f * i / 16.0f;
        points.push_back(bow.LimbPoint(s));
        radii.push_back(0.011f + 0.015f * std::pow(1.0f - std::fabs(s), 0.8f));
    }
    MeshPart limbs = Tube(RingsAlong(points, radii, V3(1, 0, 0)), 6, GoldUv());
    MATRIX bind[kArcherJointCount];
    BindMatrices(Rig(), bind);
    TransformPart(&limbs, bind[kJointBowHand]);
    limbs.name = "bow";
    limbs.material = kMaterialGold;
    return Bound(limbs, kJointBowHand);
}

MeshPart BowGrip() {
    const BowShape& bow = Bow();
    MeshPart grip = Limb({bow.LimbPoint(-0.14f), bow.LimbPoint(0.0f), bow.LimbPoint(0.14f)},
                         {0.03f, 0.032f, 0.03f}, 8, UvRect(0.1f, 0.1f, 0.3f, 0.3f));
    MATRIX bind[kArcherJointCount];
    BindMatrices(Rig(), bind);
    TransformPart(&grip, bind[kJointBowHand]);
    grip.name = "grip";
    grip.material = kMaterialTunic;
    return Bound(grip, kJointBowHand);
}

// The string: two thin strands from the tips to its middle; the middle
// follows the string joint when the bow is drawn.
MeshPart BowString() {
    const BowShape& bow = Bow();
    MATRIX bind[kArcherJointCount];
    BindMatrices(Rig(), bind);
    UvFn uv = UvRect(AA::kStringS0 + 0.1f, AA::kStringT0 + 0.1f, 0.9f, 0.9f);
    VECTOR3D top = bow.LimbPoint(0.985f), bottom = bow.LimbPoint(-0.985f);
    MeshPart string = Limb({top, bow.stringRest, bottom}, {0.006f, 0.006f, 0.006f}, 4, uv);
    for (auto& v : string.vertices) {
        float toMiddle = Length(Sub(v.pos, bow.stringRest));
        bool middle =
            toMiddle < Length(Sub(v.pos, top)) * 0.5f && toMiddle < Length(Sub(v.pos, bottom)) * 0.5f;
        v.bone = middle ? kJointString : kJointBowHand;
    }
    TransformPart(&string, bind[kJointBowHand]);
    string.name = "bowstring";
    string.material = kMaterialGold;
    return string;
}

}  // namespace

float FaceS(float u) {
    return u + 0.75f * std::sin(2.0f * kPiF * (u - 0.5f)) / (2.0f * kPiF);
}

float FaceT(float v) {
    return v + 0.6f * std::sin(2.0f * kPiF * (v - 0.5f)) / (2.0f * kPiF);
}

float WingShape::Leading(float x) const {
    float t = std::clamp(x / span, 0.0f, 1.0f);
    return -0.03f - 0.16f * std::sin(kPiF * std::pow(t, 0.75f));
}

float WingShape::Trailing(float x) const {
    float t = std::clamp(x / span, 0.0f, 1.0f);
    float base = 0.46f * std::pow(std::max(0.0f, 1.0f - std::pow(t, 1.5f)), 0.7f);
    float feathers = 0.045f * (0.5f + 0.5f * std::cos(2.0f * kPiF * x / 0.18f)) * std::pow(1.0f - t, 0.3f);
    return base + feathers - 0.03f * t;
}

const WingShape& Wing() {
    static const WingShape wing{0.9f, -0.2f, 0.52f};
    return wing;
}

ModelSheet MakeArcherModel() {
    ModelSheet sheet;
    sheet.parts = {Head(),    Hair(),  Tunic(),    GoldTrim(), Limbs(),
                   Sandals(), Wings(), BowLimbs(), BowGrip(),  BowString()};
    sheet.materials = {MakeMaterial("skin", 1.0f, 0.84f, 0.75f, "skin.tga"),
                       MakeMaterial("tunic", 0.95f, 0.45f, 0.55f, "tunic.tga"),
                       MakeMaterial("wings", 1.0f, 0.95f, 0.95f, "wings.tga"),
                       MakeMaterial("gold", 1.0f, 0.8f, 0.35f, "gold.tga"),
                       MakeMaterial("arrow", 0.8f, 0.6f, 0.4f, "arrow.tga")};
    sheet.joints = ArcherJoints(Rig());
    sheet.animationFPS = kArcherFps;
    sheet.totalFrames = kArcherFrames;
    return sheet;
}
