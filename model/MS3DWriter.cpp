#include "model/MS3DWriter.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

struct Out {
    std::vector<uint8_t> bytes;

    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) U8(static_cast<uint8_t>(v >> shift));
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void Floats(const float* v, int count) {
        for (int i = 0; i < count; i++) F32(v[i]);
    }
    // A fixed-width string: the field's bytes up to its NUL, then NULs.
    void Fixed(const char* field, size_t width) {
        size_t length = strnlen(field, width);
        bytes.insert(bytes.end(), field, field + length);
        bytes.insert(bytes.end(), width - length, 0);
    }
    void Comment(const std::string& text) {
        I32(static_cast<int32_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
};

void PutVertex(Out* out, const MS3D_VERTEX& v) {
    out->U8(v.flags);
    out->Floats(v.vertex, 3);
    out->U8(static_cast<uint8_t>(v.boneId));
    out->U8(v.referenceCount);
}

void PutTriangle(Out* out, const MS3D_TRIANGLE& t) {
    out->U16(t.flags);
    for (uint16_t index : t.vertexIndices) out->U16(index);
    out->Floats(&t.vertexNormals[0][0], 9);
    out->Floats(t.s, 3);
    out->Floats(t.t, 3);
    out->U8(t.smoothingGroup);
    out->U8(t.groupIndex);
}

void PutGroup(Out* out, const MS3D_GROUP& g) {
    out->U8(g.flags);
    out->Fixed(g.name, kMS3DNameBytes);
    out->U16(g.numTriangles);
    for (int i = 0; g.triangleIndices && i < g.numTriangles; i++) out->U16(g.triangleIndices[i]);
    out->U8(static_cast<uint8_t>(g.materialIndex));
}

void PutMaterial(Out* out, const MS3D_MATERIAL& m) {
    out->Fixed(m.name, kMS3DNameBytes);
    out->Floats(m.ambient, 4);
    out->Floats(m.diffuse, 4);
    out->Floats(m.specular, 4);
    out->Floats(m.emissive, 4);
    out->F32(m.shininess);
    out->F32(m.transparency);
    out->U8(m.mode);
    out->Fixed(m.texture, kMS3DPathBytes);
    out->Fixed(m.alphamap, kMS3DPathBytes);
}

void PutKeys(Out* out, const MS3D_KEYFRAME* keys, int count) {
    for (int k = 0; keys && k < count; k++) {
        out->F32(keys[k].time);
        out->Floats(keys[k].value, 3);
    }
}

void PutJoint(Out* out, const MS3D_JOINT& j) {
    out->U8(j.flags);
    out->Fixed(j.name, kMS3DNameBytes);
    out->Fixed(j.parentName, kMS3DNameBytes);
    out->Floats(j.rotation, 3);
    out->Floats(j.position, 3);
    out->U16(j.numKeyFramesRot);
    out->U16(j.numKeyFramesTrans);
    PutKeys(out, j.keyFramesRot, j.numKeyFramesRot);
    PutKeys(out, j.keyFramesTrans, j.numKeyFramesTrans);
}

// The sections later MilkShape revisions append after the joints.
void PutTrailingSections(Out* out, const MS3D& model, const MS3DWriteOptions& options) {
    out->I32(1);                            // comment sub-version
    out->I32(model.numGroups > 0 ? 1 : 0);  // group comments
    if (model.numGroups > 0) {
        out->I32(0);
        out->Comment("first group");
    }
    out->I32(0);                            // material comments
    out->I32(model.numJoints > 0 ? 1 : 0);  // joint comments
    if (model.numJoints > 0) {
        out->I32(0);
        out->Comment("first joint");
    }
    out->I32(1);  // model comment
    out->Comment(options.modelComment);

    out->I32(options.vertexExtraSubVersion);
    for (int v = 0; v < model.numVertices; v++) {
        const int8_t bone = model.vertices[v].boneId;
        for (int i = 0; i < 3; i++) out->U8(static_cast<uint8_t>(i == 0 ? bone : -1));  // extra bone ids
        for (int i = 0; i < 3; i++) out->U8(i == 0 ? 100 : 0);                          // weights
        if (options.vertexExtraSubVersion >= 2) out->U32(0xdeadbeef);
        if (options.vertexExtraSubVersion >= 3) out->U32(0xfeedface);
    }

    out->I32(1);  // joint extra sub-version: a colour per joint
    for (int j = 0; j < model.numJoints; j++) {
        const float colour[3] = {1.0f, 0.5f, 0.25f};
        out->Floats(colour, 3);
    }

    out->I32(1);     // model extra sub-version
    out->F32(1.0f);  // joint size
    out->I32(0);     // transparency mode
    out->F32(0.5f);  // alpha reference
}

MS3D_KEYFRAME Key(float seconds, float x, float y, float z) {
    MS3D_KEYFRAME key;
    key.time = seconds;
    key.value[0] = x;
    key.value[1] = y;
    key.value[2] = z;
    return key;
}

MS3D_VERTEX Vertex(float x, float y, float z, int8_t bone) {
    MS3D_VERTEX v;
    v.vertex[0] = x;
    v.vertex[1] = y;
    v.vertex[2] = z;
    v.boneId = bone;
    v.referenceCount = 1;
    return v;
}

MS3D_TRIANGLE Triangle(uint16_t a, uint16_t b, uint16_t c) {
    MS3D_TRIANGLE t;
    t.vertexIndices[0] = a;
    t.vertexIndices[1] = b;
    t.vertexIndices[2] = c;
    for (auto& normal : t.vertexNormals) normal[2] = 1.0f;
    const float s[3] = {0.0f, 1.0f, 0.0f};
    const float tc[3] = {0.0f, 0.0f, 0.25f};
    std::memcpy(t.s, s, sizeof s);
    std::memcpy(t.t, tc, sizeof tc);
    t.smoothingGroup = 1;
    return t;
}

}  // namespace

