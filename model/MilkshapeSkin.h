// The posed mesh of a skinned MS3D model, kept compact and drawn from client
// vertex arrays.
//
// Moving a mesh between joint space and model space (MS3D::RevertPoints and
// UpdatePoints) transforms every vertex and every triangle corner's normal
// in place. Most corners share their normal with the other corners of the
// same vertex, so the skin keeps each distinct (joint, normal) once and each
// vertex once, applies exactly the same arithmetic to them, and so holds
// bit for bit the mesh the in-place steps would leave. The skinning step
// then gathers the distinct (vertex, normal, texture coordinate) corners
// into one array that each group draws with glDrawElements.
#pragma once

#include <cstdint>

#include "maths/NiftyMaths.h"

struct MS3D;
struct Texture;

// One corner as GL reads it: texture coordinate (t flipped), normal, vertex.
struct MS3D_DRAWVERTEX {
    float st[2];
    float normal[3];
    float vertex[3];
};

// A sort key of set-up: four words compared in order, and the entry it names.
struct MS3D_SORTKEY {
    uint32_t key[4];
    int32_t index;
};

struct MS3D_SKIN {
    // Vertices of the model, ordered by joint (those without one first, and
    // never moved), as columns: all x, then all y, then all z.
    // pointOfVertex maps a model vertex to its entry.
    int32_t numPoints = 0;
    float* points = nullptr;  // 3 x numPoints
    int32_t* pointOfVertex = nullptr;
    // Distinct (joint, corner normal) pairs, ordered by joint, as columns of
    // normalStride entries.
    int32_t numNormals = 0;
    int32_t normalStride = 0;
    float* normals = nullptr;           // 3 x normalStride
    int32_t* normalOfCorner = nullptr;  // 3 entries per triangle
    // Runs of points and normals per joint: joint j owns
    // [pointRun[j], pointRun[j + 1]) and [normalRun[j], normalRun[j + 1]).
    int32_t numJoints = 0;
    int32_t* pointRun = nullptr;   // numJoints + 2 entries; entry 0 starts the unposed ones
    int32_t* normalRun = nullptr;  // numJoints + 2 entries
    // What GL draws: distinct corners, which point and normal each takes,
    // and per group the run of corner indices.
    int32_t numDrawVertices = 0;
    MS3D_DRAWVERTEX* drawVertices = nullptr;
    int32_t* drawPoint = nullptr;
    int32_t* drawNormal = nullptr;
    uint32_t* indices = nullptr;  // 3 per drawn triangle, in group and triangle order
    int32_t numGroups = 0;
    int32_t* groupFirst = nullptr;  // numGroups + 1 entries into indices
    int8_t* groupMaterial = nullptr;
    MATRIX* posedWith = nullptr;  // numJoints entries: each joint's matrix when last posed

    MS3D_SKIN() = default;
    ~MS3D_SKIN() { Cleanup(); }
    MS3D_SKIN(const MS3D_SKIN&) = delete;
    MS3D_SKIN& operator=(const MS3D_SKIN&) = delete;

    // Takes the model's mesh as UpdatePoints posed it with the joints'
    // current matrices, and its groups. False when memory runs out or the
    // model has no skeleton.
    bool Build(const MS3D& model);
    void Cleanup();

    // Moves the mesh from the pose it holds to the joints' current matrices,
    // as MS3D::RevertPoints before and UpdatePoints after the skeleton moved
    // would, and gathers the draw array.
    void Repose(const MS3D& model);

    // Where model vertex v and the normal of corner c of triangle t stand now.
    VECTOR3D VertexOf(int32_t v) const {
        int32_t k = pointOfVertex[v];
        return {points[k], points[numPoints + k], points[2 * numPoints + k]};
    }
    VECTOR3D NormalOf(int32_t t, int c) const {
        int32_t k = normalOfCorner[t * 3 + c];
        return {normals[k], normals[normalStride + k], normals[2 * normalStride + k]};
    }

    // Draws every group as MS3D::Render does (texture of the group's
    // material from the table; texture 0 beyond it), from client arrays.
    void Render(const Texture* textures, int numTextures) const;

private:
    // Set-up steps of Build; keys and the int array are scratch of at least
    // as many entries as the model has vertices, corners or drawn corners.
    void TakePoints(const MS3D& model, MS3D_SORTKEY* keys, int32_t* jointOf);
    void TakeNormals(const MS3D& model, MS3D_SORTKEY* keys, int32_t* jointOf);
    void TakeDrawVertices(const MS3D& model, MS3D_SORTKEY* keys, int32_t* drawCorner);
    // Copies each drawn corner's current point and normal into drawVertices.
    void GatherDrawVertices();
};
