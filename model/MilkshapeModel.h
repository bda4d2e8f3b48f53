// MilkShape 3D models (binary format, versions 3 and 4): loading, a rigidly
// skinned skeleton with keyframe animation, scaling and immediate-mode
// drawing.
//
// An MS3D owns every array it holds (allocated with new[], released by its
// destructor). Its mesh arrays are transformed in place by the skeleton: after
// RevertPoints each vertex and corner normal is expressed relative to its
// joint, after UpdatePoints it is posed in model space, which is what Render
// draws. Everything is public: the archer derives from MS3D and steers joints
// of its skeleton directly.
//
// Loading checks the whole model before the object takes anything: the data
// must hold every record its counts announce, and every vertex, triangle,
// material, bone and parent reference must name an element of its array. A
// model that fails leaves the object as it was, sets lastError to a precise
// reason (such as "data ends in the joints" or "vertex 2 names joint 2, but
// the model has 2 joints") and passes "Not a valid MS3D file!" to ERRORCLOSE
// ("Coun't open the damn MS3D file!" when Load cannot open its file, "Unable
// to allocate memory!" when memory runs out).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "maths/NiftyMaths.h"

struct Texture;

// Widths of the fixed, NUL-padded strings of the file. The in-memory arrays
// hold one byte more, which the loader always sets to NUL, so every name is a
// C string even when the file fills all of its bytes.
constexpr int kMS3DNameBytes = 32;
constexpr int kMS3DPathBytes = 128;

struct MS3D_VERTEX {
    uint8_t flags = 0;
    uint8_t referenceCount = 0;
    int8_t boneId = -1;  // joint that moves the vertex, -1 for none
    float vertex[3] = {0.0f, 0.0f, 0.0f};
};

struct MS3D_TRIANGLE {
    uint16_t flags = 0;
    uint16_t vertexIndices[3] = {0, 0, 0};
    float vertexNormals[3][3] = {};  // one normal per corner
    float s[3] = {0.0f, 0.0f, 0.0f};
    float t[3] = {0.0f, 0.0f, 0.0f};
    uint8_t smoothingGroup = 0;
    uint8_t groupIndex = 0;
};

struct MS3D_GROUP {
    uint8_t flags = 0;
    char name[kMS3DNameBytes + 1] = {};
    uint16_t numTriangles = 0;
    uint16_t* triangleIndices = nullptr;  // owned; numTriangles entries
    // Texture slot; negative for none. The loader accepts only indices below
    // numMaterials, so a model textured by slot needs one material per slot.
    int8_t materialIndex = -1;
};

struct MS3D_MATERIAL {
    char name[kMS3DNameBytes + 1] = {};
    float ambient[4] = {};
    float diffuse[4] = {};
    float specular[4] = {};
    float emissive[4] = {};
    float shininess = 0.0f;
    float transparency = 0.0f;
    uint8_t mode = 0;
    char texture[kMS3DPathBytes + 1] = {};
    char alphamap[kMS3DPathBytes + 1] = {};
};

struct MS3D_KEYFRAME {
    float time = 0.0f;  // seconds in the file; milliseconds in the skeleton
    float value[3] = {0.0f, 0.0f, 0.0f};
};

struct MS3D_JOINT {
    uint8_t flags = 0;
    char name[kMS3DNameBytes + 1] = {};
    char parentName[kMS3DNameBytes + 1] = {};  // empty for a root joint
    float rotation[3] = {0.0f, 0.0f, 0.0f};    // radians; degrees once SetupSkeleton ran
    float position[3] = {0.0f, 0.0f, 0.0f};
    uint16_t numKeyFramesRot = 0;
    uint16_t numKeyFramesTrans = 0;
    MS3D_KEYFRAME* keyFramesRot = nullptr;    // owned
    MS3D_KEYFRAME* keyFramesTrans = nullptr;  // owned
};

