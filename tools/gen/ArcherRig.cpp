#include "tools/gen/ArcherRig.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/Mesh.h"

namespace {

constexpr float kDegPerRad = 57.29577951308232f;
constexpr float kArrowLength = 1.5f;
// How far the arrow's tip reaches past the middle of the grip.
constexpr float kTipOverhang = 0.42f;

MATRIX Rotation(const MATRIX& m) {
    MATRIX r = m;
    r.m[12] = r.m[13] = r.m[14] = 0.0;
    return r;
}

VECTOR3D Origin(const MATRIX& m) {
    return V3(static_cast<float>(m.m[12]), static_cast<float>(m.m[13]), static_cast<float>(m.m[14]));
}

// The smallest rotation that turns unit vector a onto unit vector b.
MATRIX TurnOnto(VECTOR3D a, VECTOR3D b) {
    VECTOR3D axis = Cross(a, b);
    float s = Length(axis);
    float c = Dot(a, b);
    if (s < 1e-7f) return MATRIX();  // the archer's arms never turn right round
    return QuatToRotationMatrix(AxisAndAngleToQuat(Mul(axis, 1.0f / s), std::atan2(s, c)));
}

MATRIX Slerped(const MATRIX& a, const MATRIX& b, double t) {
    QUAT qa = QuatFromMatrix(a), qb = QuatFromMatrix(b);
    return QuatToRotationMatrix(QuatSlerp(&qa, &qb, t));
}

// The elbow of a two-part limb from s reaching for h, bending towards pole.
VECTOR3D Elbow(VECTOR3D s, VECTOR3D h, float l1, float l2, VECTOR3D pole) {
    VECTOR3D d = Sub(h, s);
    float dist = std::clamp(Length(d), std::fabs(l1 - l2) + 1e-3f, l1 + l2 - 1e-3f);
    VECTOR3D e = Unit(d);
    VECTOR3D p = Unit(Sub(pole, Mul(e, Dot(pole, e))));
    float a = std::acos(std::clamp((l1 * l1 + dist * dist - l2 * l2) / (2.0f * l1 * dist), -1.0f, 1.0f));
    return Add(s, Add(Mul(e, l1 * std::cos(a)), Mul(p, l1 * std::sin(a))));
}

}  // namespace

MATRIX RotationMatrix(VECTOR3D degrees) {
    return QuatToRotationMatrix(RotationToQuat(degrees));
}

VECTOR3D EulerOfMatrix(const MATRIX& m) {
    // m = Rz(c) Ry(b) Rx(a): m2 = -sin b, m6 = sin a cos b, m10 = cos a cos b,
    // m1 = cos b sin c, m0 = cos b cos c.
    double sb = std::clamp(-m.m[2], -1.0, 1.0);
    double a, b = std::asin(sb), c;
    if (std::fabs(sb) < 0.99999) {
        a = std::atan2(m.m[6], m.m[10]);
        c = std::atan2(m.m[1], m.m[0]);
    } else {
        a = 0.0;
        c = std::atan2(-m.m[4], m.m[5]);
    }
    return V3(static_cast<float>(a * kRadToDeg), static_cast<float>(b * kRadToDeg),
              static_cast<float>(c * kRadToDeg));
}

const ArcherBody& Body() {
    static const ArcherBody body = [] {
        ArcherBody b;
        b.shoulderLeft = V3(0.21f, 0.29f, 0.0f);
        b.shoulderRight = V3(-0.21f, 0.29f, 0.0f);
        b.neck = V3(0.0f, 0.40f, 0.0f);
        b.hipLeft = V3(0.10f, -0.27f, 0.0f);
        b.hipRight = V3(-0.10f, -0.27f, 0.0f);
        b.wingRootLeft = V3(0.07f, 0.21f, -0.13f);
        b.wingRootRight = V3(-0.07f, 0.21f, -0.13f);
        b.headCentre = V3(0.0f, 0.355f, 0.02f);
        b.headRadii = V3(0.35f, 0.33f, 0.34f);
        b.upperArm = 0.26f;
        b.forearm = 0.27f;
        b.bowReach = 0.55f;
        b.handRadius = 0.06f;
        b.bowArmBind = Unit(V3(0.38f, -0.9f, 0.2f));
        b.drawUpperBind = Unit(V3(-0.38f, -0.9f, 0.2f));
        b.drawForearmBind = Unit(V3(-0.2f, -0.8f, 0.56f));
        b.legLength = 0.72f;
        return b;
    }();
    return body;
}

