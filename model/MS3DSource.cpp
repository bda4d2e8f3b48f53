#include "model/MS3DSource.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t kMaxCount = 65535;

std::string Describe(const char* what, size_t index) {
    return std::string(what) + " " + std::to_string(index);
}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

bool CheckCounts(const MS3DSource& source, std::string* error) {
    if (source.vertices.size() > kMaxCount) return Fail(error, "more than 65535 vertices");
    if (source.triangles.size() > kMaxCount) return Fail(error, "more than 65535 triangles");
    if (source.groups.size() > kMaxCount) return Fail(error, "more than 65535 groups");
    if (source.materials.size() > kMaxCount) return Fail(error, "more than 65535 materials");
    if (source.joints.size() > kMaxCount) return Fail(error, "more than 65535 joints");
    for (size_t g = 0; g < source.groups.size(); g++) {
        if (source.groups[g].triangleIndices.size() > kMaxCount)
            return Fail(error, Describe("group", g) + " has more than 65535 triangles");
    }
    for (size_t j = 0; j < source.joints.size(); j++) {
        const MS3DSourceJoint& joint = source.joints[j];
        if (joint.rotKeys.size() > kMaxCount || joint.transKeys.size() > kMaxCount)
            return Fail(error, Describe("joint", j) + " has more than 65535 keyframes of one kind");
    }
    return true;
}

bool CheckVertices(const MS3DSource& source, std::string* error) {
    size_t joints = source.joints.size();
    for (size_t v = 0; v < source.vertices.size(); v++) {
        int bone = source.vertices[v].boneId;
        if (bone >= 0 && static_cast<size_t>(bone) >= joints)
            return Fail(error, Describe("vertex", v) + " names joint " + std::to_string(bone) +
                                   ", but the model has " + std::to_string(joints) + " joints");
    }
    return true;
}

bool CheckTriangles(const MS3DSource& source, std::string* error) {
    size_t vertices = source.vertices.size();
    size_t groups = source.groups.size();
    for (size_t t = 0; t < source.triangles.size(); t++) {
        const MS3D_TRIANGLE& triangle = source.triangles[t];
        for (int c = 0; c < 3; c++) {
            if (triangle.vertexIndices[c] >= vertices)
                return Fail(error, Describe("triangle", t) + " corner " + std::to_string(c) +
                                       " names vertex " + std::to_string(triangle.vertexIndices[c]) +
                                       ", but the model has " + std::to_string(vertices) + " vertices");
        }
        if (triangle.groupIndex >= groups)
            return Fail(error, Describe("triangle", t) + " names group " +
                                   std::to_string(triangle.groupIndex) + ", but the model has " +
                                   std::to_string(groups) + " groups");
    }
    return true;
}

bool CheckGroups(const MS3DSource& source, std::string* error) {
    size_t triangles = source.triangles.size();
    size_t materials = source.materials.size();
    for (size_t g = 0; g < source.groups.size(); g++) {
        const MS3DSourceGroup& group = source.groups[g];
        for (uint16_t index : group.triangleIndices) {
            if (index >= triangles)
                return Fail(error, Describe("group", g) + " names triangle " + std::to_string(index) +
                                       ", but the model has " + std::to_string(triangles) + " triangles");
        }
        if (group.materialIndex >= 0 && static_cast<size_t>(group.materialIndex) >= materials)
            return Fail(error, Describe("group", g) + " names material " +
                                   std::to_string(group.materialIndex) + ", but the model has " +
                                   std::to_string(materials) + " materials");
    }
    return true;
}

// The skeleton composes joints in index order, so a parent must come first.
// A parent name that matches no joint leaves the joint a root.
bool CheckParents(const MS3DSource& source, std::string* error) {
    for (size_t j = 0; j < source.joints.size(); j++) {
        const std::string& parent = source.joints[j].parentName;
        if (parent.empty()) continue;
        for (size_t k = 0; k < source.joints.size(); k++) {
            if (source.joints[k].name != parent) continue;
            if (k >= j)
                return Fail(error, Describe("joint", j) + " names parent \"" + parent + "\", joint " +
                                       std::to_string(k) + ", which does not come before it");
            break;
        }
    }
    return true;
}

template <typename T>
T* NewArray(size_t count, bool* ok) {
    T* array = new (std::nothrow) T[count];
    if (!array) *ok = false;
    return array;
}

template <typename T>
T* CopyArray(const std::vector<T>& from, bool* ok) {
    T* array = NewArray<T>(from.size(), ok);
    if (array && !from.empty()) std::copy(from.begin(), from.end(), array);
    return array;
}

void FillGroup(const MS3DSourceGroup& from, MS3D_GROUP* to, bool* ok) {
    to->flags = from.flags;
    SetMS3DString(to->name, kMS3DNameBytes, from.name);
    to->numTriangles = static_cast<uint16_t>(from.triangleIndices.size());
    to->triangleIndices = CopyArray(from.triangleIndices, ok);
    to->materialIndex = from.materialIndex;
}

