#include "model/MS3DReader.h"

#include <algorithm>
#include <cstring>
#include <istream>

namespace {

constexpr size_t kVertexBytes = 15;
constexpr size_t kTriangleBytes = 70;
constexpr size_t kGroupHeadBytes = 35;  // flags, name, triangle count
constexpr size_t kGroupMinBytes = 36;   // ... plus the material index
constexpr size_t kMaterialBytes = 361;
constexpr size_t kAnimationBytes = 12;
constexpr size_t kJointBytes = 93;
constexpr size_t kKeyframeBytes = 16;
// How much memory is reserved ahead for records when the stream cannot be
// measured; beyond it, storage grows only as records arrive.
constexpr size_t kBlindReserveBytes = 16 * 1024;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float F32(const uint8_t* p) {
    uint32_t bits = U32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void Floats(const uint8_t* p, float* out, int count) {
    for (int i = 0; i < count; i++) out[i] = F32(p + 4 * i);
}

std::string FixedString(const uint8_t* p, size_t width) {
    const char* text = reinterpret_cast<const char*>(p);
    return std::string(text, strnlen(text, width));
}

void CopyFixed(const uint8_t* p, char* field, int width) {
    std::memcpy(field, p, static_cast<size_t>(width));
    field[width] = '\0';
}

MS3D_VERTEX DecodeVertex(const uint8_t* p) {
    MS3D_VERTEX v;
    v.flags = p[0];
    Floats(p + 1, v.vertex, 3);
    v.boneId = static_cast<int8_t>(p[13]);
    v.referenceCount = p[14];
    return v;
}

MS3D_TRIANGLE DecodeTriangle(const uint8_t* p) {
    MS3D_TRIANGLE t;
    t.flags = U16(p);
    for (int c = 0; c < 3; c++) t.vertexIndices[c] = U16(p + 2 + 2 * c);
    Floats(p + 8, &t.vertexNormals[0][0], 9);
    Floats(p + 44, t.s, 3);
    Floats(p + 56, t.t, 3);
    t.smoothingGroup = p[68];
    t.groupIndex = p[69];
    return t;
}

MS3D_MATERIAL DecodeMaterial(const uint8_t* p) {
    MS3D_MATERIAL m;
    CopyFixed(p, m.name, kMS3DNameBytes);
    Floats(p + 32, m.ambient, 4);
    Floats(p + 48, m.diffuse, 4);
    Floats(p + 64, m.specular, 4);
    Floats(p + 80, m.emissive, 4);
    m.shininess = F32(p + 96);
    m.transparency = F32(p + 100);
    m.mode = p[104];
    CopyFixed(p + 105, m.texture, kMS3DPathBytes);
    CopyFixed(p + 233, m.alphamap, kMS3DPathBytes);
    return m;
}

MS3D_KEYFRAME DecodeKeyframe(const uint8_t* p) {
    MS3D_KEYFRAME k;
    k.time = F32(p);
    Floats(p + 4, k.value, 3);
    return k;
}

// Reading state shared by the section readers.
struct Reader {
    MS3DByteSource* source;
    std::string* error;

    bool Ends(const char* section) {
        *error = std::string("data ends in the ") + section;
        return false;
    }

    bool Count(uint16_t* count, const char* section) {
        uint8_t bytes[2];
        if (!source->Read(bytes, 2)) return Ends(section);
        *count = U16(bytes);
        return true;
    }

    // Records of type T to reserve for `count` announced records of `bytes`
    // each in the file.
    template <typename T>
    size_t Reserve(size_t count, size_t bytes) const {
        if (source->remaining == MS3DByteSource::kUnknownRemaining)
            return std::min(count, kBlindReserveBytes / sizeof(T));
        return std::min<uint64_t>(count, source->remaining / bytes);
    }

    // Reads count fixed-size records, decoding each as it arrives.
    template <size_t kBytes, typename T, typename Decode>
    bool Records(size_t count, std::vector<T>* out, Decode decode, const char* section) {
        if (!source->MayHold(static_cast<uint64_t>(count) * kBytes)) return Ends(section);
        out->reserve(Reserve<T>(count, kBytes));
        uint8_t bytes[kBytes];
        for (size_t i = 0; i < count; i++) {
            if (!source->Read(bytes, kBytes)) return Ends(section);
            out->push_back(decode(bytes));
        }
        return true;
    }
};

MS3DReadResult ReadHeader(Reader* r) {
    uint8_t header[kMS3DIdBytes + 4];
    if (!r->source->Read(header, sizeof header)) {
        r->Ends("header");
        return MS3DReadResult::kBadHeader;
    }
    if (std::memcmp(header, kMS3DId, kMS3DIdBytes) != 0) {
        *r->error = "the id is not \"MS3D000000\"";
        return MS3DReadResult::kBadHeader;
    }
    int32_t version = static_cast<int32_t>(U32(header + kMS3DIdBytes));
    if (version != 3 && version != 4) {
        *r->error = "version " + std::to_string(version) + " is not 3 or 4";
        return MS3DReadResult::kBadHeader;
    }
    return MS3DReadResult::kOk;
}

bool ReadVertices(Reader* r, MS3DSource* model) {
    uint16_t count = 0;
    return r->Count(&count, "vertex count") &&
           r->Records<kVertexBytes>(count, &model->vertices, DecodeVertex, "vertices");
}

bool ReadTriangles(Reader* r, MS3DSource* model) {
    uint16_t count = 0;
    return r->Count(&count, "triangle count") &&
           r->Records<kTriangleBytes>(count, &model->triangles, DecodeTriangle, "triangles");
}

bool ReadGroup(Reader* r, MS3DSourceGroup* group) {
    uint8_t head[kGroupHeadBytes];
    if (!r->source->Read(head, sizeof head)) return r->Ends("groups");
    group->flags = head[0];
    group->name = FixedString(head + 1, kMS3DNameBytes);
    uint16_t count = U16(head + 33);
    auto decode = [](const uint8_t* p) { return U16(p); };
    if (!r->Records<2>(count, &group->triangleIndices, decode, "groups")) return false;
    uint8_t material;
    if (!r->source->Read(&material, 1)) return r->Ends("groups");
    group->materialIndex = static_cast<int8_t>(material);
    return true;
}

bool ReadGroups(Reader* r, MS3DSource* model) {
    uint16_t count = 0;
    if (!r->Count(&count, "group count")) return false;
    if (!r->source->MayHold(static_cast<uint64_t>(count) * kGroupMinBytes)) return r->Ends("groups");
    model->groups.reserve(r->Reserve<MS3DSourceGroup>(count, kGroupMinBytes));
    for (size_t g = 0; g < count; g++) {
        model->groups.emplace_back();
        if (!ReadGroup(r, &model->groups.back())) return false;
    }
    return true;
}

bool ReadMaterials(Reader* r, MS3DSource* model) {
    uint16_t count = 0;
    return r->Count(&count, "material count") &&
           r->Records<kMaterialBytes>(count, &model->materials, DecodeMaterial, "materials");
}

bool ReadAnimation(Reader* r, MS3DSource* model) {
    uint8_t bytes[kAnimationBytes];
    if (!r->source->Read(bytes, sizeof bytes)) return r->Ends("animation header");
    model->animationFPS = F32(bytes);
    // bytes 4..7 hold the editor's current time, which is not kept.
    model->totalFrames = static_cast<int32_t>(U32(bytes + 8));
    return true;
}

bool ReadJoint(Reader* r, MS3DSourceJoint* joint) {
    uint8_t head[kJointBytes];
    if (!r->source->Read(head, sizeof head)) return r->Ends("joints");
    joint->flags = head[0];
    joint->name = FixedString(head + 1, kMS3DNameBytes);
    joint->parentName = FixedString(head + 33, kMS3DNameBytes);
    joint->rotation = {F32(head + 65), F32(head + 69), F32(head + 73)};
    joint->position = {F32(head + 77), F32(head + 81), F32(head + 85)};
    uint16_t rotKeys = U16(head + 89);
    uint16_t transKeys = U16(head + 91);
    return r->Records<kKeyframeBytes>(rotKeys, &joint->rotKeys, DecodeKeyframe, "joints") &&
           r->Records<kKeyframeBytes>(transKeys, &joint->transKeys, DecodeKeyframe, "joints");
}

bool ReadJoints(Reader* r, MS3DSource* model) {
    uint16_t count = 0;
    if (!r->Count(&count, "joint count")) return false;
    if (!r->source->MayHold(static_cast<uint64_t>(count) * kJointBytes)) return r->Ends("joints");
    model->joints.reserve(r->Reserve<MS3DSourceJoint>(count, kJointBytes));
    for (size_t j = 0; j < count; j++) {
        model->joints.emplace_back();
        if (!ReadJoint(r, &model->joints.back())) return false;
    }
    return true;
}

}  // namespace

bool MS3DByteSource::Read(void* out, size_t n) {
    if (n == 0) return true;
    if (!MayHold(n)) return false;
    if (stream) {
        stream->read(static_cast<char*>(out), static_cast<std::streamsize>(n));
        if (static_cast<size_t>(stream->gcount()) != n) {
            remaining = 0;
            return false;
        }
    } else {
        std::memcpy(out, data + offset, n);
        offset += n;
    }
    if (remaining != kUnknownRemaining) remaining -= n;
    return true;
}

MS3DByteSource StreamByteSource(std::istream* stream) {
    MS3DByteSource source;
    source.stream = stream;
    std::streampos start = stream->tellg();
    if (start == std::streampos(-1)) {
        stream->clear(stream->rdstate() & ~std::ios::failbit);
        return source;
    }
    stream->seekg(0, std::ios::end);
    std::streampos end = stream->tellg();
    stream->seekg(start);
    if (end == std::streampos(-1) || !*stream) {
        stream->clear();
        stream->seekg(start);
        return source;
    }
    source.remaining = end >= start ? static_cast<uint64_t>(end - start) : 0;
    return source;
}

MS3DByteSource MemoryByteSource(const void* data, size_t size) {
    MS3DByteSource source;
    source.data = static_cast<const uint8_t*>(data);
    source.remaining = size;
    return source;
}

MS3DReadResult ReadMS3D(MS3DByteSource* source, MS3DSource* model, std::string* error) {
    Reader r{source, error};
    MS3DReadResult header = ReadHeader(&r);
    if (header != MS3DReadResult::kOk) return header;
    bool complete = ReadVertices(&r, model) && ReadTriangles(&r, model) && ReadGroups(&r, model) &&
                    ReadMaterials(&r, model) && ReadAnimation(&r, model) && ReadJoints(&r, model);
    return complete ? MS3DReadResult::kOk : MS3DReadResult::kTruncated;
}