std::vector<uint8_t> EncodeMS3D(const MS3D& model, const MS3DWriteOptions& options) {
    Out out;
    static const char kId[] = "MS3D000000";
    out.bytes.insert(out.bytes.end(), kId, kId + 10);
    out.I32(options.version);
    out.U16(model.numVertices);
    for (int v = 0; model.vertices && v < model.numVertices; v++) PutVertex(&out, model.vertices[v]);
    out.U16(model.numTriangles);
    for (int t = 0; model.triangles && t < model.numTriangles; t++) PutTriangle(&out, model.triangles[t]);
    out.U16(model.numGroups);
    for (int g = 0; model.groups && g < model.numGroups; g++) PutGroup(&out, model.groups[g]);
    out.U16(model.numMaterials);
    for (int m = 0; model.materials && m < model.numMaterials; m++) PutMaterial(&out, model.materials[m]);
    out.F32(model.animationFPS);
    out.F32(0.0f);  // the editor's current time
    out.I32(model.totalFrames);
    out.U16(model.numJoints);
    for (int j = 0; model.joints && j < model.numJoints; j++) PutJoint(&out, model.joints[j]);
    if (options.trailingSections) PutTrailingSections(&out, model, options);
    return out.bytes;
}

bool WriteMS3DFile(const std::string& path, const MS3D& model, const MS3DWriteOptions& options,
                   std::string* error) {
    std::vector<uint8_t> bytes = EncodeMS3D(model, options);
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (file)
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file) file.close();
    if (!file) {
        if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

MS3DSource SampleMS3DSource() {
    MS3DSource source;
    source.vertices = {Vertex(0, 0, 0, 0), Vertex(1, 0, 0, 1), Vertex(0, 1, 0, 0), Vertex(2, 2, 0, -1)};
    source.triangles = {Triangle(0, 1, 2), Triangle(1, 3, 2)};
    MS3DSourceGroup body;
    body.name = "body";
    body.triangleIndices = {0, 1};
    body.materialIndex = 0;
    MS3DSourceGroup empty;
    empty.name = "empty";
    source.groups = {body, empty};
    MS3D_MATERIAL skin;
    SetMS3DString(skin.name, kMS3DNameBytes, "skin");
    SetMS3DString(skin.texture, kMS3DPathBytes, "skin.tga");
    skin.diffuse[0] = skin.diffuse[1] = skin.diffuse[2] = skin.diffuse[3] = 1.0f;
    source.materials = {skin};
    MS3DSourceJoint root;
    root.name = "root";
    root.rotKeys = {Key(0.0f, 0, 0, 0), Key(1.0f, 0, 0, 1.5707964f)};
    root.transKeys = {Key(0.0f, 0, 0, 0), Key(1.0f, 1, 0, 0)};
    MS3DSourceJoint arm;
    arm.name = "arm";
    arm.parentName = "root";
    arm.position = {1.0f, 0.0f, 0.0f};
    arm.rotKeys = {Key(0.0f, 0, 0, 0), Key(0.5f, 0, 0, 0.7853982f), Key(1.0f, 0, 0, 0)};
    source.joints = {root, arm};
    source.animationFPS = 24.0f;
    source.totalFrames = 30;
    return source;
}

std::vector<uint8_t> EncodeSampleMS3D(bool trailingSections) {
    MS3D model;
    if (!BuildMS3D(SampleMS3DSource(), &model)) return {};
    MS3DWriteOptions options;
    options.trailingSections = trailingSections;
    return EncodeMS3D(model, options);
}
