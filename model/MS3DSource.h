// A MilkShape model described with vectors: what the loader reads before an
// MS3D takes it, and what tools and tests fill to build models in code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/MilkshapeModel.h"

struct MS3DSourceGroup {
    std::string name;
    std::vector<uint16_t> triangleIndices;
    int8_t materialIndex = -1;  // -1 (any negative) for none, else below the material count
    uint8_t flags = 0;
};

struct MS3DSourceJoint {
    std::string name;
    std::string parentName;  // empty for a root joint; otherwise a joint earlier in the list
    VECTOR3D rotation;       // radians, as in the file
    VECTOR3D position;
    std::vector<MS3D_KEYFRAME> rotKeys;    // times in seconds, values in radians
    std::vector<MS3D_KEYFRAME> transKeys;  // times in seconds
    uint8_t flags = 0;
};

struct MS3DSource {
    std::vector<MS3D_VERTEX> vertices;
    std::vector<MS3D_TRIANGLE> triangles;
    std::vector<MS3DSourceGroup> groups;
    std::vector<MS3D_MATERIAL> materials;
    std::vector<MS3DSourceJoint> joints;
    float animationFPS = 24.0f;
    int32_t totalFrames = 0;
};

// Checks every reference of the model: triangle corners name vertices, a
// triangle's groupIndex names a group, groups name triangles and materials
// (or no material), vertices name joints (or none), a joint's parent, when
// named and present, comes before it, and no count exceeds 65535. Returns
// false with the first problem in *error.
bool CheckMS3DSource(const MS3DSource& source, std::string* error);

// Copies the source into an empty model (fresh arrays, names cut to their
// fixed widths, totalTime computed as the loader does). Returns false,
// leaving the model untouched, when the model already holds data, a count
// exceeds 65535 or memory runs out; *error (when given) says which. The
// references are not checked: call CheckMS3DSource for that.
bool BuildMS3D(const MS3DSource& source, MS3D* model, std::string* error = nullptr);

// Copies text into a fixed string field of `size` bytes plus its NUL.
void SetMS3DString(char* field, int size, const std::string& text);

// totalFrames x 1000 / fps in double, as milliseconds; 0 when the rate is
// not a positive finite number.
float MS3DTotalTime(int32_t totalFrames, float fps);