VECTOR3D BowShape::LimbPoint(float s) const {
    float a = std::fabs(s);
    // Limbs bend back towards the archer, their tips curl forward again:
    // the double curve of a cupid's bow.
    float back = depth * std::pow(a, 1.6f);
    float curl = 0.07f * std::pow(std::clamp((a - 0.72f) / 0.28f, 0.0f, 1.0f), 2.0f);
    return V3(bowX, s * halfHeight, gripZ - back + curl);
}

const BowShape& Bow() {
    static const BowShape bow = [] {
        BowShape b;
        b.bowX = 0.04f;
        b.gripZ = kNockDistance - kTipOverhang;
        b.halfHeight = 0.5f;
        b.depth = 0.2f;
        b.fist = V3(0.03f, -0.07f, b.gripZ);
        b.stringRest = V3(b.bowX, 0.0f, b.LimbPoint(1.0f).z);
        b.nock = V3(0.0f, 0.0f, kNockDistance - kArrowLength);
        return b;
    }();
    return bow;
}

void PoseMatrices(const ArcherRig& rig, const ArcherPose& pose, MATRIX out[kArcherJointCount]) {
    for (int i = 0; i < kArcherJointCount; ++i) {
        const JointDef& j = rig.joints[i];
        MATRIX rel = RotationMatrix(j.rotation);
        rel.SetTranslation(j.position);
        MATRIX anim = RotationMatrix(pose.joint[i].rotation);
        anim.SetTranslation(pose.joint[i].translation);
        rel = MultiplyMatrix(rel, anim);
        out[i] = j.parent >= 0 ? MultiplyMatrix(out[j.parent], rel) : rel;
    }
}

void BindMatrices(const ArcherRig& rig, MATRIX out[kArcherJointCount]) {
    PoseMatrices(rig, ArcherPose(), out);
}

