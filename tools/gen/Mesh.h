// Meshes for the generated models: parts built from parametric surfaces,
// smooth normals, and the conversion to the MilkShape records.
//
// Every part is a closed surface made of one or more patches. Normals are
// the area-weighted average of the faces around each position of the part,
// so seams where a patch meets itself (longitude 0 and 1, the poles) shade
// without a crease; triangles are turned to face outwards.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "maths/NiftyMaths.h"
#include "model/MS3DSource.h"

struct MeshVertex {
    VECTOR3D pos;
    VECTOR3D normal;
    float s = 0.0f;  // texture coordinates as the model file holds them:
    float t = 0.0f;  // s across, t down from the top of the picture
    int bone = -1;
};

struct MeshPart {
    std::string name;
    int material = -1;
    std::vector<MeshVertex> vertices;
    std::vector<std::array<int, 3>> triangles;

    int AddVertex(const MeshVertex& v);
    void AddTriangle(int a, int b, int c);
    // Appends another part's vertices and triangles.
    void Append(const MeshPart& other);
};

// A point of a surface patch for the parameters (u, v), both 0..1.
using SurfaceFn = std::function<VECTOR3D(float u, float v)>;
// Texture coordinates for (u, v).
using UvFn = std::function<void(float u, float v, float* s, float* t)>;

// A patch closed in u (u = 0 and 1 meet) from v = 0 to v = 1, with nu by nv
// quads. Rows where the surface shrinks to a point (the poles) get no
// degenerate triangles.
MeshPart ClosedPatch(int nu, int nv, const SurfaceFn& surface, const UvFn& uv);

// Frames for sweeping a tube along a path.
struct SweepRing {
    VECTOR3D centre;
    VECTOR3D side;  // unit vector across the tube
    VECTOR3D up;    // unit vector across the tube, perpendicular to side
    float radiusSide = 0.0f;
    float radiusUp = 0.0f;
};
// A tube through the rings, closed at both ends by a pole just beyond the
// first and last ring (rounded caps).
MeshPart Tube(const std::vector<SweepRing>& rings, int sides, const UvFn& uv);
// Rings along a polyline with radii (side, up) at each point, the frames
// carried along the path from the given initial up direction.
std::vector<SweepRing> RingsAlong(const std::vector<VECTOR3D>& points, const std::vector<float>& radii,
                                  VECTOR3D upHint, float flatten = 1.0f);

// A flat, rounded shape ("pillow"): the closed 2D outline (points in order,
// star-shaped about centre2d) laid in the plane origin + x axisA + y axisB,
// puffed to `thickness` along `normal` at its middle and thin at its rim.
// `around` segments follow the outline (evenly by length), `rings` run
// from the back of the pillow over the rim to its front. uv2d maps a point
// of the plane (x, y) to texture coordinates.
using Uv2dFn = std::function<void(float x, float y, float* s, float* t)>;
MeshPart Pillow(const std::vector<point2d>& outline, point2d centre2d, VECTOR3D origin, VECTOR3D axisA,
                VECTOR3D axisB, VECTOR3D normal, float thickness, int around, int rings, const Uv2dFn& uv2d);

// An ellipsoid with semi-axes (rx, ry, rz) at centre, poles on the y axis.
MeshPart Ellipsoid(VECTOR3D centre, VECTOR3D radii, int nu, int nv, const UvFn& uv);

// Turns every triangle of a closed part outwards (by the sign of the
// enclosed volume), then sets smooth normals.
void FinishPart(MeshPart* part);
// Sets smooth normals only (keeps the winding).
void SmoothNormals(MeshPart* part);
// Mirrors a part in the plane x = 0 (positions, normals and winding).
MeshPart MirrorX(const MeshPart& part);
// Moves every vertex of the part to the given joint.
void BindPart(MeshPart* part, int bone);
// Transforms positions by m and normals by its rotation.
void TransformPart(MeshPart* part, const MATRIX& m);

// A uniform texture region: every (u, v) lands in the rectangle s0..s1,
// t0..t1 scaled linearly.
UvFn UvRect(float s0, float t0, float s1, float t1);

// Vector helpers in float.
VECTOR3D V3(float x, float y, float z);
VECTOR3D Add(VECTOR3D a, VECTOR3D b);
VECTOR3D Sub(VECTOR3D a, VECTOR3D b);
VECTOR3D Mul(VECTOR3D a, float k);
float Dot(VECTOR3D a, VECTOR3D b);
VECTOR3D Cross(VECTOR3D a, VECTOR3D b);
float Length(VECTOR3D a);
VECTOR3D Unit(VECTOR3D a);
VECTOR3D Lerp(VECTOR3D a, VECTOR3D b, float t);

// Collects parts, materials and joints into the source records of a model.
// `scale` multiplies every position (vertices, joint positions and
// translation keys): models are designed in world units and stored at the
// size that the scene's Scale call brings back to world units.
struct ModelSheet {
    std::vector<MeshPart> parts;
    std::vector<MS3D_MATERIAL> materials;
    std::vector<MS3DSourceJoint> joints;
    float animationFPS = 24.0f;
    int32_t totalFrames = 0;
};
MS3DSource ToMS3DSource(const ModelSheet& sheet, float scale);

// A material record naming a texture file (for modelling tools; the scene
// selects textures by index).
MS3D_MATERIAL MakeMaterial(const std::string& name, float r, float g, float b, const std::string& texture);

int TriangleCount(const ModelSheet& sheet);
