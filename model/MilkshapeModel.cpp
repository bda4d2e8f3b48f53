#include "model/MilkshapeModel.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "assets/Alerts.h"
#include "model/MS3DReader.h"
#include "model/MS3DSource.h"

namespace {

constexpr char kNotValid[] = "Not a valid MS3D file!";
constexpr char kCannotOpen[] = "Coun't open the damn MS3D file!";
constexpr char kNoMemory[] = "Unable to allocate memory!";

bool IsEmpty(const MS3D& model) {
    return !model.vertices && !model.triangles && !model.groups && !model.materials && !model.joints &&
           !model.skeleton && model.numVertices == 0 && model.numTriangles == 0 && model.numGroups == 0 &&
           model.numMaterials == 0 && model.numJoints == 0;
}

// Reads, checks and installs one model; the object changes only on success.
bool LoadFromSource(MS3D* model, MS3DByteSource* source) {
    if (!IsEmpty(*model)) {
        model->lastError = "the model is already loaded";
        ERRORCLOSE(kNotValid);
        return false;
    }
    MS3DSource parsed;
    std::string error;
    if (ReadMS3D(source, &parsed, &error) != MS3DReadResult::kOk || !CheckMS3DSource(parsed, &error)) {
        model->lastError = error;
        ERRORCLOSE(kNotValid);
        return false;
    }
    if (!BuildMS3D(parsed, model, &error)) {
        model->lastError = error;
        ERRORCLOSE(kNoMemory);
        return false;
    }
    model->lastError.clear();
    return true;
}

}  // namespace

MS3D::~MS3D() {
    delete[] vertices;
    delete[] triangles;
    for (int g = 0; groups && g < numGroups; g++) delete[] groups[g].triangleIndices;
    delete[] groups;
    delete[] materials;
    for (int j = 0; joints && j < numJoints; j++) {
        delete[] joints[j].keyFramesRot;
        delete[] joints[j].keyFramesTrans;
    }
    delete[] joints;
    for (int j = 0; skeleton && j < numJoints; j++) {
        delete[] skeleton[j].rotKeys;
        delete[] skeleton[j].transKeys;
    }
    delete[] skeleton;
}

bool MS3D::LoadFromFStream(std::istream* stream) {
    if (!stream || !*stream) {
        lastError = "no readable stream";
        ERRORCLOSE(kNotValid);
        return false;
    }
    MS3DByteSource source = StreamByteSource(stream);
    return LoadFromSource(this, &source);
}

bool MS3D::LoadFromMemory(const void* data, size_t size) {
    MS3DByteSource source = MemoryByteSource(data, data ? size : 0);
    return LoadFromSource(this, &source);
}

bool MS3D::Load(const char* path) {
    std::ifstream file;
    if (path) file.open(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        lastError = std::string("cannot open ") + (path ? path : "(null)") + ": " + std::strerror(errno);
        ERRORCLOSE(kCannotOpen);
        return false;
    }
    return LoadFromFStream(&file);  // the ifstream closes on every way out
}

void MS3D::Scale(float factor) {
    for (int v = 0; vertices && v < numVertices; v++) {
        for (float& c : vertices[v].vertex) c *= factor;
    }
    for (int j = 0; joints && j < numJoints; j++) {
        MS3D_JOINT& joint = joints[j];
        for (float& c : joint.position) c *= factor;
        for (int k = 0; joint.keyFramesTrans && k < joint.numKeyFramesTrans; k++) {
            for (float& c : joint.keyFramesTrans[k].value) c *= factor;
        }
    }
}
