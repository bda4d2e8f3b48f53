// inspect: describes a pack, a TGA image or a MilkShape model as JSON on
// standard output.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "assets/ResFile.h"
#include "assets/TGALoader.h"
#include "model/MilkshapeModel.h"
#include "tools/pack/Json.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "tools/pack/PackTool.h"

namespace {

const char kUsage[] = "dovel-pack inspect FILE";
const char kHelp[] =
    "usage: dovel-pack inspect FILE\n"
    "Describes FILE as JSON on standard output. The kind is taken from the\n"
    "file's contents: a pack (\"PLEF\") gives its directory; a MilkShape model\n"
    "(\"MS3D000000\") its counts, animation, groups, joints and bounding box; any\n"
    "other file is read as a TGA image and gives its size, depth and type.\n";

// The first bytes of the file (fewer if it is shorter); false if unreadable.
bool ReadPrefix(const std::string& path, std::string* prefix) {
    std::string why;
    if (!IsReadableRegularFile(path, &why)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return false;
    char buffer[18];
    in.read(buffer, sizeof buffer);
    prefix->assign(buffer, static_cast<size_t>(in.gcount()));
    return true;
}

int InspectPack(const std::string& path) {
    RESFILE pack;
    if (!pack.Open(path.c_str())) return BadInput(path, pack.problem);
    std::string json = "{\n  " + JsonField("kind", JsonQuoted("pack")) + ",\n  " +
                       JsonField("fileLength", pack.fileLength) + ",\n  " +
                       JsonField("lumpCount", pack.header.lumpCount) + ",\n  " +
                       JsonField("directoryOffset", pack.header.dirOffset) + ",\n  \"lumps\": [";
    for (uint32_t i = 0; i < pack.header.lumpCount; ++i) {
        const RESLUMP& lump = pack.directory[i];
        json += std::string(i ? "," : "") + "\n    {" + JsonField("index", i) + ", " +
                JsonField("offset", lump.offset) + ", " + JsonField("size", lump.size) + ", " +
                JsonField("type", lump.type) + ", " + JsonField("alphaMode", lump.alphaMode) + "}";
    }
    json += pack.header.lumpCount ? "\n  ]\n}\n" : "]\n}\n";
    std::fputs(json.c_str(), stdout);
    return kExitOk;
}

int InspectImage(const std::string& path, const std::string& prefix) {
    Texture texture;
    if (!LoadTGA(&texture, path.c_str())) return BadInput(path, TakeAlerts());
    const bool topOrigin = (static_cast<uint8_t>(prefix[17]) & 0x20) != 0;
    std::string json = "{\n  " + JsonField("kind", JsonQuoted("tga")) + ",\n  " +
                       JsonField("width", texture.width) + ",\n  " + JsonField("height", texture.height) +
                       ",\n  " + JsonField("bpp", texture.bpp) + ",\n  " +
                       JsonField("type", static_cast<uint8_t>(prefix[2])) + ",\n  " +
                       JsonField("topOrigin", topOrigin ? "true" : "false") + "\n}\n";
    std::fputs(json.c_str(), stdout);
    return kExitOk;
}

std::string Vector3(const float* v) {
    return "[" + JsonNumber(v[0]) + ", " + JsonNumber(v[1]) + ", " + JsonNumber(v[2]) + "]";
}

std::string BoundingBox(const MS3D& model) {
    if (model.numVertices == 0) return "null";
    float lo[3], hi[3];
    for (int c = 0; c < 3; ++c) lo[c] = hi[c] = model.vertices[0].vertex[c];
    for (int i = 1; i < model.numVertices; ++i) {
        for (int c = 0; c < 3; ++c) {
            const float v = model.vertices[i].vertex[c];
            if (v < lo[c]) lo[c] = v;
            if (v > hi[c]) hi[c] = v;
        }
    }
    return "{" + JsonField("min", Vector3(lo)) + ", " + JsonField("max", Vector3(hi)) + "}";
}

std::string Groups(const MS3D& model) {
    std::string json = "[";
    for (int i = 0; i < model.numGroups; ++i) {
        const MS3D_GROUP& group = model.groups[i];
        json += std::string(i ? "," : "") + "\n    {" +
                JsonField("name", JsonString(group.name, kMS3DNameBytes)) + ", " +
                JsonField("numTriangles", group.numTriangles) + ", " +
                JsonField("materialIndex", group.materialIndex) + "}";
    }
    return json + (model.numGroups ? "\n  ]" : "]");
}

std::string Joints(const MS3D& model) {
    std::string json = "[";
    for (int i = 0; i < model.numJoints; ++i) {
        const MS3D_JOINT& joint = model.joints[i];
        json += std::string(i ? "," : "") + "\n    {" +
                JsonField("name", JsonString(joint.name, kMS3DNameBytes)) + ", " +
                JsonField("parentName", JsonString(joint.parentName, kMS3DNameBytes)) + ", " +
                JsonField("numKeyFramesRot", joint.numKeyFramesRot) + ", " +
                JsonField("numKeyFramesTrans", joint.numKeyFramesTrans) + "}";
    }
    return json + (model.numJoints ? "\n  ]" : "]");
}

int InspectModel(const std::string& path, const std::string& prefix) {
    MS3D model;
    if (!model.Load(path.c_str())) return BadInput(path, "not a valid MS3D model: " + model.lastError);
    const uint32_t version = static_cast<uint8_t>(prefix[10]) | (static_cast<uint8_t>(prefix[11]) << 8) |
                             (static_cast<uint8_t>(prefix[12]) << 16) |
                             (static_cast<uint32_t>(static_cast<uint8_t>(prefix[13])) << 24);
    std::string json =
        "{\n  " + JsonField("kind", JsonQuoted("ms3d")) + ",\n  " + JsonField("version", version) + ",\n  " +
        JsonField("numVertices", model.numVertices) + ",\n  " +
        JsonField("numTriangles", model.numTriangles) + ",\n  " + JsonField("numGroups", model.numGroups) +
        ",\n  " + JsonField("numMaterials", model.numMaterials) + ",\n  " +
        JsonField("numJoints", model.numJoints) + ",\n  " + JsonField("totalFrames", model.totalFrames) +
        ",\n  " + JsonField("animationFPS", JsonNumber(model.animationFPS)) + ",\n  " +
        JsonField("totalTime", JsonNumber(model.totalTime)) + ",\n  " + JsonField("groups", Groups(model)) +
        ",\n  " + JsonField("joints", Joints(model)) + ",\n  " +
        JsonField("boundingBox", BoundingBox(model)) + "\n}\n";
    std::fputs(json.c_str(), stdout);
    return kExitOk;
}

}  // namespace

int RunInspect(const Args& args) {
    if (WantsHelp(args)) return std::fputs(kHelp, stdout), kExitOk;
    if (args.size() != 1) return UsageError("inspect", kUsage, "needs exactly one file");
    const std::string& path = args[0];
    std::string prefix;
    if (!ReadPrefix(path, &prefix)) return BadInput(path, "cannot open it");
    if (prefix.compare(0, 4, "PLEF") == 0) return InspectPack(path);
    if (prefix.size() >= 14 && prefix.compare(0, 10, "MS3D000000") == 0) return InspectModel(path, prefix);
    if (prefix.size() < 18) return BadInput(path, "too short for a pack, a TGA image or a MilkShape model");
    return InspectImage(path, prefix);
}
