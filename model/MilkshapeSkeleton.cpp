// Skeleton and keyframe animation of MS3D: joint matrices composed parent
// first, rotation keys blended by quaternion slerp, translation keys
// linearly, and the rigid skinning that moves the mesh between joint space
// and model space in place.
#include <cmath>
#include <cstring>
#include <new>

#include "model/MilkshapeModel.h"

namespace {

// A double narrowed to float; values beyond float's range become infinities
// rather than undefined conversions.
float Narrow(double value) {
    constexpr double kMax = 3.4028234663852886e38;
    if (value > kMax) return HUGE_VALF;
    if (value < -kMax) return -HUGE_VALF;
    return static_cast<float>(value);
}

VECTOR3D ToVector(const float* v) {
    return {v[0], v[1], v[2]};
}

void StoreVector(VECTOR3D v, float* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// A rotation key's value (radians) in degrees.
VECTOR3D KeyDegrees(const MS3D_KEYFRAME& key) {
    return {Narrow(key.value[0] * kRadToDeg), Narrow(key.value[1] * kRadToDeg),
            Narrow(key.value[2] * kRadToDeg)};
}

// The first key at or after time, searching forward from start.
int FindKey(const MS3D_KEYFRAME* keys, int count, int start, float time) {
    int k = start < 0 ? 0 : start;
    while (k < count && keys[k].time < time) k++;
    return k;
}

// Interpolation factor of time between keys p and n. Keys that share a time
// (or run backwards) would divide by zero; the later key then wins.
float KeyFactor(const MS3D_KEYFRAME& p, const MS3D_KEYFRAME& n, float time) {
    float span = n.time - p.time;
    if (!(span > 0.0f)) return 1.0f;
    return (time - p.time) / span;
}

MS3D_KEYFRAME* CopyKeys(const MS3D_KEYFRAME* keys, int count, bool* ok) {
    if (!keys) count = 0;
    MS3D_KEYFRAME* copy = new (std::nothrow) MS3D_KEYFRAME[count];
    if (!copy) {
        *ok = false;
        return nullptr;
    }
    for (int k = 0; k < count; k++) {
        copy[k] = keys[k];
        copy[k].time *= 1000.0f;
    }
    return copy;
}

// The first joint named `name`, or -1.
int FindJoint(const MS3D_JOINT* joints, int count, const char* name) {
    for (int j = 0; j < count; j++) {
        if (std::strcmp(joints[j].name, name) == 0) return j;
    }
    return -1;
}

void ApplyRotationWhole(SKELETON_JOINT* joint, const MS3D_KEYFRAME& key) {
    joint->animRotation = KeyDegrees(key);
    joint->animQuat = RotationToQuat(joint->animRotation);
    joint->animMatrix = QuatToRotationMatrix(joint->animQuat);
}

void ResetKeySearch(SKELETON_JOINT* skeleton, int count) {
    for (int j = 0; j < count; j++) {
        skeleton[j].curTransKey = 0;
        skeleton[j].curRotKey = 0;
    }
}

// While blending: slerp from the captured pose toward the keys at the
// current time, by blendFactor.
void BlendJoint(SKELETON_JOINT* joint, float time, float factor) {
    if (joint->numRotKeys > 0) {
        int k = FindKey(joint->rotKeys, joint->numRotKeys, 0, time);
        if (k == joint->numRotKeys) k--;
        QUAT target = RotationToQuat(KeyDegrees(joint->rotKeys[k]));
        joint->animQuat = QuatSlerp(&joint->blendQuat, &target, factor);
        joint->animMatrix = QuatToRotationMatrix(joint->animQuat);
    }
    if (joint->numTransKeys > 0) {
        int k = FindKey(joint->transKeys, joint->numTransKeys, 0, time);
        if (k == joint->numTransKeys) k--;
        const float* target = joint->transKeys[k].value;
        VECTOR3D& from = joint->blendTranslation;
        joint->animTranslation = {from.x + (target[0] - from.x) * factor,
                                  from.y + (target[1] - from.y) * factor,
                                  from.z + (target[2] - from.z) * factor};
    }
}

void SampleTranslation(SKELETON_JOINT* joint, float time) {
    const MS3D_KEYFRAME* keys = joint->transKeys;
    int count = joint->numTransKeys;
    int k = FindKey(keys, count, joint->curTransKey, time);
    joint->curTransKey = k;
    if (k == 0) {
        joint->animTranslation = ToVector(keys[0].value);
    } else if (k < count) {
        const MS3D_KEYFRAME& p = keys[k - 1];
        const MS3D_KEYFRAME& n = keys[k];
        float f = KeyFactor(p, n, time);
        joint->animTranslation = {p.value[0] + (n.value[0] - p.value[0]) * f,
                                  p.value[1] + (n.value[1] - p.value[1]) * f,
                                  p.value[2] + (n.value[2] - p.value[2]) * f};
    } else {
        joint->animTranslation = ToVector(keys[count - 1].value);
    }
    joint->lastTransKey = joint->curTransKey;
}

void SampleRotation(SKELETON_JOINT* joint, float time) {
    const MS3D_KEYFRAME* keys = joint->rotKeys;
    int count = joint->numRotKeys;
    int k = FindKey(keys, count, joint->curRotKey, time);
    joint->curRotKey = k;
    if (k == 0) {
        if (joint->lastRotKey != 0) ApplyRotationWhole(joint, keys[0]);
    } else if (k < count) {
        float f = KeyFactor(keys[k - 1], keys[k], time);
        QUAT from = RotationToQuat(KeyDegrees(keys[k - 1]));
        QUAT to = RotationToQuat(KeyDegrees(keys[k]));
        joint->animQuat = QuatSlerp(&from, &to, f);
        joint->animMatrix = QuatToRotationMatrix(joint->animQuat);
    } else if (joint->lastRotKey != k) {
        ApplyRotationWhole(joint, keys[count - 1]);
    }
    joint->lastRotKey = joint->curRotKey;
}

}  // namespace

bool MS3D::InitialSetup() {
    if (numJoints == 0) return true;
    if (!SetupSkeleton()) return false;
    UpdateSkeleton();
    RevertPoints();
    return true;
}

bool MS3D::SetupSkeleton() {
    if (skeleton || !joints || numJoints == 0) return false;
    SKELETON_JOINT* built = new (std::nothrow) SKELETON_JOINT[numJoints];
    if (!built) return false;
    bool ok = true;
    for (int j = 0; j < numJoints; j++) {
        MS3D_JOINT& joint = joints[j];
        SKELETON_JOINT& bone = built[j];
        for (float& angle : joint.rotation) angle = Narrow(angle * kRadToDeg);
        bone.flags = joint.flags;
        bone.rotation = ToVector(joint.rotation);
        bone.position = ToVector(joint.position);
        bone.parent = joint.parentName[0] ? FindJoint(joints, numJoints, joint.parentName) : -1;
        bone.rotKeys = CopyKeys(joint.keyFramesRot, joint.numKeyFramesRot, &ok);
        bone.transKeys = CopyKeys(joint.keyFramesTrans, joint.numKeyFramesTrans, &ok);
        bone.numRotKeys = bone.rotKeys ? joint.numKeyFramesRot : 0;
        bone.numTransKeys = bone.transKeys ? joint.numKeyFramesTrans : 0;
    }
    skeleton = built;  // the destructor releases partial copies too
    return ok;
}

void MS3D::UpdateSkeleton() {
    for (int j = 0; skeleton && j < numJoints; j++) {
        SKELETON_JOINT& bone = skeleton[j];
        bone.relative = QuatToRotationMatrix(RotationToQuat(bone.rotation));
        bone.relative.SetTranslation(bone.position);
        MATRIX motion = bone.animMatrix;
        motion.SetTranslation(bone.animTranslation);
        bone.relative = MultiplyMatrix(bone.relative, motion);
        bone.absolute =
            bone.parent >= 0 ? MultiplyMatrix(skeleton[bone.parent].absolute, bone.relative) : bone.relative;
    }
}

void MS3D::RevertPoints() {
    if (!skeleton) return;
    for (int v = 0; v < numVertices; v++) {
        MS3D_VERTEX& vertex = vertices[v];
        if (vertex.boneId < 0 || vertex.boneId >= numJoints) continue;
        const MATRIX& bone = skeleton[vertex.boneId].absolute;
        StoreVector(
            MatrixInverseRotatePoint(bone, MatrixInverseTranslatePoint(bone, ToVector(vertex.vertex))),
            vertex.vertex);
    }
    for (int t = 0; t < numTriangles; t++) {
        MS3D_TRIANGLE& triangle = triangles[t];
        for (int c = 0; c < 3; c++) {
            if (triangle.vertexIndices[c] >= numVertices) continue;
            int boneId = vertices[triangle.vertexIndices[c]].boneId;
            if (boneId < 0 || boneId >= numJoints) continue;
            float* normal = triangle.vertexNormals[c];
            StoreVector(MatrixInverseRotatePoint(skeleton[boneId].absolute, ToVector(normal)), normal);
        }
    }
}

void MS3D::UpdatePoints() {
    if (!skeleton) return;
    for (int v = 0; v < numVertices; v++) {
        MS3D_VERTEX& vertex = vertices[v];
        if (vertex.boneId < 0 || vertex.boneId >= numJoints) continue;
        const MATRIX& bone = skeleton[vertex.boneId].absolute;
        StoreVector(MatrixTranslatePoint(bone, MatrixRotatePoint(bone, ToVector(vertex.vertex))),
                    vertex.vertex);
    }
    for (int t = 0; t < numTriangles; t++) {
        MS3D_TRIANGLE& triangle = triangles[t];
        for (int c = 0; c < 3; c++) {
            if (triangle.vertexIndices[c] >= numVertices) continue;
            int boneId = vertices[triangle.vertexIndices[c]].boneId;
            if (boneId < 0 || boneId >= numJoints) continue;
            float* normal = triangle.vertexNormals[c];
            StoreVector(MatrixRotatePoint(skeleton[boneId].absolute, ToVector(normal)), normal);
        }
    }
}

float MS3D::Frame(int frame) const {
    if (!(animationFPS > 0.0f) || !std::isfinite(animationFPS)) return 0.0f;
    return Narrow(frame * 1000.0 / animationFPS);
}

void MS3D::SetAnimation(double startFrame, double endFrame, double rate, bool loop, bool blend) {
    bool validRate = animationFPS > 0.0f && std::isfinite(animationFPS);
    startTime = validRate ? Narrow(startFrame * 1000.0 / animationFPS) : 0.0f;
    endTime = validRate ? Narrow(endFrame * 1000.0 / animationFPS) : 0.0f;
    speed = Narrow(rate);
    looping = loop;
    currentTime = startTime;
    for (int j = 0; skeleton && j < numJoints; j++) {
        SKELETON_JOINT& bone = skeleton[j];
        bone.curTransKey = 0;
        bone.curRotKey = 0;
        bone.blendQuat = bone.animQuat;
        bone.blendTranslation = bone.animTranslation;
    }
    blending = blend;
    blendFactor = 0.0f;
}

void MS3D::RestartAnim() {
    currentTime = startTime;
    if (skeleton) ResetKeySearch(skeleton, numJoints);
}

void MS3D::Animate(double step) {
    if (blending) {
        blendFactor = Narrow(blendFactor + 2.0 * step);
        if (blendFactor >= 1.0f) {
            blending = false;
            blendFactor = 1.0f;
        }
        for (int j = 0; skeleton && j < numJoints; j++) BlendJoint(&skeleton[j], currentTime, blendFactor);
        return;
    }
    if (currentTime >= endTime) return;
    currentTime = Narrow(currentTime + speed * step);
    if (currentTime >= endTime) {
        if (looping) {
            currentTime = startTime;
            if (skeleton) ResetKeySearch(skeleton, numJoints);
        } else {
            currentTime = endTime;
        }
    }
    for (int j = 0; skeleton && j < numJoints; j++) {
        SKELETON_JOINT& bone = skeleton[j];
        if (bone.numTransKeys > 0) SampleTranslation(&bone, currentTime);
        if (bone.numRotKeys > 0) SampleRotation(&bone, currentTime);
    }
}
