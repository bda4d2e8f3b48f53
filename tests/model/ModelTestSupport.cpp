#include "tests/model/ModelTestSupport.h"

#include "assets/Alerts.h"

namespace {

std::vector<std::string> recorded;

void Record(const char* message) {
    recorded.emplace_back(message);
}

}  // namespace

ErrorHookRecorder::ErrorHookRecorder() {
    recorded.clear();
    SetErrorHookSink(Record);
}

ErrorHookRecorder::~ErrorHookRecorder() {
    SetErrorHookSink(nullptr);
}

std::vector<std::string> ErrorHookRecorder::Messages() const {
    return recorded;
}

std::vector<uint8_t> EncodeSource(const MS3DSource& source, const MS3DWriteOptions& options) {
    MS3D model;
    if (!BuildMS3D(source, &model)) return {};
    return EncodeMS3D(model, options);
}

bool LoadBytes(MS3D* model, const std::vector<uint8_t>& bytes) {
    return model->LoadFromMemory(bytes.data(), bytes.size());
}

SectionOffsets OffsetsOf(const MS3DSource& source) {
    SectionOffsets o{};
    o.vertexCount = 14;
    o.vertices = o.vertexCount + 2;
    o.triangleCount = o.vertices + 15 * source.vertices.size();
    o.triangles = o.triangleCount + 2;
    o.groupCount = o.triangles + 70 * source.triangles.size();
    o.groups = o.groupCount + 2;
    size_t groupBytes = 0;
    for (const MS3DSourceGroup& g : source.groups) groupBytes += 36 + 2 * g.triangleIndices.size();
    o.materialCount = o.groups + groupBytes;
    o.materials = o.materialCount + 2;
    o.animation = o.materials + 361 * source.materials.size();
    o.jointCount = o.animation + 12;
    o.joints = o.jointCount + 2;
    size_t jointBytes = 0;
    for (const MS3DSourceJoint& j : source.joints)
        jointBytes += 93 + 16 * (j.rotKeys.size() + j.transKeys.size());
    o.end = o.joints + jointBytes;
    return o;
}

void Poke16(std::vector<uint8_t>* bytes, size_t offset, uint16_t value) {
    (*bytes)[offset] = static_cast<uint8_t>(value);
    (*bytes)[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Poke32(std::vector<uint8_t>* bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; i++) (*bytes)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