namespace {

// Fills the joints that do not depend on the shot geometry.
void DefineJoints(ArcherRig* rig) {
    const ArcherBody& b = Body();
    VECTOR3D zero = V3(0, 0, 0);
    rig->joints[kJointBody] = {"body", -1, zero, zero};
    rig->joints[kJointHead] = {"head", kJointBody, zero, b.neck};
    rig->joints[kJointLegLeft] = {"leg.L", kJointBody, zero, b.hipLeft};
    rig->joints[kJointLegRight] = {"leg.R", kJointBody, zero, b.hipRight};
    rig->joints[kJointArmDraw] = {"arm.R", kJointBody, zero, b.shoulderRight};
    rig->joints[kJointForearmDraw] = {"forearm.R", kJointArmDraw, zero, Mul(b.drawUpperBind, b.upperArm)};
    rig->joints[kJointArmBow] = {"arm.L", kJointBody, zero, b.shoulderLeft};
    // The wings' y axis along the body's front-to-back axis (+z): a turn
    // about it lifts and lowers the wing tips.
    rig->joints[kJointWingLeft] = {"wing.L", kJointBody, V3(90, 0, 0), b.wingRootLeft};
    rig->joints[kJointWingRight] = {"wing.R", kJointBody, V3(90, 0, 0), b.wingRootRight};
    // The bow hand and the string are placed by AimTheBow.
    rig->joints[kJointString] = {"string", kJointArmBow, zero, zero};
    rig->joints[kJointBowHand] = {"hand.L", kJointArmBow, zero, zero};
}

// The drawing arm's rotations that bring the hand centre to h (model
// space), given the body's matrix, with the elbow bending towards pole.
void ReachWithDrawArm(const MATRIX& bodyAbs, VECTOR3D h, VECTOR3D pole, ArcherPose* pose) {
    const ArcherBody& b = Body();
    MATRIX rb = Rotation(bodyAbs);
    VECTOR3D s = MatrixPointMultiply(bodyAbs, b.shoulderRight);
    VECTOR3D e = Elbow(s, h, b.upperArm, b.forearm, pole);
    MATRIX upper = TurnOnto(b.drawUpperBind, MatrixInverseRotatePoint(rb, Unit(Sub(e, s))));
    MATRIX ru = MultiplyMatrix(rb, upper);
    MATRIX fore = TurnOnto(b.drawForearmBind, MatrixInverseRotatePoint(ru, Unit(Sub(h, e))));
    pose->joint[kJointArmDraw].rotation = EulerOfMatrix(upper);
    pose->joint[kJointForearmDraw].rotation = EulerOfMatrix(fore);
}

// Arms pointing along directions given in the body's frame.
void HoldArms(VECTOR3D bowArm, VECTOR3D drawUpper, VECTOR3D drawFore, ArcherPose* pose) {
    const ArcherBody& b = Body();
    MATRIX upper = TurnOnto(b.drawUpperBind, Unit(drawUpper));
    pose->joint[kJointArmBow].rotation = EulerOfMatrix(TurnOnto(b.bowArmBind, Unit(bowArm)));
    pose->joint[kJointArmDraw].rotation = EulerOfMatrix(upper);
    pose->joint[kJointForearmDraw].rotation =
        EulerOfMatrix(TurnOnto(b.drawForearmBind, MatrixInverseRotatePoint(upper, Unit(drawFore))));
}

ArcherPose FlightPose(float bob, float lean, float roll, float kick, float sway) {
    ArcherPose p;
    p.joint[kJointBody].rotation = V3(lean, 0, roll);
    p.joint[kJointBody].translation = V3(0, bob, 0);
    p.joint[kJointHead].rotation = V3(-lean * 0.7f, 0, -roll * 1.5f);
    p.joint[kJointLegLeft].rotation = V3(20 + kick, 0, 5);
    p.joint[kJointLegRight].rotation = V3(20 - kick, 0, -5);
    HoldArms(V3(0.42f, -0.62f, 0.62f + sway), V3(-0.5f, -0.75f, 0.25f + sway), V3(-0.15f, -0.35f, 1.0f), &p);
    return p;
}

// The hold of the shot (frames 18 to 34): the body turned side-on, the bow
// arm straight out along the archer's front, the bow hand's +z along +z so
// that the arrow points where the archer faces, the string drawn to the
// nock and the drawing hand on it. Also places the bow hand and string
// joints so that the bow sits in the fist and the arrow on the bow.
ArcherPose AimTheBow(ArcherRig* rig) {
    const ArcherBody& b = Body();
    const BowShape& bow = Bow();
    ArcherPose p;
    p.joint[kJointBody].rotation = V3(3, -60, 0);
    p.joint[kJointHead].rotation = V3(-3, 60, 4);
    p.joint[kJointLegLeft].rotation = V3(6, 0, 8);
    p.joint[kJointLegRight].rotation = V3(-4, 0, -7);
    MATRIX abs[kArcherJointCount];
    PoseMatrices(*rig, p, abs);
    MATRIX rb = Rotation(abs[kJointBody]);

    // The arrow runs along +z just under the chin, on the bow arm's side.
    VECTOR3D head = MatrixPointMultiply(abs[kJointHead], b.headCentre);
    float ax = head.x + 0.14f;
    float ay = head.y - b.headRadii.y - 0.035f;
    // The fist at the bow arm's full reach, the arrow resting on it.
    VECTOR3D shoulder = Origin(abs[kJointArmBow]);
    VECTOR3D fist = V3(ax + bow.fist.x, ay + bow.fist.y, 0.0f);
    float dx = fist.x - shoulder.x, dy = fist.y - shoulder.y;
    fist.z = shoulder.z + std::sqrt(std::max(0.01f, b.bowReach * b.bowReach - dx * dx - dy * dy));
    VECTOR3D hand = V3(ax, ay, fist.z - bow.gripZ);  // the bow hand joint at the hold

    MATRIX arm = TurnOnto(b.bowArmBind, MatrixInverseRotatePoint(rb, Unit(Sub(fist, shoulder))));
    p.joint[kJointArmBow].rotation = EulerOfMatrix(arm);
    // Use the arm rotation as the file will hold it, so that the bow hand's
    // axes come out exactly along the model's at the hold.
    MATRIX armHeld = RotationMatrix(p.joint[kJointArmBow].rotation);
    MATRIX handRotation = TransposeMatrix(MultiplyMatrix(rb, armHeld));
    VECTOR3D handRot = EulerOfMatrix(handRotation);
    VECTOR3D handPos = MatrixRotatePoint(handRotation, Sub(hand, shoulder));
    rig->joints[kJointBowHand].rotation = handRot;
    rig->joints[kJointBowHand].position = handPos;
    rig->joints[kJointString].rotation = handRot;
    rig->joints[kJointString].position =
        Add(handPos, MatrixRotatePoint(RotationMatrix(handRot), bow.stringRest));
    p.joint[kJointString].translation = Sub(bow.nock, bow.stringRest);

    VECTOR3D nock = Add(hand, bow.nock);
    ReachWithDrawArm(abs[kJointBody], Add(nock, V3(-0.01f, -0.05f, -0.035f)), V3(-0.35f, 0.5f, -0.8f), &p);
    return p;
}

ArcherPose Between(const ArcherPose& a, const ArcherPose& b, double t) {
    ArcherPose p;
    for (int i = 0; i < kArcherJointCount; ++i) {
        p.joint[i].rotation = EulerOfMatrix(
            Slerped(RotationMatrix(a.joint[i].rotation), RotationMatrix(b.joint[i].rotation), t));
        p.joint[i].translation = Lerp(a.joint[i].translation, b.joint[i].translation, static_cast<float>(t));
    }
    return p;
}

ArcherPose Released(const ArcherRig& rig, const ArcherPose& hold) {
    ArcherPose p = hold;
    p.joint[kJointString].translation = V3(0, 0, 0);
    MATRIX abs[kArcherJointCount];
    PoseMatrices(rig, hold, abs);
    // The drawing hand flies back past the ear as the string slips away.
    VECTOR3D hand = MatrixPointMultiply(abs[kJointForearmDraw], Mul(Body().drawForearmBind, Body().forearm));
    ReachWithDrawArm(abs[kJointBody], Add(hand, V3(-0.06f, 0.03f, -0.12f)), V3(-0.35f, 0.5f, -0.8f), &p);
    return p;
}

void BuildKeys(ArcherRig* rig) {
    ArcherPose f2 = FlightPose(0.0f, 16.0f, 0.0f, 8.0f, 0.0f);
    ArcherPose f5 = FlightPose(0.035f, 18.0f, -3.0f, 0.0f, 0.05f);
    ArcherPose f8 = FlightPose(0.05f, 15.0f, 0.0f, -8.0f, 0.08f);
    ArcherPose f11 = FlightPose(0.025f, 17.0f, 3.0f, 0.0f, 0.03f);
    ArcherPose hold = AimTheBow(rig);
    ArcherPose rising = Between(f2, hold, 0.55);
    rising.joint[kJointString].translation = Mul(hold.joint[kJointString].translation, 0.3f);
    ArcherPose breathe = hold;
    breathe.joint[kJointBody].translation = V3(0, 0.015f, 0);
    ArcherPose release = Released(*rig, hold);
    ArcherPose settle = Between(release, f2, 0.35);
    rig->keys = {{2, f2},    {5, f5},       {8, f8},    {11, f11},     {14, f2},     {16, rising},
                 {18, hold}, {26, breathe}, {34, hold}, {35, release}, {37, settle}, {40, f2}};
}

}  // namespace