void FillJoint(const MS3DSourceJoint& from, MS3D_JOINT* to, bool* ok) {
    to->flags = from.flags;
    SetMS3DString(to->name, kMS3DNameBytes, from.name);
    SetMS3DString(to->parentName, kMS3DNameBytes, from.parentName);
    const float rotation[3] = {from.rotation.x, from.rotation.y, from.rotation.z};
    const float position[3] = {from.position.x, from.position.y, from.position.z};
    std::memcpy(to->rotation, rotation, sizeof rotation);
    std::memcpy(to->position, position, sizeof position);
    to->numKeyFramesRot = static_cast<uint16_t>(from.rotKeys.size());
    to->numKeyFramesTrans = static_cast<uint16_t>(from.transKeys.size());
    to->keyFramesRot = CopyArray(from.rotKeys, ok);
    to->keyFramesTrans = CopyArray(from.transKeys, ok);
}

// Releases what a failed BuildMS3D allocated, null pointers included.
void ReleaseArrays(MS3D* model, size_t groups, size_t joints) {
    for (size_t g = 0; model->groups && g < groups; g++) delete[] model->groups[g].triangleIndices;
    for (size_t j = 0; model->joints && j < joints; j++) {
        delete[] model->joints[j].keyFramesRot;
        delete[] model->joints[j].keyFramesTrans;
    }
    delete[] model->vertices;
    delete[] model->triangles;
    delete[] model->groups;
    delete[] model->materials;
    delete[] model->joints;
}

bool HoldsData(const MS3D& model) {
    return model.vertices || model.triangles || model.groups || model.materials || model.joints ||
           model.skeleton || model.numVertices || model.numTriangles || model.numGroups ||
           model.numMaterials || model.numJoints;
}

}  // namespace

void SetMS3DString(char* field, int size, const std::string& text) {
    size_t length = std::min(text.size(), static_cast<size_t>(size));
    std::memset(field, 0, static_cast<size_t>(size) + 1);
    std::memcpy(field, text.data(), length);
}

float MS3DTotalTime(int32_t totalFrames, float fps) {
    if (!(fps > 0.0f) || !std::isfinite(fps)) return 0.0f;
    double ms = totalFrames * 1000.0 / fps;
    if (std::fabs(ms) > 3.0e38) return ms > 0 ? HUGE_VALF : -HUGE_VALF;
    return static_cast<float>(ms);
}

bool CheckMS3DSource(const MS3DSource& source, std::string* error) {
    return CheckCounts(source, error) && CheckVertices(source, error) && CheckTriangles(source, error) &&
           CheckGroups(source, error) && CheckParents(source, error);
}

bool BuildMS3D(const MS3DSource& source, MS3D* model, std::string* error) {
    if (HoldsData(*model)) return Fail(error, "the model already holds data");
    if (!CheckCounts(source, error)) return false;
    MS3D built;
    bool ok = true;
    built.vertices = CopyArray(source.vertices, &ok);
    built.triangles = CopyArray(source.triangles, &ok);
    built.groups = NewArray<MS3D_GROUP>(source.groups.size(), &ok);
    built.materials = CopyArray(source.materials, &ok);
    built.joints = NewArray<MS3D_JOINT>(source.joints.size(), &ok);
    for (size_t g = 0; built.groups && g < source.groups.size(); g++)
        FillGroup(source.groups[g], &built.groups[g], &ok);
    for (size_t j = 0; built.joints && j < source.joints.size(); j++)
        FillJoint(source.joints[j], &built.joints[j], &ok);
    if (!ok) {
        ReleaseArrays(&built, source.groups.size(), source.joints.size());
        built.vertices = nullptr;
        built.triangles = nullptr;
        built.groups = nullptr;
        built.materials = nullptr;
        built.joints = nullptr;
        return Fail(error, "Unable to allocate memory!");
    }
    model->numVertices = static_cast<uint16_t>(source.vertices.size());
    model->numTriangles = static_cast<uint16_t>(source.triangles.size());
    model->numGroups = static_cast<uint16_t>(source.groups.size());
    model->numMaterials = static_cast<uint16_t>(source.materials.size());
    model->numJoints = static_cast<uint16_t>(source.joints.size());
    std::swap(model->vertices, built.vertices);
    std::swap(model->triangles, built.triangles);
    std::swap(model->groups, built.groups);
    std::swap(model->materials, built.materials);
    std::swap(model->joints, built.joints);
    model->animationFPS = source.animationFPS;
    model->totalFrames = source.totalFrames;
    model->totalTime = MS3DTotalTime(source.totalFrames, source.animationFPS);
    return true;
}
