// The archer's skeleton and animation: joints, bind pose and the key poses
// of the flight loop (frames 2 to 14) and the shot (frames 14 to 40), at 24
// frames per second.
//
// Joints are posed as the scene poses them: a joint's matrix relative to its
// parent is its bind rotation and position followed by its keyed rotation
// and translation; parents come first. The last three joints are the two
// wings (whose keyed rotation the scene replaces by the wing beat, a turn
// about the joint's own y axis) and the bow hand (the nocked arrow is drawn
// 0.7 along its +z). The wing joints' bind rotation turns their y axis onto
// the body's front-to-back axis, so the beat swings the wings up and down.
//
// Everything is in world units (the archer as the scene shows it, after its
// Scale(0.05)); the model file stores 20 times these lengths.
#pragma once

#include <vector>

#include "maths/NiftyMaths.h"
#include "model/MS3DSource.h"

enum ArcherJoint {
    kJointBody,     // root, at the middle of the body
    kJointHead,     // at the neck
    kJointLegLeft,  // at the hips
    kJointLegRight,
    kJointArmDraw,      // right shoulder: the arm that draws the string
    kJointForearmDraw,  // right elbow
    kJointArmBow,       // left shoulder: the arm that holds the bow
    kJointString,       // middle of the bowstring, pulled back when drawing
    kJointWingLeft,     // numJoints - 3
    kJointWingRight,    // numJoints - 2
    kJointBowHand,      // numJoints - 1
    kArcherJointCount
};

constexpr float kArcherFps = 24.0f;
constexpr int kArcherFrames = 40;
constexpr float kArcherStoredScale = 20.0f;  // the scene scales the archer by 0.05
constexpr float kNockDistance = 0.7f;        // the nocked arrow's origin along the bow hand's +z

struct JointDef {
    const char* name;
    int parent;         // -1 for the root
    VECTOR3D rotation;  // bind rotation, degrees (x, then y, then z)
    VECTOR3D position;  // relative to the parent, in the parent's frame
};

// One joint's keyed motion at a key pose.
struct JointMotion {
    VECTOR3D rotation;  // degrees, turned after the bind rotation
    VECTOR3D translation;
};

struct ArcherPose {
    JointMotion joint[kArcherJointCount];
};

struct KeyPose {
    float frame;
    ArcherPose pose;
};

// Lengths and places of the body the geometry is built around.
struct ArcherBody {
    VECTOR3D shoulderLeft, shoulderRight;  // relative to the body joint
    VECTOR3D neck, hipLeft, hipRight;
    VECTOR3D wingRootLeft, wingRootRight;
    VECTOR3D headCentre;  // relative to the neck
    VECTOR3D headRadii;
    float upperArm, forearm;  // drawing arm, shoulder to elbow, elbow to hand centre
    float bowReach;           // bow arm, shoulder to the middle of the fist
    float handRadius;
    VECTOR3D bowArmBind, drawUpperBind, drawForearmBind;  // unit directions of the arms in the bind pose
    float legLength;
};
const ArcherBody& Body();

// The bow as held: in the bow hand's frame (the arrow along +z through the
// origin, up +y), the bow lies in the plane x = bowX.
struct BowShape {
    float bowX;
    float gripZ;  // the middle of the grip (the arrow's tip is 0.7 ahead of the origin)
    float halfHeight;
    float depth;          // how far the limbs bend back towards the archer
    VECTOR3D fist;        // centre of the fist around the grip
    VECTOR3D stringRest;  // middle of the bowstring at rest
    VECTOR3D nock;        // where the arrow's nock sits: 0.7 - 1.5 along z
    // A point of the bow's middle line for s in -1..1 (bottom to top tip).
    VECTOR3D LimbPoint(float s) const;
};
const BowShape& Bow();

struct ArcherRig {
    JointDef joints[kArcherJointCount];
    std::vector<KeyPose> keys;  // in frame order
};
// The rig with its bind pose and keys, computed once.
const ArcherRig& Rig();

// The absolute matrices of every joint for a pose (the bind pose when every
// motion is zero), exactly as the scene composes them.
void PoseMatrices(const ArcherRig& rig, const ArcherPose& pose, MATRIX out[kArcherJointCount]);
// The absolute matrices of the bind pose.
void BindMatrices(const ArcherRig& rig, MATRIX out[kArcherJointCount]);

// Euler angles (degrees; about x, then y, then z) of a rotation matrix.
VECTOR3D EulerOfMatrix(const MATRIX& m);
MATRIX RotationMatrix(VECTOR3D degrees);

// The joints as the model file holds them (rotations in radians, key times
// in seconds, lengths in world units; the model sheet scales them).
std::vector<MS3DSourceJoint> ArcherJoints(const ArcherRig& rig);