const ArcherRig& Rig() {
    static const ArcherRig rig = [] {
        ArcherRig r;
        DefineJoints(&r);
        BuildKeys(&r);
        return r;
    }();
    return rig;
}

std::vector<MS3DSourceJoint> ArcherJoints(const ArcherRig& rig) {
    std::vector<MS3DSourceJoint> joints;
    for (int i = 0; i < kArcherJointCount; ++i) {
        const JointDef& def = rig.joints[i];
        MS3DSourceJoint j;
        j.name = def.name;
        j.parentName = def.parent >= 0 ? rig.joints[def.parent].name : "";
        j.rotation = Mul(def.rotation, 1.0f / kDegPerRad);
        j.position = def.position;
        bool keyedRotation =
            i != kJointWingLeft && i != kJointWingRight && i != kJointBowHand && i != kJointString;
        bool keyedTranslation = i == kJointBody || i == kJointString;
        for (const KeyPose& k : rig.keys) {
            MS3D_KEYFRAME key;
            key.time = k.frame / kArcherFps;
            if (keyedRotation) {
                VECTOR3D r = Mul(k.pose.joint[i].rotation, 1.0f / kDegPerRad);
                key.value[0] = r.x;
                key.value[1] = r.y;
                key.value[2] = r.z;
                j.rotKeys.push_back(key);
            }
            if (keyedTranslation) {
                VECTOR3D t = k.pose.joint[i].translation;
                key.value[0] = t.x;
                key.value[1] = t.y;
                key.value[2] = t.z;
                j.transKeys.push_back(key);
            }
        }
        joints.push_back(j);
    }
    return joints;
}