// Runtime state of one joint, built from the loaded joint by SetupSkeleton.
struct SKELETON_JOINT {
    int32_t parent = -1;
    uint8_t flags = 0;
    VECTOR3D rotation;         // bind rotation, degrees
    VECTOR3D position;         // bind position, relative to the parent
    VECTOR3D animRotation;     // last rotation key applied whole, degrees
    VECTOR3D animTranslation;  // keyed translation, in the joint's bind frame
    MATRIX relative;           // relative to the parent
    MATRIX absolute;           // in model space
    int32_t numRotKeys = 0;
    int32_t numTransKeys = 0;
    MS3D_KEYFRAME* rotKeys = nullptr;    // owned copy, times in milliseconds
    MS3D_KEYFRAME* transKeys = nullptr;  // owned copy, times in milliseconds
    int32_t curTransKey = 0;
    int32_t curRotKey = 0;
    int32_t lastTransKey = -1;
    int32_t lastRotKey = -1;
    QUAT animQuat;
    MATRIX animMatrix;  // animQuat as a matrix; what UpdateSkeleton reads
    QUAT blendQuat;
    VECTOR3D blendTranslation;
};

struct MS3D {
    uint16_t numVertices = 0;
    MS3D_VERTEX* vertices = nullptr;
    uint16_t numTriangles = 0;
    MS3D_TRIANGLE* triangles = nullptr;
    uint16_t numGroups = 0;
    MS3D_GROUP* groups = nullptr;
    uint16_t numMaterials = 0;
    MS3D_MATERIAL* materials = nullptr;
    uint16_t numJoints = 0;
    MS3D_JOINT* joints = nullptr;
    SKELETON_JOINT* skeleton = nullptr;  // null until SetupSkeleton
    int32_t totalFrames = 0;
    float animationFPS = 0.0f;
    float totalTime = 0.0f;    // milliseconds
    float currentTime = 0.0f;  // animation clock, milliseconds
    bool looping = true;
    float speed = 1000.0f;  // animation milliseconds per unit of time step
    float startTime = 0.0f;
    float endTime = 0.0f;
    bool blending = false;
    float blendFactor = 0.0f;
    // Why the last load failed, without the fixed message; empty after a
    // successful load.
    std::string lastError;

    MS3D() = default;
    ~MS3D();
    MS3D(const MS3D&) = delete;
    MS3D& operator=(const MS3D&) = delete;

    // Loading. Each reads one model and returns false, leaving the object
    // unchanged, when the data is not a complete, consistent MS3D model or the
    // object already holds one. LoadFromFStream reads from the stream's
    // current position and leaves the stream where reading stopped (on
    // success, right behind the last joint: trailing sections are not read).
    bool LoadFromFStream(std::istream* stream);
    bool LoadFromMemory(const void* data, size_t size);
    bool Load(const char* path);

    // Multiplies vertices, joint positions and translation keys by factor.
    // Must come before InitialSetup.
    void Scale(float factor);

    // Drawing, in model space, as GL_TRIANGLES with normals and texture
    // coordinates (t flipped). Without textures the current binding is used.
    // With a texture table each group binds the texID of the entry at its
    // materialIndex; a group whose index lies outside the table is drawn with
    // texture 0 bound. The forms without a count take the table to hold one
    // texture per material (numMaterials entries). A null table draws as
    // Render().
    void Render();
    void Render(const Texture* textures);
    void Render(const Texture* textures, int numTextures);
    // One group; an index outside [0, numGroups) draws nothing.
    void DrawGroup(int group);
    void DrawGroup(int group, const Texture* textures);
    void DrawGroup(int group, const Texture* textures, int numTextures);

    // Skeleton. InitialSetup: nothing for a model without joints, otherwise
    // SetupSkeleton, UpdateSkeleton and RevertPoints; the caller then calls
    // UpdatePoints to pose the mesh. SetupSkeleton converts the loaded joint
    // rotations to degrees in place and so runs once per model. Both return
    // false when the skeleton already exists or cannot be allocated, and
    // SetupSkeleton also for a model without joints.
    bool InitialSetup();
    bool SetupSkeleton();
    void UpdateSkeleton();
    void RevertPoints();
    void UpdatePoints();

    // Animation (times in milliseconds, steps in seconds).
    void SetAnimation(double startFrame, double endFrame, double rate, bool loop, bool blend);
    void RestartAnim();
    float Frame(int frame) const;
    void Animate(double step);
};
